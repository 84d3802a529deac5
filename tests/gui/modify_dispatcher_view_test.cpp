// The Modify dialog on the offscreen platform, opened by a double-click in the main window
// over a copy of the sample installation: its tabs with the sample plug-in's pages, a
// plug-in page and a name that refuse OK and keep it open, then a new name applied.
#include "gui/modify_dispatcher_view.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "gui/main_window_view.h"
#include "gui/qt_user_interface.h"
#include "settings/commands.h"
#include "settings/plugin_pages.h"
#include "tests/gui/qt_test_support.h"
#include "window/main_window.h"

namespace rvc::ui {
namespace {

class StubPage : public settings::IPage {
 public:
  std::string Title() const override { return "stub page"; }
  void Load() override {}
  std::optional<settings::PageRefusal> Validate() const override { return std::nullopt; }
  void Save() override {}
  bool HasChanges() const override { return false; }
};

class ModifyDispatcherViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::RegisterAllViews(); }

  void doubleClickOpensModifyAndARefusedNameKeepsItOpen() {
    test::LoadedSample sample;
    test::ModalDriver driver;
    // The sample's CtP_platedriver names the sample synchronisation and dispatcher libraries.
    settings::SettingsServices services = settings::DeviceTypeServices();
    services.pages = [](settings::PageKind, const settings::PageContext&) { return std::make_unique<StubPage>(); };
    frame::CCommandTable commands;
    settings::RegisterSettingsCommands(commands, services);
    window::CRvcDlg model(sample.flavours, test::kTiff, commands);
    model.OnInitDialog();
    MainWindowView view(model);
    view.resize(640, 400);
    view.Sync();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    driver.Expect("ModifyDispatcherView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Modify Dispatcher Mono1"));
      auto* tabs = dialog->findChild<QTabWidget*>("tabWidget");
      QCOMPARE(tabs->count(), 5);
      QCOMPARE(tabs->tabText(3), QString("Device"));
      QCOMPARE(tabs->tabText(4), QString("Calibration"));
      auto* name = dialog->findChild<QLineEdit*>("nameEdit");
      auto* ok = dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
      // The plug-in page's OnOKExt refuses while its field says so.
      auto* field = tabs->widget(4)->findChild<QLineEdit*>("sampleField");
      QVERIFY(field != nullptr);
      field->setText("refuse");
      ok->click();
      QVERIFY(dialog->isVisible());
      QCOMPARE(tabs->currentIndex(), 0);
      field->setText("fine");
      name->setText("Mono");
      ok->click();
      QVERIFY(dialog->isVisible());
      QCOMPARE(dialog->focusWidget(), name);
      name->setText("Mono7");
      ok->click();
    });
    auto* list = view.findChild<QTreeWidget*>("dispatcherList");
    const QPoint row = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);

    QVERIFY(driver.AllHandled());
    QVERIFY2(driver.unexpected.isEmpty(), qPrintable(driver.unexpected.join(", ")));
    // The refusal, then the two launchers that the sample lacks.
    QCOMPARE(driver.messages.size(), 3);
    QCOMPARE(driver.messages[0].text, QString("Mono already exists, please choose another name"));
    QCOMPARE(driver.messages[2].text, QString("Cannot create icon (2)!"));
    QCOMPARE(list->topLevelItem(1)->text(0), QString("Mono7"));
  }

 private:
  CQtUserInterface qt_;
  ScopedUserInterface scoped_{qt_};
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::ModifyDispatcherViewTest)
#include "modify_dispatcher_view_test.moc"
