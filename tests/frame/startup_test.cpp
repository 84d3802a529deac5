// The start-up of CRvcApp: interactive runs up to the hand-over to the main window, the
// job modes with their trace files and exit codes, the single instance and kw_norvc.
#include <gtest/gtest.h>

#include <filesystem>

#include "frame/rvc_app.h"
#include "frame/single_instance.h"
#include "frame/version_selection.h"
#include "platform/desktop_entry.h"
#include "store/shortcuts.h"
#include "tests/core/trace_texts.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::frame {
namespace {

using test::FileExists;
using test::ReadFile;
using test::WriteFile;

const char* kTypeList =
    "[Main]\nNrConfigs=1\nFIDbase=ravlin\nFlavor=Ravlin\n"
    "[Config1]\nName=Lux\nFID=ravlin_Lux.fid\nZV_PLATE_OR_FILM=PLATE\nZV_PLATE=zv_plate_Lux.res\n"
    "ZV_CONFIG=zv_config_Lux.res\nZV_RECORDER=zv_recorder_Lux.res\nZV_DISPATCHER=zvRavlin_dispatcher_Lux.ini\n";

class FakeAccounts : public IAccountServices {
 public:
  bool IsAdministrator(const AccountToken* token) override { return token ? token->LoggedOn : administrator; }
  AccountToken LogOn(const std::string&, const std::string& user, const std::string& password) override {
    return AccountToken{user, password == "secret"};
  }
  void Impersonate(const AccountToken&) override {}
  void RevertToSelf() override {}
  bool administrator = true;
};

struct Windows : IMainWindowFactory {
  struct Window : IMainWindow {
    explicit Window(Windows& owner) : owner_(owner) {}
    void RunModal() override { ++owner_.runs; }
    void RegeneratePpd(int index) override { owner_.ppds.push_back(index); }
    Windows& owner_;
  };
  std::unique_ptr<IMainWindow> Create(FlavourList& flavours, const MainWindowSettings& given) override {
    ++created;
    settings = given;
    title = CRvcApp::WindowTitle();
    for (const auto& flavour : flavours) keys.push_back(flavour->Key);
    return std::make_unique<Window>(*this);
  }
  int created = 0;
  int runs = 0;
  std::vector<int> ppds;
  std::vector<std::string> keys;
  MainWindowSettings settings;
  std::string title;  // the main window's title when it was made
};

struct Installer : IInstallerJobs {
  bool Run(int mode, CFlavour& flavour) override {
    jobs.push_back(std::to_string(mode) + " " + flavour.Key);
    return succeed;
  }
  bool succeed = true;
  std::vector<std::string> jobs;
};

// An installation with the flavours Tiff ("Ravlin Tiff", two dispatchers) and Proof
// ("Ravlin Proof") in the catalogue of version 10.1.
class StartupTest : public ::testing::Test {
 protected:
  StartupTest()
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"),
        data_("KW_DATA_RAVLINCONFIG", dir_ / "cfg"),
        norvc_("kw_norvc", std::nullopt),
        desktop_("RAVLIN_DESKTOP_DIR", dir_ / "desktop"),
        programs_("RAVLIN_PROGRAMS_DIR", dir_ / "programs") {
    for (const char* key : {"Tiff", "Proof"}) {
      WriteFile(dir_ / ("prog/" + std::string(key) + "/rvc2.cfg"), kTypeList);
    }
    WriteFile(dir_ / "data/Tiff/rvc1.cfg",
              "[Main]\nNrConfigs=2\n[Config1]\nName=Press\nType=Lux\nFolder=Press\nBase=1\n"
              "[Config2]\nName=Proofer\nType=Lux\nFolder=Proofer\nBase=2\n");
    WriteFile(dir_ / "data/Proof/rvc1.cfg", "[Main]\nNrConfigs=1\n[Config1]\nName=Epson\nType=Lux\nFolder=Epson\n");
    WriteFile(dir_ / "cfg/rvc_10.1.dat",
              "[_internal_]\nIncludeDGCInPPD=1\n" + Topic("Tiff", "Ravlin Tiff") + Topic("Proof", "Ravlin Proof"));
    services_.accounts = &accounts_;
    services_.mainWindows = &windows_;
    services_.oemParty = [this] { return oem_; };
    services_.instanceFolder = dir_ / "run";
    std::filesystem::create_directories(dir_ / "run");
  }

