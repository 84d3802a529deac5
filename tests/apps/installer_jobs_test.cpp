// The installer's jobs of rvc_setup as an installer runs them on a copy of the sample:
// the install job, customisations, the backup job, the flavour laid out as a new
// version (scripts/lay_out_sample.sh --new-version), the update job; judged by exit
// codes, trace files and the files left behind.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/dispatcher_launcher.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using rvc::test::FileExists;
using rvc::test::ReadFile;
using rvc::test::WriteFile;

struct Dispatcher {
  std::string name;
  std::string folder;
  int base;
};

// Tiffmono of the sample, with the clone the test makes.
const Dispatcher kDispatchers[] = {{"Mono", "Tiffmono", 0},
                                   {"Mono1", "CtP_platedriver", 1},
                                   {"Mono2", "Imagesetter_Film", 2},
                                   {"Mono3_OrvaTiffsetter", "Generic_FromPPD", 3}};

class InstallerJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Shell("scripts/lay_out_sample.sh " + root_), 0);
    if (group* own = ::getgrgid(::getegid())) {
      WriteFile(root_ + "environment", ReadFile(root_ + "environment") + "RAVLIN_ADMIN_GROUP=" + own->gr_name + "\n");
    }
    ::mkdir((dir_ / "run").c_str(), 0700);
  }

  static int Shell(const std::string& command) {
    return std::system(("cd " + std::string(RVC_SOURCE_DIR) + " && " + command + " >/dev/null").c_str());
  }

  rvc::test::ProgramResult Run(const char* program, const std::vector<std::string>& arguments,
                               bool onTerminal = false) {
    rvc::test::ProgramRun run{program, arguments, {}, dir_.Path()};
    run.environment.emplace("RAVLIN_ENVIRONMENT_FILE", root_ + "environment");
    run.environment.emplace("XDG_RUNTIME_DIR", dir_ / "run");
    run.errorOnTerminal = onTerminal;
    return rvc::test::RunProgram(run);
  }
  rvc::test::ProgramResult Setup(const std::string& job, bool onTerminal = false) {
    return Run(RVC_SETUP_PROGRAM, {"Tiffmono", job}, onTerminal);
  }

  std::string Data(const std::string& relative) const { return root_ + "data/Tiffmono/" + relative; }
  std::string Ini(const Dispatcher& d) const { return Data(d.folder + "/data/zv" + d.folder + "_dispatcher.ini"); }
  std::string Saved(const std::string& relative) const { return root_ + "tmp/Tiffmono/" + relative; }

  // Launchers of the installed dispatchers; the default dispatcher's starts from the
  // flavour's program folder, as the installation made it.
  void MakeLaunchers() {
    rvc::test::ScopedEnv desktop("RAVLIN_DESKTOP_DIR", root_ + "desktop");
    rvc::test::ScopedEnv programs("RAVLIN_PROGRAMS_DIR", root_ + "programs");
    for (bool onDesktop : {true, false}) {
      rvc::test::MakeDispatcherLauncher("Mono", "Tiffmono", onDesktop, root_ + "prog/Tiffmono/");
      rvc::test::MakeDispatcherLauncher("Mono1", "CtP_platedriver", onDesktop);
      rvc::test::MakeDispatcherLauncher("Mono3_OrvaTiffsetter", "Generic_FromPPD", onDesktop);
    }
  }
  bool HasLaunchers(const std::string& name) const {
    return FileExists(root_ + "desktop/" + name + " 10.1 dispatcher.desktop") &&
           FileExists(root_ + "programs/Orva/" + name + " 10.1 dispatcher.desktop");
  }

  // Install job, customisations, a clone, backup job, new version: ready for the update.
  void PrepareUpdate() {
    MakeLaunchers();
    const auto install = Setup("-i");
    ASSERT_EQ(install.exitCode, 0);
    EXPECT_NE(install.err.find("No display: with one, the main window would open on flavour Ravlin Tiff with the "
                               "modify dialog of its first dispatcher, Mono."),
              std::string::npos)
        << install.err;
    ASSERT_TRUE(FileExists(Data("Mono 10.1 dispatcherDesktop.bak")));
    ASSERT_TRUE(FileExists(Data("Mono 10.1 dispatcherStartProgram.bak")));

    auto customise = [](const std::string& file, const std::string& anchor, const std::string& added) {
      std::string text = ReadFile(file);
      const size_t at = text.find(anchor);
      ASSERT_NE(at, std::string::npos) << file;
      WriteFile(file, text.insert(at + anchor.size(), added));
    };
    customise(Ini(kDispatchers[1]), "[environment]\n", "CUSTOM_SPOOL=kept\n");
    customise(Data("data/zvCtP_platedriver_dispatcher.ini"), "[environment]\n", "CUSTOM_SPOOL=kept\n");
    customise(Data("CtP_platedriver/data/zv_config.res"), "confs=Standard maxsize", " Night");
    WriteFile(Data("CtP_platedriver/data/zv_config.res"),
              ReadFile(Data("CtP_platedriver/data/zv_config.res")) +
                  "\n[Night]\nname=Night\nfilm=Plate_745x605\nset=set_1\noutput=\n");
    customise(Data("Tiffmono/data/swap_1.sfd"), "[persistent]\n", "%kw_data_tamrix%\\tiffmono\\swapfiles\\extra\n");
    swap_ = ReadFile(Data("Tiffmono/data/swap_1.sfd"));
    ASSERT_EQ(Run(RAVLINCTL_PROGRAM, {"create", "--flavour", "Tiffmono", "--type", "Imagesetter_Film", "--name", "Mono2"})
                  .exitCode,
              0);
    ASSERT_TRUE(HasLaunchers("Mono2"));

    const auto backup = Setup("-b");
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    ASSERT_TRUE(FileExists(Saved("rvc1.cfg")));
    ASSERT_FALSE(FileExists(Data("rvc1.cfg")));
    ASSERT_EQ(Shell("scripts/lay_out_sample.sh --new-version Tiffmono " + root_), 0);
    ASSERT_FALSE(fs::exists(Data("CtP_platedriver")));
  }

  // Makes the saved recorder file of `folder` unreadable for the configuration library.
  void CorruptSaved(const std::string& folder) {
    WriteFile(Saved(folder + "/data/zv_recorder.resDif"), "[Recorder]\nmaxwidth=not a number\n");
  }

  rvc::test::TempDir dir_;
  std::string root_ = dir_ / "sample/";
  std::string swap_;
};

