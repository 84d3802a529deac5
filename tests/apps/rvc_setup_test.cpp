// rvc_setup as an installer runs it: on a fresh copy of the sample installation, without
// a display, judged by its exit code, its output and the trace files it leaves.
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <utility>

#include "tests/support/program_run.h"
#include "tests/support/test_support.h"
#include "tests/support/xvfb.h"

namespace {

using rvc::test::FileExists;
using rvc::test::ReadFile;

using Result = rvc::test::ProgramResult;

class RvcSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string command = std::string(RVC_SOURCE_DIR) + "/scripts/lay_out_sample.sh " + root_ + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // Whoever runs the tests counts as an administrator of the copy.
    if (group* own = ::getgrgid(::getegid())) AddToEnvironmentFile("RAVLIN_ADMIN_GROUP", own->gr_name);
  }

  void AddToEnvironmentFile(const std::string& name, const std::string& value) {
    rvc::test::WriteFile(root_ + "environment", ReadFile(root_ + "environment") + name + "=" + value + "\n");
  }

  // Runs rvc_setup with `arguments`, the copy's environment file and no display.
  Result Run(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& extra = {}) {
    ::mkdir((dir_ / "run").c_str(), 0700);
    rvc::test::ProgramRun run{RVC_SETUP_PROGRAM, arguments, extra, dir_.Path()};
    run.environment.emplace("RAVLIN_ENVIRONMENT_FILE", root_ + "environment");
    run.environment.emplace("XDG_RUNTIME_DIR", dir_ / "run");
    return rvc::test::RunProgram(run);
  }

  std::string Trace(const std::string& name) const { return ReadFile(root_ + "config/" + name); }
  static size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
  }

  rvc::test::TempDir dir_;
  std::string root_ = dir_ / "sample/";
};

// The first instance, as a process of its own: rvc_instance_holder on the instance
// "RVC101" in `folder`, talking through pipes.
class InstanceHolder {
 public:
  explicit InstanceHolder(const std::string& folder) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      ::execl(INSTANCE_HOLDER_PROGRAM, INSTANCE_HOLDER_PROGRAM, folder.c_str(), "RVC101", nullptr);
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~InstanceHolder() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

  // The next line the holder printed; "" when it printed none within a generous wait (a
  // guard against hanging, not a measurement).
  std::string NextLine() {
    std::string line;
    char c = 0;
    pollfd readable{output_, POLLIN, 0};
    while (::poll(&readable, 1, 10000) == 1 && ::read(output_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  // Closes its standard input, which ends it; its exit code.
  int Stop() {
    ::close(input_);
    int status = 0;
    const bool ended = ::waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
};

const char* kTraceFiles[] = {"trace_rvc.txt",        "trace_rvc_install.txt", "trace_rvc_update.txt",
                             "trace_rvc_backup.txt", "trace_rvc_delete.txt",  "trace_rvc_version.txt"};

TEST_F(RvcSetupTest, TheSwitchPicksTheJobAndItsTraceFile) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"Tiffmono", "-i", "10.1"}, "trace_rvc_install.txt"},
      {{"Tiffmono", "/U", "10.1"}, "trace_rvc_update.txt"},
      {{"Tiffmono", "-b"}, "trace_rvc_backup.txt"},
      {{"Tiffmono", "-backup"}, "trace_rvc_update.txt"},   // "u" comes before "b"
      {{"Tiffmono", "-d", "-i"}, "trace_rvc_delete.txt"},  // the leftmost wins
  };
  for (const auto& [arguments, file] : cases) {
    for (const char* name : kTraceFiles) std::remove((root_ + "config/" + name).c_str());
    Result result = Run(arguments);
    EXPECT_EQ(result.exitCode, 0) << file;
    EXPECT_EQ(result.out, "") << file;
    for (const char* name : kTraceFiles) {
      const std::string trace = Trace(name);
      if (name == file) {
        EXPECT_EQ(Count(trace, "\tRVC::Start\n"), 1u) << name;
        EXPECT_EQ(Count(trace, "\tRVC::Stop\n"), 1u) << name;
      } else {
        EXPECT_FALSE(FileExists(root_ + "config/" + name)) << name << " for " << file;
      }
    }
  }
}

TEST_F(RvcSetupTest, TheVersionJobTracesEveryShortcutItCannotRewriteAndMakesTheMenuGroup) {
  // The sample's shortcut folders start empty.
  Result result = Run({"Tiffmono", "-v", "10.1"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out + result.err, "");
  const std::string trace = Trace("trace_rvc_version.txt");
  EXPECT_EQ(Count(trace, "\tRVC::Cannot modify desktop short cut : Ravlin Tiff : "), 3u) << trace;
  EXPECT_EQ(Count(trace, "\tRVC::Cannot modify program short cut for: Ravlin Tiff : Mono1 !\n"), 1u) << trace;
  EXPECT_LT(trace.find("\tRVC::Start\n"), trace.find("Cannot modify"));
  EXPECT_NE(trace.find("\tRVC::Stop\n"), std::string::npos);
  // The program menu's group is made even though there was no launcher to put in it.
  struct stat group {};
  EXPECT_TRUE(::stat((root_ + "programs/Orva").c_str(), &group) == 0 && S_ISDIR(group.st_mode));
}

TEST_F(RvcSetupTest, KwNorvcTouchesNothing) {
  const auto before = rvc::test::Snapshot(root_);
  for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {"Tiffmono", "-u", "10.1"}}) {
    Result result = Run(arguments, {{"kw_norvc", ""}});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out + result.err, "");
  }
  EXPECT_EQ(rvc::test::Snapshot(root_), before);
}

