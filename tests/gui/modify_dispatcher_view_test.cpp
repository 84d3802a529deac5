// The Modify dialog on the offscreen platform over a copy of the sample installation:
// opened by a double-click in the main window, with its tabs, the sample plug-in's pages
// (swapped out and in by a retype), an own page made when its tab is shown, a plug-in page
// and a name that refuse OK and keep it open, then a new name applied; and
// opened at once by the main window that the install job hands over to.
#include "gui/modify_dispatcher_view.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTimer>

#include "gui/main_window_view.h"
#include "gui/qt_user_interface.h"
#include "frame/rvc_app.h"
#include "settings/commands.h"
#include "store/installation_lock.h"
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
      // An own page is made when its tab is first shown, and shows at once.
      QVERIFY(tabs->widget(1)->findChild<QLabel*>() == nullptr);
      tabs->setCurrentIndex(1);
      auto* page = tabs->widget(1)->findChild<QLabel*>();
      QVERIFY(page != nullptr && page->isVisible());
      QCOMPARE(page->text(), QString("stub page"));
      tabs->setCurrentIndex(0);
      // A type without plug-in pages takes them away; the type again brings new ones.
      auto* types = dialog->findChild<QComboBox*>("deviceTypeCombo");
      const int type = types->currentIndex();
      types->setCurrentIndex(types->findText("Imagesetter_Film"));
      QCOMPARE(tabs->count(), 3);
      types->setCurrentIndex(type);
      QCOMPARE(tabs->count(), 5);
      auto* name = dialog->findChild<QLineEdit*>("nameEdit");
      auto* ok = dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
      // The plug-in page's OnOKExt refuses while its field says so.
      auto* field = tabs->widget(4)->findChild<QLineEdit*>("sampleField");
      QVERIFY(field != nullptr && !field->isVisible());
      tabs->setCurrentIndex(4);
      QVERIFY(field->isVisible());
      tabs->setCurrentIndex(0);
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

  // The install job (rvc_setup FLAVOUR -i) with a display: its main window opens on the
  // flavour, no longer holding the installation, and at once asks the type of the first
  // dispatcher, which cannot be cancelled; the choice is applied without showing the
  // Modify dialog itself, and the program ends when the window is closed.
  void theInstallJobOpensTheModifyDialogOfTheFirstDispatcher() {
    test::LoadedSample sample;
    test::ModalDriver driver;
    frame::CCommandTable commands;
    settings::RegisterSettingsCommands(commands, settings::DeviceTypeServices());
    CQtMainWindowFactory windows(commands);
    struct : frame::IInstallerJobs {
      bool Run(int mode, frame::CFlavour& flavour) override {
        ran = std::to_string(mode) + " " + flavour.Key;
        return true;
      }
      std::string ran;
    } installer;
    frame::StartupServices services;
    services.mainWindows = &windows;
    services.installer = &installer;

    // What the dialog and the window showed, judged once the program has ended: a failed
    // check inside could not close the dialog, which refuses Cancel.
    QStringList asked;
    QStringList firstRow;
    bool lockedInWindow = true;
    // Closes the main window once it shows the applied type (events are processed while
    // the change is applied), or after a while.
    QTimer closer;
    QElapsedTimer waiting;
    driver.Expect("NewDispatcherView", [&](QWidget* dialog) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      asked = {dialog->windowTitle(), dialog->findChild<QLineEdit*>("nameEdit")->text(),
               dialog->findChild<QComboBox*>("deviceTypeCombo")->currentText(),
               dialog->findChild<QComboBox*>("queueSetupCombo")->isEnabled() ? "queue setup" : "",
               dialog->isVisible() ? "kept open" : ""};
      dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
      QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != nullptr) return;
        for (QWidget* window : QApplication::topLevelWidgets()) {
          auto* main = qobject_cast<MainWindowView*>(window);
          if (main == nullptr || !main->isVisible()) continue;
          QTreeWidgetItem* row = main->findChild<QTreeWidget*>("dispatcherList")->topLevelItem(0);
          firstRow = {row->text(0), row->text(1)};
          if (row->text(1) != "CtP_platedriver" && waiting.elapsed() < 60000) return;
          lockedInWindow = store::CInstallationLock::HeldHere();
          main->close();
        }
      });
      waiting.start();
      closer.start(10);
    });
    frame::CRvcApp app(services);
    QCOMPARE(app.Run({"Tiffmono", "-i"}), 0);

    QCOMPARE(installer.ran, std::string("1 Tiffmono"));
    // The first dispatcher's name; for Tiffmono a platesetter type is proposed.
    QCOMPARE(asked, (QStringList{"New Dispatcher", "Mono", "CtP_platedriver", "", "kept open"}));
    QVERIFY2(driver.unexpected.isEmpty(), qPrintable(driver.unexpected.join(", ")));  // no Modify dialog
    QCOMPARE(firstRow, (QStringList{"Mono", "CtP_platedriver"}));
    QVERIFY(!lockedInWindow);
    QVERIFY(test::ReadFile(sample.Path("config/trace_rvc_install.txt")).ends_with("\tRVC::Stop\n"));
  }

 private:
  CQtUserInterface qt_;
  ScopedUserInterface scoped_{qt_};
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::ModifyDispatcherViewTest)
#include "modify_dispatcher_view_test.moc"
