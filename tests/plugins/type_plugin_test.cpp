// Loading the plug-in library a device type names, with the sample libraries.
#include "plugins/type_plugin.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/plugin_samples.h"
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
