// The Modify and View dialog and the application of its changes, on a copy of the sample
// installation: opening, the OK checks, each kind of change, and a failure or a kill at
// each step leaving the dispatcher as it was.
#include "settings/modify_dispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/recovery.h"
#include "settings/commands.h"
#include "settings/dispatcher_pages.h"
#include "settings/general_page.h"
#include "settings/modify_command.h"
#include "settings/plugin_pages.h"
#include "store/shortcuts.h"
#include "tests/lifecycle/sample_flavour.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/plugin_samples.h"
#include "tests/support/test_support.h"

namespace rvc::settings {
namespace {

// A page that refuses OK while `refusal` is set and counts its saves.
class FakePage : public IPage {
 public:
  std::string Title() const override { return "fake"; }
  void Load() override { ++loads; }
  std::optional<PageRefusal> Validate() const override { return refusal; }
  void Save() override { ++saves; }
  bool HasChanges() const override { return changed; }
  std::optional<PageRefusal> refusal;
  bool changed = true;
  int loads = 0, saves = 0;
};

// Plug-in pages with one extra page; records the calls.
class FakePlugins : public IPluginPages {
 public:
  FakePlugins(std::vector<std::string>& calls, const bool& acceptOk) : calls_(calls), acceptOk_(acceptOk) {}
  bool GeneralPage(void*, void*&) override { return false; }
  std::vector<PluginPage> ExtraPages(void* tabs) override { return {{tabs, "Device"}}; }
  bool OnOk() override {
    calls_.push_back("OnOK");
    return acceptOk_;
  }
  void OnCancel() override { calls_.push_back("OnCancel"); }

 private:
  std::vector<std::string>& calls_;
  const bool& acceptOk_;
};

class ModifyTest : public lifecycle::test_fixture::SampleCommandTest {
 protected:
  ModifyTest() {
    for (const auto& [name, folder] : {std::pair{"Mono", "Tiffmono"}, std::pair{"Mono1", "CtP_platedriver"}}) {
      test::MakeDispatcherLauncher(name, folder, true);
      test::MakeDispatcherLauncher(name, folder, false);
    }
    services_.pages = [this](PageKind kind, const PageContext&) {
      auto page = std::make_unique<FakePage>();
      pages_[kind] = page.get();
      return page;
    };
    services_.plugins = [this](const PluginContext& plugin) -> std::unique_ptr<IPluginPages> {
      calls_.push_back("load " + plugin.type);
      return std::make_unique<FakePlugins>(calls_, pluginAccepts_);
    };
  }

  ModifyContext Context(int row) {
    ModifyContext context;
    context.command = tiff_;
    context.command.CurrentIndex = row;
    context.services = services_;
    return context;
  }
  CDispatcher Dialog(int row, bool viewOnly = false) {
    CDispatcher dialog(*tiff_.Dispatchers, row, {}, viewOnly, services_.pages, services_.plugins);
    dialog.OnInitDialog();
    return dialog;
  }
  // The files of the flavour's data folder and of the launcher folders.
  std::map<std::string, std::string> Disk() const {
    std::map<std::string, std::string> disk;
    for (const char* folder : {"data/Tiffmono", "desktop", "programs"}) {
      for (auto& [path, bytes] : test::Snapshot(sample_.Path(folder))) disk[std::string(folder) + "/" + path] = bytes;
    }
    return disk;
  }
  std::vector<std::string> Record(int row) const {
    const store::DispatcherRecord& r = tiff_.Dispatchers->GetAt(row).Record;
    return {r.Name, r.Type, r.Folder, std::to_string(r.Base), std::to_string(r.CommandPort)};
  }
  std::string Ini(const std::string& folder) const {
    return test::ReadFile(sample_.Data("Tiffmono/" + folder + "/data/zv" + folder + "_dispatcher.ini"));
  }
  // Every identity change at once for Mono1.
  static store::DispatcherRecord Everything(store::DispatcherRecord record) {
    record.Name = "Mono 7";
    record.Folder = "Plates";
    record.Type = "Imagesetter_Film";
    record.Base = 7;
    return record;
  }

  SettingsServices services_;