  std::string Topic(const std::string& key, const std::string& name) const {
    return "[" + key + "]\nname=" + name + "\nVersion=10.1\nprogdir=" + dir_ / ("prog/" + key + "/") +
           "\ndatadir=" + dir_ / ("data/" + key + "/") + "\n";
  }
  int Run(const std::vector<std::string>& arguments) {
    CRvcApp app(services_);
    return app.Run(arguments);
  }
  std::string Trace(const std::string& name = "trace_rvc.txt") const { return ReadFile(dir_ / ("cfg/" + name)); }
  // The messages of a trace file without their time stamps.
  std::vector<std::string> TraceLines(const std::string& name) const {
    return test::TraceTexts(dir_ / ("cfg/" + name));
  }

  test::TempDir dir_;
  test::ScopedEnv env_;
  test::ScopedEnv data_;
  test::ScopedEnv norvc_;
  test::ScopedEnv desktop_;
  test::ScopedEnv programs_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  FakeAccounts accounts_;
  Windows windows_;
  Installer installer_;
  int oem_ = 0;
  StartupServices services_;
};

TEST_F(StartupTest, AnAdministratorGetsTheMainWindowOverTheOnlyVersion) {
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.created, 1);
  EXPECT_EQ(windows_.runs, 1);
  EXPECT_EQ(windows_.keys, (std::vector<std::string>{"Proof", "Tiff"}));
  EXPECT_EQ(windows_.settings.FlavourIndex, 0);
  EXPECT_FALSE(windows_.settings.ViewOnly);
  EXPECT_FALSE(windows_.settings.PreferredFlavour);
  EXPECT_EQ(windows_.title, "Ravlin Configurator 10.1");
  EXPECT_EQ(windows_.settings.FlavourLabel, "Installed Flavours (Ravlin 10.1):");
  EXPECT_EQ(CRvcApp::CatalogueFileName, "rvc_10.1.dat");
  EXPECT_EQ(TraceLines("trace_rvc.txt"), std::vector<std::string>{"Start"});
  EXPECT_TRUE(ui_.DialogsRun().empty());
  EXPECT_TRUE(ui_.Messages().empty());
}

// What cannot be loaded stays out of the window, told once; a job of that flavour fails.
TEST_F(StartupTest, ABrokenFlavourOrDispatcherIsLeftOutAndToldOnce) {
  WriteFile(dir_ / "data/Proof/rvc1.cfg", "[Main]\nNrConfigs=0\n");
  WriteFile(dir_ / "data/Tiff/rvc1.cfg",
            "[Main]\nNrConfigs=2\n[Config1]\nName=Press\nType=Lux\nFolder=Press\nBase=1\n"
            "[Config2]\nName=Ghost\nType=Lux\nFolder=..\nBase=2\n");
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.keys, std::vector<std::string>{"Tiff"});
  const std::string proof = "Flavour Proof is not shown: Configuration " + dir_ / "data/Proof/rvc1.cfg" + " failed\n";
  const std::string ghost = "A dispatcher of flavour Tiff is not shown: " + dir_ / "data/Tiff/rvc1.cfg" +
                            ", [Config2]: the dispatcher folder \"..\" names no folder of its own\n";
  EXPECT_EQ(ui_.MessageTexts(),
            std::vector<std::string>{proof + ghost + "See " + dir_ / "cfg/trace_rvc.txt" + " for details."});
  EXPECT_NE(Trace().find("\tRVC::Flavour Proof skipped: Configuration " + dir_ / "data/Proof/rvc1.cfg" + " failed\n"),
            std::string::npos);

  ui_.Clear();
  EXPECT_EQ(Run({"Proof", "-b", "10.1"}), 0);
  EXPECT_EQ(installer_.jobs.size(), 0u);
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Configuration " + dir_ / "data/Proof/rvc1.cfg" + " failed"});
}

