// Loading the plug-in library a device type names, with the sample libraries.
#include "plugins/type_plugin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/plugin_samples.h"
#include "tests/support/sample_installation.h"
#include "tests/support/test_support.h"

namespace rvc::plugins {
namespace {

using test::PluginCalls;
using test::PluginSample;
using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

using State = TypePlugin::State;

struct Case {
  const char* name;
  const char* luxItems;  // items of the type's topic "Lux"
  const char* allItems;  // items of topic "All"
  const char* item;      // the item asked for
  State state;
  bool withTrace;
};

class TypePluginTest : public ::testing::TestWithParam<Case> {
 protected:
  // "<dir>/prog/dat/types.dat" with `@name@` replaced by the path of sample `name`.
  std::string Table(const std::string& lux, const std::string& all) {
    std::string text = "[All]\n" + all + "\n[Lux]\n" + lux + "\n";
    for (size_t at; (at = text.find('@')) != std::string::npos;) {
      const size_t end = text.find('@', at + 1);
      text.replace(at, end - at + 1, PluginSample(text.substr(at + 1, end - at - 1)));
    }
    WriteFile(dir / "prog/dat/types.dat", text);
    return dir / "prog/";
  }

  TempDir dir;
  ScopedEnv noInstallation{"RAVLIN_ENVIRONMENT_FILE", dir / "no-environment"};
  ScopedEnv traceFolder{"KW_DATA_RAVLINCONFIG", dir.Path()};
  ScopedEnv log{"RVC_PLUGIN_SAMPLE_LOG", dir / "calls.txt"};
};

TEST_P(TypePluginTest, FollowsTheTableAndTheVersionRule) {
  const Case& c = GetParam();
  const TypePlugin plugin = TypePlugin::Load(Table(c.luxItems, c.allItems), "lux", c.item);
  EXPECT_EQ(plugin.GetState(), c.state);
  EXPECT_EQ(plugin.WithTrace(), c.withTrace);
  EXPECT_EQ(plugin.Trace() != nullptr, c.withTrace);
  EXPECT_EQ(plugin.Library() != nullptr, c.state != State::kAbsent);
  // An unusable library offers no export, even one it has.
  EXPECT_EQ(plugin.Find<RvcGetVersionNrFn>("GetVersionNr") != nullptr, c.withTrace);
  EXPECT_EQ(PluginCalls(dir / "calls.txt"), std::vector<std::string>{}) << "loading calls nothing but GetVersionNr";
  EXPECT_EQ(ReadFile(dir / "trace_rvc.txt").find(std::string(c.item) + " of lux not used: its GetVersionNr gives 0.") !=
                std::string::npos,
            c.state == State::kUnusable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypePluginTest,
    ::testing::Values(
        Case{"Version10", "configurationdll=@configuration@", "", "configurationdll", State::kUsable, true},
        Case{"Version05", "generaldll=@version05@", "", "generaldll", State::kUnusable, false},
        Case{"Version09", "mediadll=@version09@", "", "mediadll", State::kUnusable, false},
        Case{"NoVersion", "dispatcherdll=@old_style@", "", "dispatcherdll", State::kUsable, false},
        Case{"AllFallback", "generaldll=@version05@", "resolutiondll=@resolution@", "resolutiondll", State::kUsable,
             true},
        Case{"TypeBeforeAll", "mediadll=@media@", "mediadll=@version05@", "mediadll", State::kUsable, true},
        Case{"NothingNamed", "generaldll=@general@", "mediadll=@media@", "backupdll", State::kAbsent, false},
        Case{"BareNameFromTheLoadersSearch", "generaldll=libc.so.6", "", "generaldll", State::kUsable, false},
        Case{"MissingLibrary", "generaldll=/nonexistent/librvc_missing.so", "", "generaldll", State::kAbsent,
             false}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST_F(TypePluginTest, WithoutATableThePluginIsAbsent) {
  EXPECT_TRUE(TypePlugin::Load(dir / "prog/", "Lux", kGeneralDll).IsAbsent());
}

TEST_F(TypePluginTest, FindsTypedExportsAndNothingForMissingOnes) {
  const TypePlugin plugin = TypePlugin::Load(Table("configurationdll=@configuration@", ""), "Lux", kConfigurationDll);
  ASSERT_TRUE(plugin.IsUsable());
  EXPECT_EQ(plugin.Find<RvcGetGeneralTabTraceFn>("GetGeneralTab"), nullptr);
  auto* dialog = plugin.Find<RvcNewConfigurationDlgTraceFn>("NewConfigurationDlg");
  ASSERT_NE(dialog, nullptr);

  int configuration = 0;
  dialog(&configuration, 1, "/opt/prog/", "/opt/data/Lux/data/zv_config.res", "Lux", plugin.Trace());
  const std::string line = "configuration NewConfigurationDlg(set, 1, /opt/prog/, /opt/data/Lux/data/zv_config.res, Lux, trace)";
  EXPECT_EQ(PluginCalls(dir / "calls.txt"), std::vector<std::string>{line});
  EXPECT_NE(ReadFile(dir / "trace_rvc.txt").find("\tRVC::" + line + "\n"), std::string::npos) << "through the trace";
}

TEST_F(TypePluginTest, MovingHandsTheLibraryOver) {
  TypePlugin plugin = TypePlugin::Load(Table("generaldll=@general@", ""), "Lux", kGeneralDll);
  TypePlugin moved = std::move(plugin);
  EXPECT_TRUE(plugin.IsAbsent());  // NOLINT(bugprone-use-after-move): moved-from is absent
  EXPECT_EQ(plugin.Find<RvcOnOKFn>("OnOK"), nullptr);
  EXPECT_TRUE(moved.WithTrace());
  EXPECT_NE(moved.Find<RvcOnOKFn>("OnOK"), nullptr);
}

// Call adds the trace object exactly for libraries of version 1.0 and above.
TEST_F(TypePluginTest, CallAddsTheTraceByTheVersion) {
  struct Expected {
    const char* sample;
    std::optional<int> result;
    const char* call;
  };
  for (const Expected& e : {Expected{"media", 1, "media NewMediaDlg(set, 1, /f, trace)"},
                            Expected{"old_style", 1, "old_style NewMediaDlg(set, 1, /f)"},
                            Expected{"version09", std::nullopt, nullptr},
                            Expected{"configuration", std::nullopt, nullptr}}) {
    std::filesystem::remove(dir / "calls.txt");
    const TypePlugin plugin = TypePlugin::Load(Table("mediadll=@" + std::string(e.sample) + "@", ""), "Lux", kMediaDll);
    int configuration = 0;
    EXPECT_EQ((plugin.Call<RvcNewMediaDlgFn, RvcNewMediaDlgTraceFn>("NewMediaDlg", &configuration, 1, "/f")), e.result)
        << e.sample;
    EXPECT_EQ(PluginCalls(dir / "calls.txt"), e.call ? std::vector<std::string>{e.call} : std::vector<std::string>{})
        << e.sample;
  }
}

// Without a tab control the pages are handles of the library; OnOKExt refuses a page whose
// field holds "refuse" (RVC_PLUGIN_SAMPLE_TEXT gives the fields their text).
TEST_F(TypePluginTest, DispatcherSampleWithoutATabControl) {
  ScopedEnv text("RVC_PLUGIN_SAMPLE_TEXT", "refuse");
  const TypePlugin plugin = TypePlugin::Load(Table("dispatcherdll=@dispatcher@", ""), "Lux", kDispatcherDll);
  ASSERT_TRUE(plugin.WithTrace());
  void** pages = plugin.Find<RvcGetExtraTabSheetsTraceFn>("GetExtraTabSheets")(nullptr, nullptr, "/p/", "/d", "Lux",
                                                                              plugin.Trace());
  ASSERT_NE(pages, nullptr);
  EXPECT_NE(pages[0], nullptr);
  EXPECT_NE(pages[1], nullptr);
  EXPECT_EQ(pages[2], nullptr);
  const char** captions = plugin.Find<RvcGetCaptionsFn>("GetCaptions")();
  EXPECT_STREQ(captions[0], "Device");
  EXPECT_STREQ(captions[1], "Calibration");
  EXPECT_EQ(plugin.Find<RvcOnOKExtFn>("OnOKExt")(pages[0]), -1);
  plugin.Find<RvcOnCancelFn>("OnCancel")(pages[1]);
  EXPECT_EQ(PluginCalls(dir / "calls.txt"),
            (std::vector<std::string>{"dispatcher GetExtraTabSheets(null, null, /p/, /d, Lux, trace)",
                                      "dispatcher GetCaptions()", "dispatcher OnOKExt(refuse)",
                                      "dispatcher OnCancel(refuse)"}));
}

// The bundled sample installation names sample libraries for two of its device types.
TEST(SampleInstallationPluginsTest, TwoTypesHavePlugins) {
  test::SampleInstallation sample({""}, {"RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG", "RAVLIN_ENVIRONMENT_FILE"});
  struct Expected {
    const char* flavour;
    const char* type;
    const char* item;
    bool usable;
  };
  for (const Expected& e : {Expected{"Tiffmono", "CtP_platedriver", kDispatcherDll, true},
                            Expected{"Tiffmono", "CtP_platedriver", kSynchronizeDll, true},
                            Expected{"Approval", "Platesetter", kGeneralDll, true},
                            Expected{"Tiffmono", "Imagesetter_Film", kDispatcherDll, false},
                            Expected{"Approval", "Platesetter", kConfigurationDll, false}}) {
    const TypePlugin plugin = TypePlugin::Load(sample / ("prog/" + std::string(e.flavour) + "/"), e.type, e.item);
    EXPECT_EQ(plugin.IsUsable(), e.usable) << e.flavour << " " << e.type << " " << e.item;
    EXPECT_EQ(plugin.WithTrace(), e.usable) << e.flavour << " " << e.type << " " << e.item;
  }
}

TEST(PluginTraceTest, WritesIntoTheTraceItIsGiven) {
  struct Lines : IRvcTrace {
    void Trace(std::string_view message) override { lines.emplace_back(message); }
    std::vector<std::string> lines;
  } lines;
  CPluginTrace trace(lines);
  trace.Get()->trace(trace.Get()->context, "from a plug-in");
  EXPECT_EQ(lines.lines, std::vector<std::string>{"from a plug-in"});
}

}  // namespace
}  // namespace rvc::plugins
