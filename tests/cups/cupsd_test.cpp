// Dispatchers published as print queues of a real CUPS scheduler that the test starts on
// a private socket with scratch folders: jobs reach the hot folder whole, with the PPD's
// invocation code of the options chosen; a hot folder that fails stops the queue with the
// reason; unpublishing and deleting remove the queue. Skipped where cupsd cannot run
// (not root, cups-daemon or its PostScript filter missing).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "cups/queue_upkeep.h"
#include "frame/rvc_app.h"
#include "platform/environment.h"
#include "store/dispatcher_list.h"
#include "tests/support/shell.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using rvc::test::ReadFile;
using rvc::test::RunShell;
using rvc::test::ShellResult;
using rvc::test::WriteFile;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Polls `done` every 100 ms for up to `seconds`.
bool WaitFor(const std::function<bool()>& done, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

class CupsdTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (::geteuid() != 0) {
      skip_ = "not root: only root can start cupsd and run its backend as root";
      return;
    }
    for (const char* file : {"/usr/sbin/cupsd", "/usr/lib/cups/filter/pstops", "/usr/lib/cups/daemon/cups-exec"}) {
      if (!fs::exists(file)) skip_ = std::string(file) + " is missing (packages cups-daemon, cups-core-drivers)";
    }
    for (const char* tool : {"lpadmin", "lp", "lpstat", "cupsenable"}) {
      if (!rvc::test::Installed(tool)) skip_ = std::string(tool) + " is missing (package cups-client)";
    }
    if (!skip_.empty()) return;

    dir_ = new rvc::test::TempDir();
    root_ = *dir_ / "sample/";
    const std::string cups = *dir_ / "cups/";
    ASSERT_EQ(RunShell(std::string(RVC_SOURCE_DIR) + "/scripts/lay_out_sample.sh " + root_).status, 0);
    WriteFile(root_ + "environment", ReadFile(root_ + "environment") + "RAVLIN_ADMIN_GROUP=root\n");
    for (const char* folder : {"conf", "bin/backend", "spool/tmp", "cache", "state", "log"}) {
      fs::create_directories(cups + folder);
    }
    // The scheduler's own user reads the spool below the scratch folder.
    for (fs::path p = cups + "bin/backend"; p.string().size() >= dir_->Path().size() - 1; p = p.parent_path()) {
      ::chmod(p.c_str(), 0755);
    }
    fs::create_symlink("/usr/lib/cups/filter", cups + "bin/filter");
    fs::create_symlink("/usr/lib/cups/daemon", cups + "bin/daemon");
    fs::copy_file(RAVLIN_BACKEND_PROGRAM, cups + "bin/backend/ravlin");
    ::chmod((cups + "bin/backend/ravlin").c_str(), 0700);
    WriteFile(cups + "conf/cupsd.conf", "Listen " + cups + "cups.sock\nLogLevel debug\nBrowsing No\n"
                                        "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
    WriteFile(cups + "conf/cups-files.conf",
              "ServerRoot " + cups + "conf\nServerBin " + cups + "bin\nDataDir /usr/share/cups\nRequestRoot " + cups +
                  "spool\nTempDir " + cups + "spool/tmp\nCacheDir " + cups + "cache\nStateDir " + cups +
                  "state\nErrorLog " + cups + "log/error_log\nAccessLog " + cups + "log/access_log\nPageLog " + cups +
                  "log/page_log\nFileDevice No\nSetEnv RAVLIN_ENVIRONMENT_FILE " + root_ + "environment\n");
    ::setenv("CUPS_SERVER", (cups + "cups.sock").c_str(), 1);
    ::setenv("RAVLIN_ENVIRONMENT_FILE", (root_ + "environment").c_str(), 1);
    const ShellResult started = RunShell("/usr/sbin/cupsd -f -c " + cups + "conf/cupsd.conf -s " + cups +
                                         "conf/cups-files.conf >" + cups + "log/stdout 2>&1 & echo $!");
    cupsd_ = std::stoi(started.output);
    if (!WaitFor([] { return RunShell("LC_ALL=C lpstat -r").output == "scheduler is running\n"; }, 10)) {
      skip_ = "cupsd did not start: " + ReadFile(cups + "log/stdout");
    }
  }

  static void TearDownTestSuite() {
    if (cupsd_ > 0) {
      ::kill(cupsd_, SIGTERM);
      WaitFor([] { return ::kill(cupsd_, 0) != 0; }, 5);
    }
    ::unsetenv("CUPS_SERVER");
    ::unsetenv("RAVLIN_ENVIRONMENT_FILE");
    delete dir_;
    dir_ = nullptr;
  }

  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
  }

  static ShellResult Ctl(const std::string& arguments) {
    return RunShell(std::string(RAVLINCTL_PROGRAM) + " " + arguments + " </dev/null");
  }

  // The files of a hot folder of the sample.
  static std::vector<std::string> FilesIn(const std::string& hotFolder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root_ + "hotfolders/" + hotFolder, error)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  static inline rvc::test::TempDir* dir_ = nullptr;
  static inline std::string root_;
  static inline std::string skip_;
  static inline pid_t cupsd_ = -1;
};