TEST_F(InstallerJobsTest, AnUpdateBringsEveryDispatcherIntoTheNewVersionWithItsCustomisations) {
  PrepareUpdate();
  const auto update = Setup("-u", true);
  EXPECT_EQ(update.exitCode, 0) << update.err;
  EXPECT_EQ(update.out, "");

  for (const Dispatcher& d : kDispatchers) {
    SCOPED_TRACE(d.name);
    const std::string ini = ReadFile(Ini(d));
    EXPECT_NE(ini.find("[release]\nbuild=10.1.1"), std::string::npos) << "the new template";
    EXPECT_NE(ini.find("papname=" + d.name + "_AT"), std::string::npos);
    EXPECT_NE(ini.find("commandport=5" + std::to_string(d.base) + "04"), std::string::npos);
    EXPECT_EQ(ReadFile(Data("data/zv" + d.folder + "_dispatcher.ini")), ini) << "registered with the flavour";
    bool ppd = false;
    for (const auto& entry : fs::directory_iterator(Data(d.folder + "/ppd"))) ppd = ppd || entry.path().extension() == ".PPD";
    EXPECT_TRUE(ppd);
    EXPECT_TRUE(HasLaunchers(d.name));
    EXPECT_TRUE(fs::directory_iterator(Data(d.folder + "/data")) != fs::directory_iterator());
  }
  EXPECT_NE(ReadFile(Ini(kDispatchers[0])).find("RIP_MEMORY=768"), std::string::npos);
  EXPECT_NE(ReadFile(Ini(kDispatchers[1])).find("CUSTOM_SPOOL=kept"), std::string::npos);
  const std::string config = ReadFile(Data("CtP_platedriver/data/zv_config.res"));
  EXPECT_NE(config.find("confs=Standard maxsize Night"), std::string::npos);
  EXPECT_NE(config.find("[Night]"), std::string::npos);
  EXPECT_EQ(ReadFile(Data("Tiffmono/data/swap_1.sfd")), swap_);
  EXPECT_FALSE(fs::exists(root_ + "tmp/Tiffmono")) << "the saved state is removed";

  const auto list = Run(RAVLINCTL_PROGRAM, {"list", "--flavour", "Tiffmono"});
  EXPECT_EQ(list.exitCode, 0);
  for (const Dispatcher& d : kDispatchers) EXPECT_NE(list.out.find(d.name), std::string::npos) << list.out;
  const std::string trace = ReadFile(root_ + "config/trace_rvc_update.txt");
  EXPECT_NE(trace.find("\tRVC::Start\n"), std::string::npos);
  EXPECT_NE(trace.find("\tRVC::Stop\n"), std::string::npos);

  // On a terminal every dispatcher's steps are shown with its place in the job, the PPDs
  // included; the trace holds each of them.
  for (const char* line : {"  Mono (1 of 4): Copying the saved folder\n", "  Mono2 (4 of 4): Checking the configuration\n",
                           "  Mono3_OrvaTiffsetter (3 of 4): Making the shortcuts\n",
                           "  Mono1 (2 of 4): Making the PPD\n"}) {
    EXPECT_NE(update.err.find(line), std::string::npos) << line << update.err;
  }
  std::istringstream console(update.err);
  int steps = 0;
  for (std::string line; std::getline(console, line);) {
    const size_t place = line.find(" of ");
    if (line.rfind("  ", 0) != 0 || place == std::string::npos) continue;
    const std::string name = line.substr(2, line.rfind(" (", place) - 2);
    const std::string step = line.substr(line.find("): ", place) + 3);
    EXPECT_NE(trace.find("\tRVC::" + name + ": " + step + "\n"), std::string::npos) << line;
    ++steps;
  }
  EXPECT_GE(steps, 4 * 9);
}