TEST_F(StartupTest, ThePreferredFlavourIsShownFirstOrToldMissing) {
  EXPECT_EQ(Run({"TIFF", "-f"}), 0);
  EXPECT_EQ(windows_.settings.FlavourIndex, 1);
  EXPECT_EQ(windows_.settings.PreferredFlavour.value_or(""), "TIFF");
  EXPECT_TRUE(ui_.Messages().empty());

  // Named without "-f" it is not given.
  EXPECT_EQ(Run({"Tiff"}), 0);
  EXPECT_EQ(windows_.settings.FlavourIndex, 0);

  EXPECT_EQ(Run({"Nope", "-f"}), 0);
  EXPECT_EQ(windows_.settings.FlavourIndex, 0);
  EXPECT_EQ(ui_.MessageTexts(),
            std::vector<std::string>{"Preferred flavour Nope does not exist\nSwitching to first one found"});

  // A Dedezi installation prefers its flavour.
  ui_.Clear();
  oem_ = 1;
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.settings.PreferredFlavour.value_or(""), "Dedezi");
  EXPECT_EQ(ui_.MessageTexts(),
            std::vector<std::string>{"Preferred flavour Dedezi does not exist\nSwitching to first one found"});
}

TEST_F(StartupTest, OthersLogOnOrViewOrLeave) {
  accounts_.administrator = false;
  EXPECT_EQ(Run({}), 0);  // the login dialog is cancelled
  EXPECT_EQ(ui_.DialogsRun(), std::vector<std::string>{"Login"});
  EXPECT_EQ(windows_.created, 0);
  EXPECT_FALSE(FileExists(dir_ / "cfg/trace_rvc.txt"));

  ui_.QueueDialog("Login", [](ui::IDialogModel& model) {
    dynamic_cast<CLoginDialog&>(model).ChooseViewMode();
    return ui::DialogResult::Cancel;
  });
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.created, 1);
  EXPECT_TRUE(windows_.settings.ViewOnly);

  ui_.QueueDialog("Login", [](ui::IDialogModel& model) {
    auto& login = dynamic_cast<CLoginDialog&>(model);
    login.UserName = "admin";
    login.Password = "secret";
    return ui::DialogResult::Ok;
  });
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.created, 2);
  EXPECT_FALSE(windows_.settings.ViewOnly);
}

// Cancelling the version selection ends before the trace; the chosen version names the
// window and its label.
TEST_F(StartupTest, TheVersionSelection) {
  WriteFile(dir_ / "cfg/rvc_9.0.dat", ReadFile(dir_ / "cfg/rvc_10.1.dat"));
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(ui_.DialogsRun(), std::vector<std::string>{"VersionSelection"});
  EXPECT_EQ(windows_.created, 0);
  EXPECT_FALSE(FileExists(dir_ / "cfg/trace_rvc.txt"));

  ui_.QueueDialog("VersionSelection", [](ui::IDialogModel& model) {
    dynamic_cast<CVersionSelection&>(model).Selection = 1;  // "Ravlin 9.0"
    return ui::DialogResult::Ok;
  });
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.title, "Ravlin Configurator 9.0");
  EXPECT_EQ(windows_.settings.FlavourLabel, "Installed Flavours (Ravlin 9.0):");
  EXPECT_EQ(CRvcApp::FlavourLabel(), "Installed Flavours (Ravlin 9.0):");
}

