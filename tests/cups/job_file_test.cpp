// The backend's side of a job: its file name in the hot folder, the confinement of the
// write to that folder, the hot folder an ini file names, and the device URI.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cups/device_uri.h"
#include "cups/hot_folder.h"
#include "platform/unique_fd.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using rvc::cups::JobFileName;

namespace {

struct NameCase {
  std::string title;
  std::string id;
  std::string expected;
};

TEST(JobFileName, KeepsTheTitleWithoutWhatTheRipsPlatformForbids) {
  const std::vector<NameCase> cases = {
      {"Report", "42", "Report_42.ps"},
      {"Report: Q3/final", "7", "Report_ Q3_final_7.ps"},
      {R"(a\b*c?d"e<f>g|h)", "1", "a_b_c_d_e_f_g_h_1.ps"},
      {"tab\there\nline\x7f", "2", "tab_here_line__2.ps"},
      {"../../etc/passwd", "3", "___.._etc_passwd_3.ps"},
      {"..", "4", "___4.ps"},
      {" .hidden", "5", "__hidden_5.ps"},
      {"", "6", "job_6.ps"},
      {"Grüße", "8", "Grüße_8.ps"},
      {"bad\xff\xfe", "9", "bad___9.ps"},
      {"x", "12; rm -rf", "x_12.ps"},
      {"x", "", "x_0.ps"},
      {std::string(150, 'a'), "10", std::string(100, 'a') + "_10.ps"},
      // A character that would pass the 100-byte limit is left out whole.
      {std::string(99, 'a') + "é", "11", std::string(99, 'a') + "_11.ps"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(JobFileName(c.title, c.id), c.expected) << c.title;
  }
}

TEST(DeliverJob, WritesTheWholeJobOnlyInsideTheHotFolder) {
  rvc::test::TempDir dir;
  const std::string hot = dir / "hot/";
  fs::create_directories(hot);
  rvc::test::WriteFile(dir / "job.ps", "%!PS\nshowpage\n");
  // A link planted under the job's name is replaced, never followed.
  rvc::test::WriteFile(dir / "outside.txt", "keep");
  fs::create_symlink(dir / "outside.txt", hot + "A_1.ps");

  struct DeliverCase {
    std::string folder;
    std::string name;
    bool done;
  };
  const std::vector<DeliverCase> cases = {
      {hot, "A_1.ps", true},
      {hot, "../escape.ps", false},
      {hot, "..", false},
      {hot, "", false},
      {dir / "missing/", "B_2.ps", false},
      {dir / "job.ps", "B_2.ps", false},  // a file in the folder's place
  };
  for (const DeliverCase& c : cases) {
    rvc::platform::UniqueFd input(::open((dir / "job.ps").c_str(), O_RDONLY));
    const std::string failure = rvc::cups::DeliverJob(c.folder, c.name, input.get());
    EXPECT_EQ(failure.empty(), c.done) << c.folder << c.name << ": " << failure;
  }
  EXPECT_EQ(rvc::test::ReadFile(hot + "A_1.ps"), "%!PS\nshowpage\n");
  EXPECT_FALSE(fs::is_symlink(hot + "A_1.ps"));
  EXPECT_EQ(rvc::test::ReadFile(dir / "outside.txt"), "keep");
  EXPECT_FALSE(fs::exists(dir / "escape.ps"));
  // Nothing else is left: no temporary file, no file outside the hot folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(hot), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);
}

TEST(HotFolderOf, ExpandsTheIniValueWithTheDispatchersEnvironment) {
  rvc::test::TempDir dir;
  rvc::test::ScopedEnv root("RVC_TEST_HOT_ROOT", dir.Path() + "root");
  rvc::test::ScopedEnv data("KW_DATA_TAMRIX", std::nullopt);
  struct IniCase {
    std::string folderTopic;  // the [folder] lines
    std::string expected;     // the folder, or "" when a problem is expected
  };
  const std::vector<IniCase> cases = {
      {"hotfolder=%KW_DATA_TAMRIX%\\Hot\\PS\n", dir.Path() + "root/data/Hot/PS/"},
      {"hotfolder=\"%RVC_TEST_HOT_ROOT%\\PS\"\n", dir.Path() + "root/PS/"},
      {"hotfolder=relative\\PS\n", ""},
      {"other=x\n", ""},
  };
  for (const IniCase& c : cases) {
    const std::string ini = dir / "zvMono_dispatcher.ini";
    rvc::test::WriteFile(ini, "[global]\nflavor=Tiffmono\n\n[folder]\n" + c.folderTopic +
                                  "\n[environment]\nKW_DATA_TAMRIX=%RVC_TEST_HOT_ROOT%\\data\n");
    std::string problem;
    EXPECT_EQ(rvc::cups::HotFolderOf(ini, problem), c.expected) << c.folderTopic;
    EXPECT_EQ(problem.empty(), !c.expected.empty()) << c.folderTopic << problem;
  }
}

TEST(DeviceUri, NamesFlavourDispatcherAndVersion) {
  using rvc::cups::DispatcherAddress;
  struct UriCase {
    DispatcherAddress address;
    std::string uri;
  };
  const std::vector<UriCase> cases = {
      {{"Tiffmono", "Mono", ""}, "ravlin:/Tiffmono/Mono"},
      {{"Tiffmono", "Mono X/1", "10.1"}, "ravlin:/Tiffmono/Mono%20X%2F1?version=10.1"},
  };
  for (const UriCase& c : cases) {
    EXPECT_EQ(rvc::cups::MakeDeviceUri(c.address), c.uri);
    const auto parsed = rvc::cups::ParseDeviceUri(c.uri);
    ASSERT_TRUE(parsed) << c.uri;
    EXPECT_EQ(parsed->flavour + "|" + parsed->name + "|" + parsed->version,
              c.address.flavour + "|" + c.address.name + "|" + c.address.version);
  }
  for (const char* bad : {"file:/x/y", "ravlin:/Tiffmono", "ravlin:/a/b/c", "ravlin:/a/%zz", "ravlin:/a/b?x=1",
                          "ravlin://a/"}) {
    EXPECT_FALSE(rvc::cups::ParseDeviceUri(bad)) << bad;
  }
}

}  // namespace
