// The Setup page's view in a tab of its own, on the offscreen platform: it is a widget of
// the tab, shows the variables and folders, runs the "Environment Variable" dialog for
// Modify with the VDP_MODE rule, and disables its buttons in view mode.
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "gui/qt_user_interface.h"
#include "settings/setup_page.h"
#include "tests/gui/qt_test_support.h"
#include "tests/support/test_support.h"

namespace rvc::ui {
namespace {

using test::ModalDriver;

using test::Find;

class SettingsPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::RegisterAllViews(); }

  void setupPageEditsInItsTab() {
    const std::string ini = dir_ / "VovodoDizeza/Press/data/zvPress_dispatcher.ini";
    test::WriteFile(ini, "[folder]\nhotfolder=/rip/hot/\n\n[environment]\nRIP_MEMORY=512\nVDP_MODE=VDP\n");
    settings::CSetup page(ini);
    page.Load();
    QTabWidget tabs;
    std::unique_ptr<CDialogView> view = MakeView(page, &tabs);
    QVERIFY(view != nullptr);
    tabs.addTab(view.get(), "Setup");
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    QVERIFY(!view->isWindow());

    auto* list = Find<QTreeWidget>(view.get(), "environmentList");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(Find<QLineEdit>(view.get(), "hotFolderEdit")->text(), QString("/rip/hot/"));
    QVERIFY(!Find<QPushButton>(view.get(), "modifyButton")->isEnabled());

    QTreeWidgetItem* vdp = list->topLevelItem(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(vdp).center());
    QVERIFY(Find<QPushButton>(view.get(), "modifyButton")->isEnabled());
    ModalDriver driver;
    driver.Expect("EnvironmentVariableView", [](QWidget* dialog) {
      QVERIFY(!Find<QLineEdit>(dialog, "variableEdit")->isEnabled());
      Find<QLineEdit>(dialog, "valueEdit")->setText("full");
      QTest::keyClick(dialog, Qt::Key_Return);
    });
    Find<QPushButton>(view.get(), "modifyButton")->click();
    QCOMPARE(list->topLevelItem(1)->text(1), QString("STATIC"));
    QCOMPARE(driver.messages.size(), 1);
    QCOMPARE(driver.messages[0].text, QString(settings::CSetup::kVdpWarning));
    QVERIFY(driver.unexpected.isEmpty());
    QVERIFY(driver.AllHandled());

    const std::string before = test::ReadFile(ini);
    page.Save();
    QVERIFY(test::ReadFile(ini) != before);
    QVERIFY(test::ReadFile(ini).find("VDP_MODE=STATIC") != std::string::npos);

    settings::CSetup shown(ini, /*viewOnly=*/true);
    shown.Load();
    std::unique_ptr<CDialogView> readOnly = MakeView(shown, &tabs);
    for (const char* button : {"newButton", "modifyButton", "deleteButton", "hotFolderBrowse", "channel2Browse"}) {
      QVERIFY2(!Find<QPushButton>(readOnly.get(), button)->isEnabled(), button);
    }
  }

 private:
  test::TempDir dir_;
  test::ScopedEnv trace_{"KW_DATA_RAVLINCONFIG", dir_.Path()};
  CQtUserInterface qt_;
  ScopedUserInterface scoped_{qt_};
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::SettingsPagesTest)
#include "settings_pages_test.moc"