TEST_F(StartupTest, ASecondInteractiveStartWakesTheFirstAndEndsWithoutTrace) {
  int activations = 0;
  CSingleInstance first(
      CRvcApp::InstanceName(), [&] { ++activations; }, dir_ / "run");
  ASSERT_TRUE(first.IsFirst());
  EXPECT_EQ(first.LockPath(), dir_ / "run/RVC101.lock");
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.created, 0);
  EXPECT_FALSE(FileExists(dir_ / "cfg/trace_rvc.txt"));
  EXPECT_EQ(first.ServePending(), 1);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(first.ServePending(), 0);

  // Job modes do not take the instance.
  EXPECT_EQ(Run({"Tiff", "-b", "10.1"}), 0);
  EXPECT_NE(Trace("trace_rvc_backup.txt").find("RVC::Start"), std::string::npos);

  // An instance that cannot be reached does not keep a new one from starting.
  std::filesystem::remove(first.SocketPath());
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(windows_.created, 1);

  // The instance is free again when its holder ends.
  {
    CSingleInstance holder("RVCX", {}, dir_ / "run");
    CSingleInstance second("RVCX", {}, dir_ / "run");
    EXPECT_TRUE(holder.IsFirst());
    EXPECT_FALSE(second.IsFirst());
    EXPECT_TRUE(second.ActivateFirst());
  }
  CSingleInstance third("RVCX", {}, dir_ / "run");
  EXPECT_TRUE(third.IsFirst());
  EXPECT_GE(third.ListenHandle(), 0);
}

TEST_F(StartupTest, KwNorvcEndsBeforeTouchingAnything) {
  test::ScopedEnv norvc("kw_norvc", "1");
  const auto before = test::Snapshot(dir_.Path());
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(Run({"Tiff", "-u", "10.1"}), 0);
  EXPECT_EQ(test::Snapshot(dir_.Path()), before);
  EXPECT_EQ(windows_.created, 0);
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(StartupTest, AJobWithoutItsEngineIsTracedInTheModesTraceFile) {
  EXPECT_EQ(Run({"tiff", "-b", "10.1"}), 0);
  EXPECT_EQ(TraceLines("trace_rvc_backup.txt"),
            (std::vector<std::string>{"Start", "Backup job is not available in this build", "Stop"}));
  EXPECT_FALSE(FileExists(dir_ / "cfg/trace_rvc.txt"));
  EXPECT_EQ(CRvcApp::CatalogueFileName, "rvc_10.1.dat");
  EXPECT_EQ(windows_.created, 0);
  EXPECT_TRUE(ui_.Messages().empty());

  // Without a version the catalogue is "rvc.dat". (A fourth argument would make the
  // second and third the program and data folders.)
  std::filesystem::copy_file(dir_ / "cfg/rvc_10.1.dat", dir_ / "cfg/rvc.dat");
  EXPECT_EQ(Run({"Tiff", "-i", "-d"}), 0);
  EXPECT_EQ(CRvcApp::CatalogueFileName, "rvc.dat");
  EXPECT_EQ(TraceLines("trace_rvc_install.txt"),
            (std::vector<std::string>{"Start", "Install job is not available in this build", "Stop"}));
}

TEST_F(StartupTest, AJobRunsOnThePreferredFlavourOnly) {
  services_.installer = &installer_;
  EXPECT_EQ(Run({"proof", "-d", "10.1"}), 0);
  EXPECT_EQ(installer_.jobs, std::vector<std::string>{"4 Proof"});
  EXPECT_EQ(windows_.created, 0);

  EXPECT_EQ(Run({"Proof", "-i", "10.1"}), 0);
  EXPECT_EQ(windows_.runs, 1);
  EXPECT_TRUE(windows_.settings.OpenModifyAtStart);
  EXPECT_EQ(windows_.settings.Mode, kModeInstall);
  EXPECT_EQ(windows_.keys, std::vector<std::string>{"Proof"});
}

TEST_F(StartupTest, AFailedUpdateGivesExitCodeOneAfterRegeneratingThePpds) {
  services_.installer = &installer_;
  installer_.succeed = false;
  EXPECT_EQ(Run({"Tiff", "-u", "10.1"}), 1);
  EXPECT_EQ(installer_.jobs, std::vector<std::string>{"3 Tiff"});
  EXPECT_EQ(windows_.created, 1);
  EXPECT_EQ(windows_.runs, 0);  // created to generate the PPDs, never shown
  EXPECT_EQ(windows_.ppds, (std::vector<int>{0, 1}));
  EXPECT_EQ(TraceLines("trace_rvc_update.txt"), (std::vector<std::string>{"Start", "Stop"}));

  installer_.succeed = true;
  EXPECT_EQ(Run({"Tiff", "-u", "10.1"}), 0);
}

TEST_F(StartupTest, APreferredFlavourMatchingNothingEndsAJobQuietly) {
  services_.installer = &installer_;
  EXPECT_EQ(Run({"Nope", "-u", "10.1"}), 0);
  EXPECT_EQ(Run({"-u", "Tiff", "10.1"}), 0);  // the switch is the flavour name
  EXPECT_TRUE(installer_.jobs.empty());
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_EQ(TraceLines("trace_rvc_update.txt"), (std::vector<std::string>{"Start", "Stop", "Start", "Stop"}));
}

TEST_F(StartupTest, AnErrorIsReportedAndTheJobsTraceStillStops) {
  EXPECT_EQ(Run({"Tiff", "-b", "9.9"}), 0);
  const std::string missing = "RDB error " + dir_ / "cfg/rvc_9.9.dat";
  EXPECT_EQ(TraceLines("trace_rvc_backup.txt"), (std::vector<std::string>{"Start", missing, "Stop"}));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].title, "Error");
  EXPECT_EQ(ui_.Messages()[0].text, missing);
}

