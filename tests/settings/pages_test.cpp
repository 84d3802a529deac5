// The General, Setup and Swapfiles pages, headless: the rules of each page, and that only
// Save() reaches the files.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "platform/window_lookup.h"
#include "settings/configuration_plugin.h"
#include "settings/environment_variable_dialog.h"
#include "settings/general_page.h"
#include "settings/setup_page.h"
#include "settings/swap_files_page.h"
#include "tests/ripconfig/dispatcher_files.h"
#include "tests/support/plugin_samples.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::settings {
namespace {

using test::ReadFile;
using test::WriteFile;
using Names = std::vector<std::string>;

class RunningWindows : public platform::IWindowLookup {
 public:
  bool TopLevelWindowExists(const std::string& title) override { return title == running; }
  std::string running;
};

class PagesTest : public ::testing::Test {
 protected:
  // The configurations maxsize, A4 (in use) and Letter, or only those named in `confs`.
  std::string WriteConfiguration(const std::string& confs = "maxsize A4 Letter") {
    const std::string config = ripconfig::testing::WriteDispatcher(dir_);
    std::string text = ReadFile(config);
    text.replace(text.find("confs=maxsize A4"), 16, "confs=" + confs);
    text += "\n[Letter]\nname=Letter\nfilm=A4\nset=set_1\noutput=\nvsize=11000\nhsize=8500\npolarity=1\ncurve=\n";
    WriteFile(config, text);
    return config;
  }
  std::unique_ptr<CGeneral> General(const std::string& config, bool viewOnly = false) {
    store::DispatcherRecord record{"Tiffmono", "Press", "CtP_platedriver", "Press", 2, 5204};
    auto page = std::make_unique<CGeneral>(record, config, nullptr, viewOnly);
    page->Load();
    return page;
  }
  std::string Ini(const std::string& folder = "Press") {
    const std::string ini = dir_ / (folder + "/data/zvPress_dispatcher.ini");
    WriteFile(ini,
              "[PavoNet]\ncommandport=5204\nldir1=/rip/l1\n\n[environment]\n;@ memory\nRIP_MEMORY=512\nVDP_MODE=STATIC\n");
    return ini;
  }
  std::unique_ptr<CSwapfilesPage> Swap(const std::vector<int>& counts) {
    std::vector<std::string> paths;
    for (size_t file = 0; file < counts.size(); ++file) {
      std::string text = "[persistent]\n";
      for (int i = 0; i < counts[file]; ++i) text += "/swap/" + std::to_string(file) + "/" + std::to_string(i) + "/\n";
      paths.push_back(dir_ / ("Press/data/swap_" + std::to_string(file) + ".sfd"));
      WriteFile(paths.back(), text + "[volatile]\n");
    }
    auto page = std::make_unique<CSwapfilesPage>(paths[0], paths[1], paths[2]);
    page->Load();
    return page;
  }
  std::vector<std::string> Messages() const { return ui_.MessageTexts(); }