 public:
  std::map<PageKind, FakePage*> pages_;
  std::vector<std::string> calls_;
  bool pluginAccepts_ = true;
};

TEST_F(ModifyTest, OpeningFillsTheIdentityListsAndTabs) {
  CDispatcher mono1 = Dialog(1);
  EXPECT_EQ(mono1.Title, "Modify Dispatcher Mono1");
  EXPECT_EQ(mono1.DeviceTypes, (std::vector<std::string>{"Imagesetter_Film", "CtP_platedriver", "Generic_FromPPD"}));
  EXPECT_EQ(mono1.ChosenType(), "CtP_platedriver");
  // 0 and 3 belong to the others.
  EXPECT_EQ(mono1.PortSeparators, (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(mono1.ChosenSeparator(), 1);
  EXPECT_TRUE(mono1.FolderEnabled);
  EXPECT_EQ(mono1.PpdUsed, "");
  EXPECT_TRUE(mono1.PpdRowVisible);
  ASSERT_EQ(mono1.Tabs.size(), 3u);
  EXPECT_EQ(mono1.Tabs[2].caption, "Swapfiles");
  EXPECT_EQ(pages_[PageKind::Setup]->loads, 1);

  mono1.AttachTabs(this);
  ASSERT_EQ(mono1.Tabs.size(), 4u);
  EXPECT_EQ(mono1.Tabs[3].caption, "Device");

  EXPECT_FALSE(Dialog(0).FolderEnabled);  // the flavour's first dispatcher keeps its folder
  EXPECT_EQ(Dialog(2).PpdUsed, "OrvaTiffsetter.ppd");
  EXPECT_EQ(Dialog(2, true).Title, "View Dispatcher Mono3_OrvaTiffsetter");
}

TEST_F(ModifyTest, DedeziShowsARipConfigurationWithoutThePpdRow) {
  lifecycle::CommandContext& dedezi = sample_.Load("Dedezi");
  CDispatcher dialog(*dedezi.Dispatchers, 0, {}, true);
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.Title, "View Rip Configuration");
  EXPECT_FALSE(dialog.PpdRowVisible);
}

TEST_F(ModifyTest, AnotherTypeProposesItsNameAsFolderAndSwapsThePluginPages) {
  CDispatcher dialog = Dialog(1);
  dialog.AttachTabs(this);
  dialog.DeviceType = 2;  // Generic_FromPPD, whose folder exists
  dialog.OnTypeChanged();
  EXPECT_EQ(dialog.Folder, "Generic_FromPPD_2");
  EXPECT_EQ(dialog.PpdUsed, CDispatcher::kNoPpd);
  EXPECT_EQ(calls_, (std::vector<std::string>{"load CtP_platedriver", "load Generic_FromPPD"}));
  dialog.DeviceType = 0;  // the folder was changed: it stays
  dialog.OnTypeChanged();
  EXPECT_EQ(dialog.Folder, "Generic_FromPPD_2");
}

TEST_F(ModifyTest, RefusedOkKeepsTheDialogOpenWithTheMessage) {
  struct Case {
    const char* what;
    std::function<void(CDispatcher&, ModifyTest&)> edit;
    std::string message;
    std::string focus;
    int tab;
  };
  const Case cases[] = {
      {"folder taken", [](CDispatcher& d, ModifyTest&) { d.Folder = "tiffmono"; },
       "tiffmono already exists, please choose another folder", CDispatcher::kFolderField, 0},
      {"name taken", [](CDispatcher& d, ModifyTest&) { d.Name = "MONO"; }, "MONO already exists, please choose another name",
       CDispatcher::kNameField, 0},
      {"forbidden character", [](CDispatcher& d, ModifyTest&) { d.Name = "a:b"; },
       "Following characters may not be used: \\/:*?\"<>|", CDispatcher::kNameField, 0},
      {"page refuses",
       [](CDispatcher&, ModifyTest& t) { t.pages_[PageKind::SwapFiles]->refusal = PageRefusal{"No swap", "List"}; },
       "No swap", "List", 2},
      {"plug-in refuses", [](CDispatcher&, ModifyTest& t) { t.pluginAccepts_ = false; }, "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::HeadlessUserInterface ui;
    ui::ScopedUserInterface scoped(ui);
    pluginAccepts_ = true;
    CDispatcher dialog = Dialog(1);
    dialog.AttachTabs(this);
    c.edit(dialog, *this);
    EXPECT_FALSE(dialog.OnOk());
    if (c.message.empty()) {
      EXPECT_TRUE(ui.Messages().empty());
    } else {
      ASSERT_EQ(ui.Messages().size(), 1u);
      EXPECT_EQ(ui.Messages()[0].text, c.message);
    }
    EXPECT_EQ(dialog.FocusField(), c.focus);
    EXPECT_EQ(dialog.ActiveTab, c.tab);
    EXPECT_EQ(dialog.Folder, "CtP_platedriver");  // a taken folder is put back
    for (auto& [kind, page] : pages_) EXPECT_EQ(page->saves, 0);
  }
}

TEST_F(ModifyTest, OkSavesTheChangedPagesAndCancelOnlyTellsThePlugins) {
  CDispatcher dialog = Dialog(1);
  dialog.AttachTabs(this);
  pages_[PageKind::Setup]->changed = false;
  dialog.Name = "Mono 7";
  ASSERT_TRUE(dialog.OnOk());
  EXPECT_EQ(dialog.Result.Name, "Mono 7");
  EXPECT_EQ(pages_[PageKind::General]->saves, 1);
  EXPECT_EQ(pages_[PageKind::Setup]->saves, 0);

  CDispatcher cancelled = Dialog(1);
  cancelled.AttachTabs(this);
  calls_.clear();
  cancelled.OnCancel();
  EXPECT_EQ(calls_, std::vector<std::string>{"OnCancel"});
  EXPECT_EQ(cancelled.Result.Type, "");
}

TEST_F(ModifyTest, EachKindOfChangeReachesFilesLaunchersAndList) {
  ModifyContext context = Context(1);
  store::DispatcherRecord changed = Everything(tiff_.Dispatchers->GetAt(1).Record);
  const std::string oldConfig = test::ReadFile(sample_.Data("Tiffmono/CtP_platedriver/data/zv_config.res"));
  ASSERT_TRUE(ApplyModification(context, 1, changed));

  EXPECT_EQ(Record(1), (std::vector<std::string>{"Mono_7", "Imagesetter_Film", "Plates", "7", "5704"}));
  EXPECT_TRUE(tiff_.Dispatchers->SeparatorInUse(7));
  EXPECT_FALSE(tiff_.Dispatchers->SeparatorInUse(1));
  EXPECT_FALSE(test::FileExists(sample_.Data("Tiffmono/CtP_platedriver")));
  const std::string ini = Ini("Plates");
  EXPECT_NE(ini.find("Mono_7"), std::string::npos);
  EXPECT_EQ(ini.find("Mono1"), std::string::npos);
  EXPECT_NE(ini.find("5704"), std::string::npos);
  EXPECT_TRUE(test::FileExists(sample_.Data("Tiffmono/Plates/data/zv_film.res")));
  EXPECT_FALSE(test::FileExists(sample_.Data("Tiffmono/Plates/data/zv_plate.res")));
  EXPECT_NE(test::ReadFile(sample_.Data("Tiffmono/Plates/data/zv_config.res")), oldConfig);
  EXPECT_EQ(test::ReadFile(sample_.Data("Tiffmono/Plates/data/swap_0.sfd")).find("\\CtP_platedriver\\"),
            std::string::npos);
  // The list's copy of the ini file follows its name.
  EXPECT_EQ(test::ReadFile(sample_.Data("Tiffmono/data/zvPlates_dispatcher.ini")), ini);
  EXPECT_FALSE(test::FileExists(sample_.Data("Tiffmono/data/zvCtP_platedriver_dispatcher.ini")));
  const std::string listFile = test::ReadFile(sample_.Data("Tiffmono/rvc1.cfg"));
  EXPECT_NE(listFile.find("Name=Mono_7\nType=Imagesetter_Film\nFolder=Plates\nBase=7\nCommandPort=5704"),
            std::string::npos)
      << listFile;
  for (bool desktop : {true, false}) {
    store::CShortcuts shortcuts;
    EXPECT_NE(shortcuts.FindDispatcherShortcut("10.1", "Mono_7", desktop), "");
    EXPECT_EQ(shortcuts.FindDispatcherShortcut("10.1", "Mono1", desktop), "");
  }
  EXPECT_FALSE(lifecycle::CIntentJournal::Read());
}

TEST_F(ModifyTest, RefusalsWhileApplyingChangeNothing) {
  const auto before = Disk();
  struct Case {
    const char* what;
    std::function<void(store::DispatcherRecord&)> edit;
    int message;
  };
  const Case cases[] = {
      {"empty name", [](store::DispatcherRecord& r) { r.Name = ""; }, 124},
      {"no separator", [](store::DispatcherRecord& r) { r.Base = -1; }, 125},
      {"separator taken", [](store::DispatcherRecord& r) { r.Base = 3; }, 112},
      {"folder of another", [](store::DispatcherRecord& r) { r.Folder = "generic_fromppd"; }, 114},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModifyContext context = Context(1);
    store::DispatcherRecord changed = tiff_.Dispatchers->GetAt(1).Record;
    c.edit(changed);
    EXPECT_FALSE(ApplyModification(context, 1, changed));
  }
  ModifyContext first = Context(0);
  store::DispatcherRecord moved = tiff_.Dispatchers->GetAt(0).Record;
  moved.Folder = "Elsewhere";
  EXPECT_FALSE(ApplyModification(first, 0, moved));
  ASSERT_EQ(ui_.Messages().size(), 5u);
  EXPECT_EQ(ui_.Messages().back().text, "You can not change the folder for Tiffmono");
  EXPECT_EQ(Disk(), before);
}

TEST_F(ModifyTest, AFailureAtAnyStepLeavesTheDispatcherAsItWas) {
  const auto before = Disk();
  const auto record = Record(1);
  for (ModifyStep failing : kModifySteps) {
    SCOPED_TRACE(static_cast<int>(failing));
    ModifyContext context = Context(1);
    context.services.stepHook = [failing](ModifyStep step) {
      if (step == failing) throw CRvcException(msg::kDeleteFailed, "step");
    };
    EXPECT_FALSE(ApplyModification(context, 1, Everything(tiff_.Dispatchers->GetAt(1).Record)));
    EXPECT_EQ(Disk(), before);
    EXPECT_EQ(Record(1), record);
    EXPECT_TRUE(tiff_.Dispatchers->SeparatorInUse(1));
    EXPECT_FALSE(lifecycle::CIntentJournal::Read());
  }
}

TEST_F(ModifyTest, AKilledApplicationIsRolledBackByTheRecovery) {
  const auto before = Disk();
  for (ModifyStep killedAt : kModifySteps) {
    SCOPED_TRACE(static_cast<int>(killedAt));
    const pid_t child = ::fork();
    if (child == 0) {
      ModifyContext context = Context(1);
      context.services.stepHook = [killedAt](ModifyStep step) {
        if (step == killedAt) ::_exit(0);
      };
      ApplyModification(context, 1, Everything(tiff_.Dispatchers->GetAt(1).Record));
      ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(lifecycle::CIntentJournal::Read());
    const lifecycle::RecoveryOutcome outcome = lifecycle::RecoverInterruptedOperation();
    EXPECT_EQ(outcome.problem, "");
    EXPECT_EQ(outcome.done, "rolled back the interrupted modification of dispatcher Mono1");
    EXPECT_EQ(Disk(), before);
  }
}

TEST_F(ModifyTest, ModifyRefusesARunningDispatcherAndCancelAppliesNothing) {
  const auto before = Disk();
  windows_.titles = {"Mono1 Dispatcher 10.1"};
  ModifyContext running = Context(1);
  EXPECT_FALSE(OnModify(running));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, "Dispatcher Mono1 is running.\nYou cannot modify a running dispatcher.");

  windows_.titles.clear();
  ModifyContext cancelled = Context(1);
  EXPECT_FALSE(OnModify(cancelled));  // no script: the dialog is cancelled
  ModifyContext synchronised = Context(1);
  synchronised.services.synchronize = [](const SynchronizeRequest&) { return false; };
  EXPECT_FALSE(OnModify(synchronised));
  EXPECT_EQ(Disk(), before);
}

TEST_F(ModifyTest, TheDialogsOkIsApplied) {
  ui_.QueueDialog("Dispatcher", [](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CDispatcher&>(model);
    dialog.Name = "Mono9";
    return ui::DialogResult::Ok;
  });
  ModifyContext context = Context(1);
  ASSERT_TRUE(OnModify(context));
  EXPECT_EQ(Record(1)[0], "Mono9");
  EXPECT_EQ(sample_.refreshes, 1);
}

TEST_F(ModifyTest, AtStartTheTypeIsChosenInRetypeModeAndAppliedWithoutTheDialog) {
  ui_.QueueDialog("NewDispatcher", [](ui::IDialogModel& model) {
    auto& retype = dynamic_cast<lifecycle::CNewDispatcherDialog&>(model);
    EXPECT_EQ(retype.Name, "Mono");
    EXPECT_FALSE(retype.QueueSetupListEnabled);
    retype.Name = "Mono1b";
    retype.DeviceType = 0;
    return ui::DialogResult::Ok;
  });
  ModifyContext context = Context(1);
  context.openModifyAtStart = true;
  ASSERT_TRUE(OnModify(context));
  EXPECT_EQ(Record(1), (std::vector<std::string>{"Mono1b", "Imagesetter_Film", "CtP_platedriver", "1", "5104"}));
}

// The sample libraries named for every type of the flavour.
class SamplePluginTest : public ModifyTest {
 protected:
  void Name(const std::string& items) {
    test::WriteFile(sample_.Path("prog/Tiffmono/dat/types.dat"), "[All]\n" + items + "\n");
  }
  CDispatcher Opened(bool viewOnly = false) {
    CDispatcher dialog(*tiff_.Dispatchers, 1, {}, viewOnly, services_.pages, DeviceTypePlugins());
    dialog.OnInitDialog();
    dialog.AttachTabs(nullptr);
    return dialog;
  }
  std::vector<std::string> Calls() const { return test::PluginCalls(log_); }
  std::vector<std::string> Captions(const CDispatcher& dialog) const {
    std::vector<std::string> captions;
    for (const CDispatcher::Tab& tab : dialog.Tabs) captions.push_back(tab.caption);
    return captions;
  }

  std::string log_ = sample_.Path("calls.txt");
  test::ScopedEnv logEnv_{"RVC_PLUGIN_SAMPLE_LOG", log_};
};

TEST_F(SamplePluginTest, PagesFollowTheVersionRule) {
  Name("dispatcherdll=" + test::PluginSample("version05") + "\ngeneraldll=" + test::PluginSample("version09"));
  EXPECT_EQ(Captions(Opened()), (std::vector<std::string>{"General", "Setup", "Swapfiles"}));

  Name("dispatcherdll=" + test::PluginSample("dispatcher"));
  CDispatcher current = Opened();
  EXPECT_EQ(Captions(current), (std::vector<std::string>{"General", "Setup", "Swapfiles", "Device", "Calibration"}));
  EXPECT_TRUE(current.OnOk());
  EXPECT_EQ(Calls().back(), "dispatcher OnOKExt()");

  Name("dispatcherdll=" + test::PluginSample("old_style") + "\ngeneraldll=" + test::PluginSample("old_style"));
  std::filesystem::remove(log_);
  CDispatcher old = Opened(true);
  EXPECT_EQ(Captions(old), (std::vector<std::string>{"General", "Setup", "Swapfiles", "Old style"}));
  EXPECT_EQ(old.Tabs[0].page, nullptr);  // the library's General page
  EXPECT_TRUE(old.OnOk());  // view mode: nothing is called
  old.ViewOnly = false;
  EXPECT_TRUE(old.OnOk());
  const std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2].substr(0, 15), "old_style OnOK(");
  EXPECT_EQ(calls.back().substr(0, 15), "old_style OnOK(");
}

TEST_F(SamplePluginTest, ExtraPagesGetTheGeneralPagesOpenConfiguration) {
  Name("dispatcherdll=" + test::PluginSample("dispatcher"));
  services_.pages = BuiltInPageFactory();
  for (const auto& [viewOnly, call] : {std::pair{false, "GetExtraTabSheets"}, std::pair{true, "ViewExtraTabSheets"}}) {
    std::filesystem::remove(log_);
    CDispatcher dialog = Opened(viewOnly);
    ASSERT_NE(dynamic_cast<CGeneral*>(dialog.PageOf(PageKind::General))->Config(), nullptr);
    const std::vector<std::string> calls = Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_THAT(calls.front(), testing::StartsWith(std::string("dispatcher ") + call + "(null, set, "));
  }
}

TEST_F(SamplePluginTest, ARefusingOnOkExtKeepsTheDialogOpenAndCancelCallsOnlyOnCancel) {
  test::ScopedEnv refuse("RVC_PLUGIN_SAMPLE_TEXT", "refuse");
  Name("dispatcherdll=" + test::PluginSample("dispatcher"));
  CDispatcher dialog = Opened();
  EXPECT_FALSE(dialog.OnOk());
  EXPECT_EQ(pages_[PageKind::General]->saves, 0);
  std::filesystem::remove(log_);
  dialog.OnCancel();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"dispatcher OnCancel(refuse)", "dispatcher OnCancel(refuse)"}));
}

TEST_F(SamplePluginTest, ASynchronisationOfVersionOneReturningZeroEndsModify) {
  for (const auto& [sample, opens] : {std::pair{"synchronize_stop", false}, std::pair{"synchronize", true}}) {
    SCOPED_TRACE(sample);
    Name(std::string("synchronizedll=") + test::PluginSample(sample));
    bool opened = false;
    ui_.QueueDialog("Dispatcher", [&opened](ui::IDialogModel&) {
      opened = true;
      return ui::DialogResult::Cancel;
    });
    ModifyContext context = Context(1);
    context.services.synchronize = DeviceTypeSynchronizer();
    EXPECT_FALSE(OnModify(context));
    EXPECT_EQ(opened, opens);
  }
}

TEST(RunningWindowTitleTest, FollowsTheProductVersion) {
  EXPECT_EQ(RunningWindowTitle("Mono", "9.0"), "Dispatcher for Mono (9.0)");
  EXPECT_EQ(RunningWindowTitle("Mono", "10.1"), "Mono Dispatcher 10.1");
}

}  // namespace
}  // namespace rvc::settings