TEST_F(StartupTest, TheVersionJobRewritesTheShortcutsOfEveryDispatcher) {
  store::CShortcuts shortcuts;
  // Press has a desktop shortcut with outdated arguments and no program-menu one; Proofer
  // has none.
  shortcuts.CreateDispatcherShortcut({"Press", "10.1", "/opt/ravlin/rip", "Old \"Old\"", "/opt/ravlin", "", ""}, true);
  EXPECT_EQ(Run({"Tiff", "-v", "10.1"}), 0);
  EXPECT_EQ(TraceLines("trace_rvc_version.txt"), (std::vector<std::string>{
                                                     "Start",
                                                     "Cannot modify program short cut for: Ravlin Tiff : Press !",
                                                     "Cannot modify desktop short cut : Ravlin Tiff : Proofer !",
                                                     "Cannot modify program short cut for: Ravlin Tiff : Proofer !",
                                                     "Stop",
                                                 }));
  const std::string path = shortcuts.FindDispatcherShortcut("10.1", "Press", true);
  platform::DesktopEntry entry;
  ASSERT_TRUE(platform::DesktopEntry::Parse(ReadFile(path), entry));
  std::string program, arguments;
  ASSERT_TRUE(entry.GetCommand(program, arguments));
  EXPECT_EQ(program, "/opt/ravlin/rip");
  EXPECT_EQ(arguments, "Press \"Press\"");
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(StartupTest, WithoutKwDataRavlinconfigTheJobsTraceGoesToTmp) {
  test::ScopedEnv unset("KW_DATA_RAVLINCONFIG", std::nullopt);
  test::ScopedEnv tmp("TMP", dir_ / "tmp");
  std::filesystem::create_directories(dir_ / "tmp");
  EXPECT_EQ(Run({"Tiff", "-v", "10.1"}), 0);
  const std::string trace = ReadFile(dir_ / "tmp/trace_rvc_version.txt");
  EXPECT_NE(trace.find("RVC::Start"), std::string::npos);
  EXPECT_NE(trace.find("RVC::Stop"), std::string::npos);
}

}  // namespace
}  // namespace rvc::frame
