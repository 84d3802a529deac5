// A plug-in library registers the view of its own dialog model when the program loads it
// through platform::PluginLibrary, and takes it away again when it is unloaded.
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/qt_user_interface.h"
#include "gui/view_registry.h"
#include "platform/plugin_library.h"
#include "tests/gui/plugin_page.h"
#include "tests/gui/qt_test_support.h"

namespace rvc::ui {
namespace {

class ViewPluginTest : public QObject {
  Q_OBJECT

 private slots:
  void aLoadedPluginShowsItsViewUntilItIsUnloaded() {
    RegisterViewsOfLoadedPlugins();
    test::ModalDriver driver;
    CQtUserInterface qt;
    ScopedUserInterface scoped(qt);
    test::PluginPage page;
    page.Text = "Colour bars";

    std::string error;
    std::unique_ptr<platform::PluginLibrary> library = platform::PluginLibrary::Load(RVC_VIEW_PLUGIN, &error);
    QVERIFY2(library != nullptr, error.c_str());
    driver.Expect("PluginPageView", [](QWidget* dialog) {
      QCOMPARE(dialog->findChild<QLabel*>("pageText")->text(), QString("Colour bars"));
      dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(qt.RunDialog(page), DialogResult::Ok);

    library.reset();
    QCOMPARE(qt.RunDialog(page), DialogResult::Cancel);
    QCOMPARE(driver.messages.size(), 1);
    QCOMPARE(driver.messages[0].text,
             QString("The dialog \"PluginPage\" is not available yet in this version of Ravlin Configurator."));
    QVERIFY(driver.unexpected.isEmpty());
    QVERIFY(driver.AllHandled());
  }
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::ViewPluginTest)
#include "view_plugin_test.moc"