// Alone on the command line "--version" (which holds an "i") and "--help" are no switches.
TEST_F(RvcSetupTest, VersionAndHelpAlonePrintAndTouchNothing) {
  const auto before = rvc::test::Snapshot(root_);
  const std::pair<const char*, const char*> cases[] = {{"--version", "rvc_setup (Ravlin Configurator) "},
                                                       {"--help", "usage: rvc_setup "}};
  for (const auto& [argument, start] : cases) {
    Result result = Run({argument});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind(start, 0), 0u) << result.out;
  }
  EXPECT_EQ(rvc::test::Snapshot(root_), before);
}

TEST_F(RvcSetupTest, APreferredFlavourMatchingNothingEndsAJobQuietly) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{{"Nope", "-u", "10.1"}, {"-u", "Tiffmono"}}) {
    Result result = Run(arguments);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out + result.err, "");
  }
  const std::string trace = Trace("trace_rvc_update.txt");
  EXPECT_EQ(Count(trace, "\tRVC::"), 4u) << trace;
  EXPECT_EQ(Count(trace, "\tRVC::Start\n"), 2u);
}

TEST_F(RvcSetupTest, AnErrorIsReportedAndTheJobStillStops) {
  Result result = Run({"Tiffmono", "-b", "9.9"});
  EXPECT_EQ(result.exitCode, 0);
  const std::string error = "RDB error " + root_ + "config/rvc_9.9.dat";
  EXPECT_NE(result.err.find(error), std::string::npos) << result.err;
  const std::string trace = Trace("trace_rvc_backup.txt");
  EXPECT_LT(trace.find("\tRVC::Start\n"), trace.find(error));
  EXPECT_LT(trace.find(error), trace.find("\tRVC::Stop\n"));
}

TEST_F(RvcSetupTest, AnInteractiveRunWithoutDisplaySaysSoAndSummarisesTheInstallation) {
  Result result = Run({});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("No display"), std::string::npos) << result.err;
  EXPECT_NE(result.out.find("Installed Flavours (Ravlin 10.1):"), std::string::npos) << result.out;
  // Sorted by display name; the first is shown first.
  EXPECT_LT(result.out.find("* Approval"), result.out.find("Ravlin Proof"));
  EXPECT_LT(result.out.find("Ravlin Tiff"), result.out.find("Velmora Dedezi"));
  EXPECT_NE(result.out.find("Velmora1"), std::string::npos);
  EXPECT_EQ(Count(Trace("trace_rvc.txt"), "\tRVC::Start\n"), 1u);
  // The list-less flavour is rebuilt in memory only.
  EXPECT_FALSE(FileExists(root_ + "data/Approval/rvc1.cfg"));

  // A DISPLAY whose server does not answer leads to the same summary.
  result = Run({}, {{"DISPLAY", ":987"}});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("No display: :987 cannot be opened"), std::string::npos) << result.err;
  EXPECT_NE(result.out.find("* Approval"), std::string::npos) << result.out;
}

// With a display the same start opens the program's windows, up to the main window, which
// closes itself at its first paint (RVC_FIRST_PAINT).
TEST_F(RvcSetupTest, AnInteractiveRunWithADisplayPaintsTheMainWindowAndEnds) {
  if (!RVC_SETUP_WINDOWS) GTEST_SKIP() << "rvc_setup is built without Qt";
  if (!rvc::test::OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
  const rvc::test::Xvfb server;
  ASSERT_TRUE(server.Display()) << "Xvfb did not start";
  const Result result = Run({}, {{"DISPLAY", *server.Display()}, {"RVC_FIRST_PAINT", "1"}});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("first-paint "), std::string::npos) << result.out << result.err;
  EXPECT_EQ(Count(Trace("trace_rvc.txt"), "\tRVC::Start\n"), 1u);
}

// A later interactive start asks the running instance to come to the front and ends at
// once: it neither shows anything of its own nor starts its trace. Many rounds, as the
// request once raced with the first instance closing the connection.
TEST_F(RvcSetupTest, ASecondInteractiveStartActivatesTheFirstAndEnds) {
  ::mkdir((dir_ / "run").c_str(), 0700);
  InstanceHolder first(dir_ / "run");
  ASSERT_EQ(first.NextLine(), "ready");
  for (int round = 0; round < 25; ++round) {
    Result second = Run({});
    EXPECT_EQ(second.exitCode, 0) << round;
    EXPECT_TRUE(second.out.empty() && second.err.empty()) << "round " << round << ": " << second.err;
    ASSERT_EQ(first.NextLine(), "activated") << round;
  }
  EXPECT_FALSE(FileExists(root_ + "config/trace_rvc.txt"));
  EXPECT_EQ(first.Stop(), 0);
}

TEST_F(RvcSetupTest, ThePreferredFlavourOfADedeziInstallationIsShownFirst) {
  AddToEnvironmentFile("RAVLIN_OEM", "Dedezi");
  Result result = Run({});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("* Velmora Dedezi"), std::string::npos) << result.out;

  result = Run({"Nope", "-f"}, {{"RAVLIN_OEM", "none"}});
  EXPECT_NE(result.err.find("Preferred flavour Nope does not exist\nSwitching to first one found"), std::string::npos)
      << result.err;
  EXPECT_NE(result.out.find("* Approval"), std::string::npos);
}

}  // namespace
