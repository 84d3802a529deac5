// The plug-in editors of the configuration dialog and the set editor, with the sample
// libraries: each is called with its arguments instead of the built-in dialog, an old
// library (version 0.9) shows nothing, and the lists are refreshed afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ripconfig/configuration_dialog.h"
#include "ripconfig/resolution_dialogs.h"
#include "tests/ripconfig/dispatcher_files.h"
#include "tests/support/plugin_samples.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::ripconfig {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Case {
  const char* name;
  const char* item;
  const char* sample;
  void (CConfiguration::*command)();
  std::vector<std::string> calls;
};

class EditorPluginsTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    testing::WriteDispatcher(dir);
    test::WriteFile(dir / "Press/data/zvPress_dispatcher.ini", "[global]\noutput=Press\n");
    test::WriteFile(dir / "Press/data/Press.fid", "[BitsPerSpot]\nValue=1\n");
    context.handle = ravlcfg_open(dir / "Press/data/zv_config.res");
    ASSERT_NE(context.handle, nullptr);
    context.configPath = dir / "Press/data/zv_config.res";
    context.programFolder = dir / "prog/";
    context.deviceType = "Press";
  }
  void TearDown() override { ravlcfg_close(&context.handle); }
  void Table(const std::string& item, const std::string& sample) {
    test::WriteFile(dir / "prog/dat/types.dat", "[Press]\n" + item + "=" + test::PluginSample(sample) + "\n");
  }
  std::vector<std::string> Calls() { return test::PluginCalls(dir / "calls.txt"); }

  test::TempDir dir;
  test::ScopedEnv noInstallation{"RAVLIN_ENVIRONMENT_FILE", dir / "no-environment"};
  test::ScopedEnv traceFolder{"KW_DATA_RAVLINCONFIG", dir.Path()};
  test::ScopedEnv log{"RVC_PLUGIN_SAMPLE_LOG", dir / "calls.txt"};
  ui::HeadlessUserInterface ui;
  ui::ScopedUserInterface scoped{ui};
  EditorContext context;
};

TEST_P(EditorPluginsTest, ReplaceTheBuiltInDialog) {
  const Case& c = GetParam();
  Table(c.item, c.sample);
  CConfiguration dialog(context, EditorMode::Modify, "A4");
  dialog.OnInitDialog();
  dialog.OnMediaClick(0);
  dialog.OnSetClick(1);
  const auto media = dialog.Media, sets = dialog.Sets;
  (dialog.*c.command)();
  EXPECT_THAT(ui.DialogsRun(), IsEmpty());
  std::vector<std::string> expected = c.calls;
  for (std::string& call : expected) call.replace(call.find("<prog>"), 6, dir / "prog/");
  EXPECT_EQ(Calls(), expected);
  EXPECT_EQ(dialog.Media.names, media.names);
  EXPECT_EQ(dialog.Sets.selected, sets.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, EditorPluginsTest,
    ::testing::Values(
        Case{"NewMedia", "mediadll", "media", &CConfiguration::OnMediaNew, {"media NewMediaDlg(set, 1, <prog>, trace)"}},
        Case{"ModifyMedia", "mediadll", "media", &CConfiguration::OnMediaModify,
             {"media ModifyMediaDlg(Maxsize, set, 0, <prog>, trace)"}},
        Case{"ViewSet", "resolutiondll", "resolution", &CConfiguration::OnSetView,
             {"resolution ViewResolutionDlg(set_1, set, 0, <prog>, trace)"}},
        Case{"OldMedia", "mediadll", "version09", &CConfiguration::OnMediaNew, {}},
        Case{"OldSet", "resolutiondll", "version09", &CConfiguration::OnSetModify, {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(EditorPluginsTest, AValueAddedByThePluginIsLoggedAndShown) {
  Table("resandcaldll", "resandcal");
  CResolution sets(context, EditorMode::Modify, "set_1");
  sets.OnInitDialog();
  sets.OnAdd();
  EXPECT_THAT(ui.DialogsRun(), IsEmpty());
  ASSERT_EQ(sets.Log().Changes().size(), 1u);
  EXPECT_EQ(sets.Log().Changes()[0].action, ResolutionChangeLog::Action::New);
  EXPECT_EQ(sets.Log().Changes()[0].resolution, 1200);
  EXPECT_EQ(sets.Rows.back().value, "1200");
  EXPECT_THAT(Calls(), ElementsAre("resandcal ModifyResAndCalDlg(set, set_1, 0, trace)", "resandcal getAddedSet()",
                                   "resandcal getAddedRes()"));
}

}  // namespace
}  // namespace rvc::ripconfig
