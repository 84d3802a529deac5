// The Modify dialog on the offscreen platform, opened by a double-click in the main window
// over a copy of the sample installation: its tabs with a plug-in page, a refused name
// that keeps it open, then a new name applied to the list.
#include "gui/modify_dispatcher_view.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "gui/main_window_view.h"
#include "gui/qt_user_interface.h"
#include "settings/commands.h"
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

// One extra page, a label made on the tab control as a library makes its pages (the view
// deletes it).
class LabelPlugin : public settings::IPluginPages {
 public:
  bool GeneralPage(void*, void*&) override { return false; }
  std::vector<settings::PluginPage> ExtraPages(void* tabs) override {
    return {{new QLabel("device settings", static_cast<QWidget*>(tabs)), "Device"}};
  }
  bool OnOk() override { return true; }
  void OnCancel() override {}
};

class ModifyDispatcherViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::RegisterAllViews(); }

  void doubleClickOpensModifyAndARefusedNameKeepsItOpen() {
    test::LoadedSample sample;
    test::ModalDriver driver;
    settings::SettingsServices services;
    services.pages = [](settings::PageKind, const settings::PageContext&) { return std::make_unique<StubPage>(); };
    services.plugins = [](const settings::PluginContext&) { return std::make_unique<LabelPlugin>(); };
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
      QCOMPARE(tabs->count(), 4);
      QCOMPARE(tabs->tabText(3), QString("Device"));
      auto* name = dialog->findChild<QLineEdit*>("nameEdit");
      auto* ok = dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
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