TEST_F(InstallerJobsTest, ACloneWhoseConfigurationCannotBeReadIsDroppedAndTheSavedStateKept) {
  PrepareUpdate();
  CorruptSaved("CtP_platedriver");
  const auto update = Setup("-u");
  EXPECT_EQ(update.exitCode, 0);
  EXPECT_NE(update.err.find("Probably the resfiles of the previous dispatcher Mono1 are corrupt"), std::string::npos)
      << update.err;
  EXPECT_NE(update.err.find("The previous dispatcher Mono1 will not be upgraded"), std::string::npos) << "187";
  EXPECT_FALSE(fs::exists(Data("CtP_platedriver")));
  EXPECT_FALSE(FileExists(Data("data/zvCtP_platedriver_dispatcher.ini")));
  EXPECT_FALSE(FileExists(root_ + "desktop/Mono1 10.1 dispatcher.desktop"));
  EXPECT_FALSE(FileExists(root_ + "programs/Orva/Mono1 10.1 dispatcher.desktop"));
  EXPECT_TRUE(HasLaunchers("Mono2"));
  EXPECT_TRUE(FileExists(Saved("rvc1.cfg"))) << "kept for another run";
  EXPECT_EQ(update.err.find("Mono2 (3 of 4)"), std::string::npos) << "no terminal, no progress";
  EXPECT_NE(ReadFile(root_ + "config/trace_rvc_update.txt").find("RVC::DispatcherMono1: "), std::string::npos);
}

TEST_F(InstallerJobsTest, AnOriginalDispatcherWhoseConfigurationCannotBeReadFailsTheUpdate) {
  PrepareUpdate();
  CorruptSaved("Tiffmono");
  const auto update = Setup("-u");
  EXPECT_EQ(update.exitCode, 1);
  EXPECT_NE(update.err.find("The default new dispatcher will be installed"), std::string::npos) << "186";
  EXPECT_TRUE(FileExists(Saved("rvc1.cfg")));
  EXPECT_TRUE(FileExists(Data("data/zvCtP_platedriver_dispatcher.ini"))) << "the clones are migrated";
}

TEST_F(InstallerJobsTest, AnUpdateWithoutABackupChangesNothing) {
  const auto before = rvc::test::Snapshot(root_ + "data");
  const auto update = Setup("-u");
  EXPECT_EQ(update.exitCode, 0);
  EXPECT_NE(update.err.find("Application stopped because Ravlin Configurator cannot update a not-backed-up flavour"),
            std::string::npos);
  EXPECT_EQ(rvc::test::Snapshot(root_ + "data"), before);
}

}  // namespace