  test::TempDir dir_;
  test::ScopedEnv trace_{"KW_DATA_RAVLINCONFIG", dir_.Path()};
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  RunningWindows windows_;
  platform::ScopedWindowLookup scopedWindows_{windows_};
};

struct DeleteCase {
  std::string confs;
  std::string select;
  ui::Answer answer;
  Names left;
  std::string inUse;  // the configuration marked in use afterwards
  int message;        // the message shown first
};

class GeneralDeleteTest : public PagesTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(GeneralDeleteTest, DeletesOnlyWhatMayGoAndKeepsTheMarkOnTheConfigurationInUse) {
  const DeleteCase& c = GetParam();
  auto page = General(WriteConfiguration(c.confs));
  page->Select(page->IndexOf(c.select));
  ui_.QueueAnswer(c.answer);
  page->OnDelete();
  EXPECT_EQ(page->Configurations(), c.left);
  ASSERT_GE(page->InUseIndex(), 0);
  EXPECT_EQ(page->Configurations()[static_cast<size_t>(page->InUseIndex())], c.inUse);
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages().front(), MessageText(c.message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneralDeleteTest,
    ::testing::Values(DeleteCase{"maxsize A4 Letter", "maxsize", ui::Answer::Yes, {"A4", "Letter"}, "A4",
                                 msg::kAskDeleteConfiguration},
                      DeleteCase{"maxsize A4 Letter", "Letter", ui::Answer::Yes, {"maxsize", "A4"}, "A4",
                                 msg::kAskDeleteConfiguration},
                      DeleteCase{"maxsize A4 Letter", "maxsize", ui::Answer::No, {"maxsize", "A4", "Letter"}, "A4",
                                 msg::kAskDeleteConfiguration},
                      DeleteCase{"maxsize A4 Letter", "A4", ui::Answer::Yes, {"maxsize", "A4", "Letter"}, "A4",
                                 msg::kLastConfiguration},
                      DeleteCase{"A4", "A4", ui::Answer::Yes, {"A4"}, "A4", msg::kLastConfiguration}));

TEST_F(PagesTest, GeneralWritesOnlyOnSaveAndHoldsTheWriteLockWhileItLives) {
  const std::string config = WriteConfiguration();
  const std::string before = ReadFile(config);
  {
    auto page = General(config);
    EXPECT_EQ(page->Configurations(), (Names{"maxsize", "A4", "Letter"}));
    EXPECT_EQ(page->SelectedIndex(), 1);
    // A second editor of the same dispatcher only shows it.
    auto second = General(config);
    EXPECT_TRUE(second->ViewOnly());
    EXPECT_FALSE(second->Enabled(CGeneral::Button::New));
    page->OnDoubleClick(2);
    EXPECT_EQ(page->InUseIndex(), 2);
    EXPECT_TRUE(page->HasChanges());
  }
  EXPECT_EQ(ReadFile(config), before);  // destroyed without Save: Cancel

  auto page = General(config);
  EXPECT_FALSE(page->ViewOnly());  // the lock went with the pages
  page->Select(0);
  page->OnUseAsDefault();
  page->Save();
  EXPECT_NE(ReadFile(config).find("used=maxsize"), std::string::npos);
}

TEST_F(PagesTest, GeneralAppliesThePpdOnOpeningAndKeepsItsLock) {
  const std::string config = WriteConfiguration();
  store::DispatcherRecord record{"Tiffmono", "Press", "Generic_FromPPD", "Press", 2, 5204};
  CGeneral page(record, config, nullptr);
  page.PpdOptions = lifecycle::PpdOptions{"Setter.ppd", "Setter", 612, 792, {1200, 2400}};
  page.Load();
  EXPECT_TRUE(page.HasChanges());
  EXPECT_TRUE(page.Config()->HasWriteLock());
  page.Save();
  EXPECT_NE(ReadFile(config).find("origin=FROM_PPD_Setter"), std::string::npos);
}

TEST_F(PagesTest, GeneralInViewModeChangesNothing) {
  auto page = General(WriteConfiguration(), /*viewOnly=*/true);
  for (auto button : {CGeneral::Button::New, CGeneral::Button::Modify, CGeneral::Button::Delete,
                      CGeneral::Button::UseAsDefault}) {
    EXPECT_FALSE(page->Enabled(button));
  }
  EXPECT_TRUE(page->Enabled(CGeneral::Button::View));
  page->OnDoubleClick(0);
  EXPECT_EQ(page->InUseIndex(), 1);
  EXPECT_FALSE(page->HasChanges());
}

TEST_F(PagesTest, GeneralRefusesToSaveForARunningDispatcher) {
  auto page = General(WriteConfiguration());
  EXPECT_FALSE(page->Validate());
  windows_.running = "Dispatcher for Press (10.1)";
  ASSERT_TRUE(page->Validate());
  EXPECT_EQ(page->Validate()->message, "Dispatcher Press is running.\nYou cannot save changes for a running dispatcher.");
  page->SetViewOnly(true);
  EXPECT_FALSE(page->Validate());
}

TEST_F(PagesTest, GeneralRunsThePluginElseTheBuiltInEditor) {
  auto page = General(WriteConfiguration());
  const ConfigurationEditors defaults = CurrentConfigurationEditors();
  std::vector<std::string> calls;
  PluginOutcome outcome = PluginOutcome::Absent;
  SetConfigurationEditors({[&](const ConfigurationEditRequest& request) {
                             calls.push_back("plugin " + request.name);
                             return outcome;
                           },
                           [&](const ConfigurationEditRequest& request) {
                             calls.push_back("built-in " + request.name);
                             // The editor adds a configuration; the list shows it afterwards.
                             ripconfig::ravlcfg_get_new_conf(request.config)->name = "Tabloid";
                           }});
  page->OnModify();
  outcome = PluginOutcome::Done;
  page->OnView();
  SetConfigurationEditors(defaults);
  EXPECT_EQ(calls, (Names{"plugin A4", "built-in A4", "plugin A4"}));
  EXPECT_EQ(page->Configurations(), (Names{"maxsize", "A4", "Letter", "Tabloid"}));
  EXPECT_EQ(page->SelectedIndex(), 1);
}

struct PluginCase {
  std::string library;  // the sample named by "configurationdll"; "" for none
  ConfigurationEditorMode mode;
  PluginOutcome outcome;
  Names calls;
};

class ConfigurationPluginTest : public PagesTest, public ::testing::WithParamInterface<PluginCase> {};

TEST_P(ConfigurationPluginTest, RunsTheLibraryOfTheTypeUnderTheVersionRule) {
  const PluginCase& c = GetParam();
  const std::string library = c.library.empty() ? "" : test::PluginSample(c.library);
  WriteFile(dir_ / "prog/dat/types.dat", "[All]\nconfigurationdll=\n[Press]\nconfigurationdll=" + library + "\n");
  test::ScopedEnv log("RVC_PLUGIN_SAMPLE_LOG", dir_ / "calls.txt");
  ConfigurationEditRequest request{c.mode, "A4", nullptr, dir_ / "prog/", "/d/zv_config.res", "Press"};
  EXPECT_EQ(RunConfigurationPlugin(request), c.outcome);
  Names calls = c.calls;
  for (std::string& call : calls) call.replace(call.find("PROG"), 4, dir_ / "prog/");
  EXPECT_EQ(test::PluginCalls(dir_ / "calls.txt"), calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigurationPluginTest,
    ::testing::Values(
        PluginCase{"configuration", ConfigurationEditorMode::Modify, PluginOutcome::Done,
                   {"configuration ModifyConfigurationDlg(A4, null, 0, PROG, /d/zv_config.res, Press, trace)"}},
        PluginCase{"configuration", ConfigurationEditorMode::New, PluginOutcome::Done,
                   {"configuration NewConfigurationDlg(null, 1, PROG, /d/zv_config.res, Press, trace)"}},
        PluginCase{"version05", ConfigurationEditorMode::View, PluginOutcome::Done, {}},
        PluginCase{"", ConfigurationEditorMode::View, PluginOutcome::Absent, {}}));

TEST_F(PagesTest, GeneralReportsCorruptConfigurations) {
  const std::string config = WriteConfiguration();
  std::remove((dir_ / "Press/data/zv_recorder.res").c_str());
  auto page = General(config);
  EXPECT_TRUE(page->Failed());
  EXPECT_EQ(Messages(), (Names{MessageText(msg::kCorruptResourceFiles)}));
}

struct VdpCase {
  std::string path;
  std::string name;
  std::string value;
  std::string kept;
};

class VdpRuleTest : public ::testing::TestWithParam<VdpCase> {};

TEST_P(VdpRuleTest, OnlyStaticOrVdpPartsAreKeptInAVovodoDizezaInstallation) {
  const VdpCase& c = GetParam();
  EXPECT_EQ(CSetup::VdpModeRule(c.path, c.name, c.value), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Cases, VdpRuleTest,
                         ::testing::Values(VdpCase{"/opt/VovodoDizeza/d/zvA_dispatcher.ini", "VDP_MODE", "vdp", "vdp"},
                                           VdpCase{"/opt/VovodoDizeza/d/zvA_dispatcher.ini", "vdp_mode", "full", "STATIC"},
                                           VdpCase{"/opt/VovodoDizeza/d/zvA_dispatcher.ini", "VDP_MODE", "tic", "tic"},
                                           VdpCase{"/opt/VOVODODIZEZA/zvA_dispatcher.ini", "VDP_MODE", "C|V", "C|V"},
                                           VdpCase{"/opt/VovodoDizeza/d/zvA_dispatcher.ini", "RIP_MEMORY", "full", "full"},
                                           VdpCase{"/opt/ravlin/d/zvA_dispatcher.ini", "VDP_MODE", "full", "full"}));

TEST_F(PagesTest, SetupEditsTheEnvironmentWithTheVdpRuleOnModifyOnly) {
  const std::string ini = Ini("VovodoDizeza");
  CSetup page(ini);
  page.Load();
  EXPECT_EQ(page.Rows(), (std::vector<EnvironmentRow>{{"RIP_MEMORY", "512", "memory"}, {"VDP_MODE", "STATIC", ""}}));
  EXPECT_FALSE(page.RowButtonsEnabled());
  page.Click(1);
  ui_.QueueDialog("EnvironmentVariable", [](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CEnvironmentVariables&>(model);
    dialog.Value = "full";
    dialog.Comment = "mode";
    return ui::DialogResult::Ok;
  });
  page.OnModify();
  EXPECT_EQ(page.Rows()[1], (EnvironmentRow{"VDP_MODE", "STATIC", "mode"}));
  EXPECT_EQ(Messages(), (Names{CSetup::kVdpWarning}));
  page.AddVariable({"VDP_MODE2", "full", ""});
  page.Click(0);
  page.OnDelete();
  ui_.QueueFolder("/rip/hot/");
  page.OnBrowse(CSetup::HotFolder);
  EXPECT_EQ(ui_.FolderTitles(), (Names{"Select directory for Hot Folder"}));

  const std::string before = ReadFile(ini);
  page.Save();
  const std::string after = ReadFile(ini);
  EXPECT_NE(after, before);
  CSetup reread(ini);
  reread.Load();
  EXPECT_EQ(reread.Rows(), (std::vector<EnvironmentRow>{{"VDP_MODE", "STATIC", "mode"}, {"VDP_MODE2", "full", ""}}));
  EXPECT_EQ(reread.FolderText(CSetup::HotFolder), "/rip/hot/");
  EXPECT_EQ(reread.FolderText(CSetup::Channel1), "/rip/l1");
}

TEST_F(PagesTest, CancelLeavesEveryFileAsItWas) {
  const std::string ini = Ini();
  const std::string config = WriteConfiguration();
  auto swap = Swap({2, 2, 2});
  const auto before = test::Snapshot(dir_.Path());
  {
    auto general = General(config);
    general->Select(0);
    general->OnUseAsDefault();
    CSetup setup(ini);
    setup.Load();
    setup.SetFolder(CSetup::Channel2, "/elsewhere/");
    setup.AddVariable({"X", "1", ""});
    swap->AddFolder(0, "/more");
    EXPECT_TRUE(setup.HasChanges() && swap->HasChanges() && general->HasChanges());
  }
  swap.reset();
  EXPECT_EQ(test::Snapshot(dir_.Path()), before);
}

struct SwapCase {
  std::vector<int> counts;
  std::string operation;  // "add FOLDER" or "remove ROW", on file 1
  bool done;
  size_t entriesAfter;
  bool refused119;
};

class SwapfilesPageTest : public PagesTest, public ::testing::WithParamInterface<SwapCase> {};

TEST_P(SwapfilesPageTest, AddsUpToTenDistinctFoldersAndKeepsTheLast) {
  const SwapCase& c = GetParam();
  auto page = Swap(c.counts);
  const std::string argument = c.operation.substr(c.operation.find(' ') + 1);
  bool done = false;
  if (c.operation.rfind("add", 0) == 0) {
    ui_.QueueFolder(argument);
    done = page->OnAdd(1);
  } else {
    page->Click(std::stoi(argument));
    done = page->OnRemove(1);
  }
  EXPECT_EQ(done, c.done);
  EXPECT_EQ(page->Entries(1).size(), c.entriesAfter);
  EXPECT_EQ(!Messages().empty() && Messages().front() == MessageText(msg::kCannotDelete, Names{"this swapfile"}),
            c.refused119);
}

INSTANTIATE_TEST_SUITE_P(Cases, SwapfilesPageTest,
                         ::testing::Values(SwapCase{{1, 3, 1}, "add /new", true, 4, false},
                                           SwapCase{{1, 3, 1}, "add /SWAP/1/2", false, 3, false},
                                           SwapCase{{1, 10, 1}, "add /new", false, 10, false},
                                           SwapCase{{1, 3, 1}, "add ", false, 3, false},
                                           SwapCase{{1, 3, 1}, "remove 1", true, 2, false},
                                           SwapCase{{1, 1, 1}, "remove 0", false, 1, true},
                                           SwapCase{{1, 3, 1}, "remove 7", false, 3, false}));

}  // namespace
}  // namespace rvc::settings
