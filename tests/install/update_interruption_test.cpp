// An update killed after any of its steps leaves an installation that loads and a saved
// state that the next update finishes from. Each run is a child process that kills
// itself (SIGKILL) after its n-th step, as an installer's kill would stop it there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "frame/flavour_catalogue.h"
#include "install/installer.h"
#include "lifecycle/recovery.h"
#include "platform/environment.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::install {
namespace {

namespace fs = std::filesystem;

class UpdateInterruptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Shell("scripts/lay_out_sample.sh " + root_), 0);
    platform::KW_EnvironmentSetupEx();
    frame::FlavourList flavours = Load();
    ASSERT_EQ(flavours.size(), 1u);
    CRvcInstaller(*flavours[0]->TemplateList, *flavours[0]->DispatcherList, {"10.1", {}}).Backup();
    ASSERT_EQ(Shell("scripts/lay_out_sample.sh --new-version Tiffmono " + root_), 0);
  }

  static int Shell(const std::string& command) {
    return std::system(("cd " + std::string(RVC_SOURCE_DIR) + " && " + command + " >/dev/null").c_str());
  }
  static frame::FlavourList Load() {
    frame::FlavourList flavours;
    frame::CatalogueOptions options;
    frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), "Tiffmono", options, flavours);
    return flavours;
  }

  // Recovers as a start of the program does, then updates, killed after step `killAt`;
  // true when the update ran to its end.
  static bool UpdateUntil(int killAt) {
    const pid_t child = ::fork();
    if (child == 0) {
      lifecycle::RecoverInterruptedOperation();
      frame::FlavourList flavours = Load();
      int steps = 0;
      InstallerOptions options{"10.1", [&](const JobStep&) {
                                 if (++steps == killAt) ::kill(::getpid(), SIGKILL);
                               }};
      CRvcInstaller(*flavours[0]->TemplateList, *flavours[0]->DispatcherList, options).Update();
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  test::TempDir dir_;
  std::string root_ = dir_ / "sample/";
  test::ScopedEnv environment_{"RAVLIN_ENVIRONMENT_FILE", root_ + "environment"};
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

TEST_F(UpdateInterruptionTest, AnUpdateKilledAfterAnyStepIsFinishedByTheNextOne) {
  int killAt = 1;
  for (; killAt < 200 && !UpdateUntil(killAt); ++killAt) {
    ASSERT_TRUE(test::FileExists(root_ + "tmp/Tiffmono/rvc1.cfg")) << "after step " << killAt;
    ASSERT_EQ(Load().size(), 1u) << "the flavour loads after step " << killAt;
  }
  EXPECT_GT(killAt, 25) << "every step of the three dispatchers was a kill point";
  EXPECT_FALSE(fs::exists(root_ + "tmp/Tiffmono"));
  frame::FlavourList flavours = Load();
  ASSERT_EQ(flavours.size(), 1u);
  EXPECT_EQ(flavours[0]->DispatcherList->GetCount(), 3);
}

}  // namespace
}  // namespace rvc::install
