// The sample plug-in libraries make their pages as Qt widgets on the tab control they are
// given, and read them back in OnOK / OnOKExt.
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "platform/plugin_library.h"
#include "plugins/plugin_api.h"
#include "tests/support/plugin_samples.h"

namespace rvc::ui {
namespace {

class PluginPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void pagesAreWidgetsOnTheTabControl() {
    std::string error;
    auto dispatcher = platform::PluginLibrary::Load(test::PluginSample("dispatcher"), &error);
    auto general = platform::PluginLibrary::Load(test::PluginSample("general"), &error);
    QVERIFY2(dispatcher != nullptr && general != nullptr, error.c_str());

    QTabWidget tabs;
    auto* page = static_cast<QWidget*>(
        general->Export<RvcGetGeneralTabTraceFn>("GetGeneralTab")(&tabs, "/d", "Lux", "/p/", nullptr));
    QVERIFY(page != nullptr && page->parent() == &tabs);
    tabs.addTab(page, "General");
    void** pages = dispatcher->Export<RvcGetExtraTabSheetsTraceFn>("GetExtraTabSheets")(&tabs, nullptr, "/p/", "/d",
                                                                                        "Lux", nullptr);
    const char** captions = dispatcher->Export<RvcGetCaptionsFn>("GetCaptions")();
    for (int i = 0; pages[i] != nullptr; ++i) tabs.addTab(static_cast<QWidget*>(pages[i]), captions[i]);
    QCOMPARE(tabs.count(), 3);
    QCOMPARE(tabs.tabText(2), QString("Calibration"));

    auto* onOk = dispatcher->Export<RvcOnOKExtFn>("OnOKExt");
    QCOMPARE(onOk(pages[0]), 0);
    static_cast<QWidget*>(pages[0])->findChild<QLineEdit*>("sampleField")->setText("refuse");
    QCOMPARE(onOk(pages[0]), -1);
    QCOMPARE(onOk(pages[1]), 0);
  }
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::PluginPagesTest)
#include "plugin_pages_test.moc"