TEST_F(CupsdTest, AJobReachesTheHotFolderWholeWithTheInvocationCodeOfItsOptions) {
  fs::create_directories(root_ + "hotfolders/Tiffmono/PS");
  ShellResult published = Ctl("publish Tiffmono/Mono");
  ASSERT_EQ(published.status, 0) << published.output;
  EXPECT_TRUE(Has(RunShell("lpstat -v").output, "device for Tiffmono-Mono: ravlin:/Tiffmono/Mono")) << published.output;
  EXPECT_TRUE(Has(Ctl("list -f Tiffmono").output, "5004  Tiffmono-Mono\n"));

  const std::string job = *dir_ / "job.ps";
  WriteFile(job, "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n72 72 moveto 200 200 lineto stroke\n"
                 "showpage\n%%EOF\n");
  const ShellResult queued = RunShell("lp -d Tiffmono-Mono -t 'Plan: A/B' -o QBConfiguration=maxsize "
                                      "-o Resolution=2000dpi " + job);
  ASSERT_EQ(queued.status, 0) << queued.output;
  ASSERT_TRUE(WaitFor([] { return RunShell("lpstat -o Tiffmono-Mono").output.empty(); }, 20))
      << RunShell("lpstat -p -o").output;

  ASSERT_EQ(FilesIn("Tiffmono/PS"), std::vector<std::string>{"Plan_ A_B_1.ps"});
  const std::string delivered = ReadFile(root_ + "hotfolders/Tiffmono/PS/Plan_ A_B_1.ps");
  for (const char* part : {"%%BeginFeature: *QBConfiguration maxsize\n[ { << /DeviceRenderingInfo << /Type 0 /Tamrix "
                           "<< /conf\n(maxsize) >> >> >> setpagedevice } stopped cleartomark",
                           "%%BeginFeature: *Resolution 2000dpi\n1 dict dup /HWResolution [2000 2000] put setpagedevice",
                           "72 72 moveto 200 200 lineto stroke", "%%EOF"}) {
    EXPECT_TRUE(Has(delivered, part)) << part << "\n" << delivered;
  }
  // A new PPD reaches the queue.
  EXPECT_TRUE(Has(Ctl("ppd Mono").output, "print queue Tiffmono-Mono has the new PPD\n"));
}

TEST_F(CupsdTest, AFailingHotFolderStopsTheQueueAndUnpublishingOrDeletingRemovesIt) {
  // Mono1's hot folder does not exist.
  const ShellResult published = Ctl("publish Mono1 --queue Plates");
  ASSERT_EQ(published.status, 0) << published.output;
  ASSERT_EQ(RunShell("echo '%!PS' | lp -d Plates").status, 0);
  ASSERT_TRUE(WaitFor([] { return Has(RunShell("lpstat -p Plates").output, "disabled"); }, 20))
      << RunShell("lpstat -p Plates").output;
  const std::string state = RunShell("lpstat -p Plates").output;
  EXPECT_TRUE(Has(state, "Hot folder of dispatcher Mono1: cannot open the hot folder " + root_ +
                             "hotfolders/CtP_platedriver/PS/: No such file or directory"))
      << state;
  EXPECT_FALSE(RunShell("lpstat -o Plates").output.empty()) << "the job waits in the stopped queue";
  EXPECT_TRUE(Has(Ctl("doctor").output, "the hot folder of Tiffmono/Mono1 does not exist: print queue Plates stops"));

  ShellResult removed = Ctl("unpublish tiffmono/mono1");
  EXPECT_EQ(removed.status, 0) << removed.output;
  EXPECT_EQ(removed.output, "removed print queue Plates\n");
  EXPECT_EQ(Ctl("unpublish Mono1").status, 1);

  ASSERT_EQ(Ctl("publish Mono3_OrvaTiffsetter").status, 0);
  ShellResult deleted = Ctl("delete Mono3_OrvaTiffsetter --yes");
  EXPECT_EQ(deleted.status, 0) << deleted.output;
  EXPECT_TRUE(Has(deleted.output, "removed print queue Tiffmono-Mono3_OrvaTiffsetter")) << deleted.output;
  const std::string queues = RunShell("lpstat -v").output;
  EXPECT_FALSE(Has(queues, "Plates")) << queues;
  EXPECT_FALSE(Has(queues, "Mono3")) << queues;
}

// What the main window's commands leave behind, done here on the loaded lists: a new name
// in the same folder moves the queue to the new device URI; a dispatcher gone removes it.
TEST_F(CupsdTest, TheQueuesFollowARenameAndADeletion) {
  const ShellResult published = Ctl("publish Mono1 --queue Plates");
  ASSERT_EQ(published.status, 0) << published.output;
  rvc::platform::KW_EnvironmentSetupEx();
  rvc::frame::CRvcApp app;
  ASSERT_TRUE(app.LoadFlavourCatalogue("Tiffmono"));
  rvc::store::CDispatcherList& list = *app.Flavours.front()->DispatcherList;

  const rvc::cups::CQueueUpkeep renaming(app.Flavours);
  list.GetAt(1).Record.Name = "Plater";
  std::vector<rvc::cups::QueueReport> reports = renaming.After(app.Flavours);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, "print queue Plates now prints to ravlin:/Tiffmono/Plater");
  EXPECT_TRUE(Has(RunShell("lpstat -v").output, "device for Plates: ravlin:/Tiffmono/Plater"));

  const rvc::cups::CQueueUpkeep deleting(app.Flavours);
  list.Remove(list.GetAt(1));
  reports = deleting.After(app.Flavours);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, "removed print queue Plates of the deleted dispatcher Plater");
  EXPECT_FALSE(Has(RunShell("lpstat -v").output, "Plates"));
}

}  // namespace
