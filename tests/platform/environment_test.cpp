#include "platform/environment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace rvc::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

std::vector<std::pair<std::string, std::string>> Pairs(const std::vector<EnvironmentEntry>& entries) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& e : entries) pairs.emplace_back(e.name, e.value);
  return pairs;
}

using PairList = std::vector<std::pair<std::string, std::string>>;

TEST(EnvironmentFileTest, ParsesNamesAndValues) {
  TempDir dir;
  WriteFile(dir / "environment",
            "# installation folders\n"
            "\n"
            "KW_DATA_RAVLINCONFIG=/opt/ravlin/data/config\n"
            "   # indented comment\n"
            "export KW_PROG_RAVLINCONFIG=/opt/ravlin/prog\n"
            "export\tKW_DATA_TAMRIX=/opt/tamrix\r\n"
            "  OPTIONS = a=b c=d  \n"
            "SPACED=C:\\Program Files\\Ravlin\n"
            "QUOTED=\"kept\"\n"
            "EMPTY=\n"
            "no equals sign here\n"
            "=no name\n"
            "KW_DATA_TAMRIX=/opt/tamrix2\n"
            "LAST=no newline");
  EXPECT_EQ(Pairs(ReadEnvironmentFile(dir / "environment")),
            (PairList{{"KW_DATA_RAVLINCONFIG", "/opt/ravlin/data/config"},
                      {"KW_PROG_RAVLINCONFIG", "/opt/ravlin/prog"},
                      {"KW_DATA_TAMRIX", "/opt/tamrix2"},  // the later line wins, at the first place
                      {"OPTIONS", "a=b c=d"},
                      {"SPACED", "C:\\Program Files\\Ravlin"},
                      {"QUOTED", "\"kept\""},
                      {"EMPTY", ""},
                      {"LAST", "no newline"}}));
  EXPECT_TRUE(ReadEnvironmentFile(dir / "missing").empty());
}

TEST(EnvironmentFileTest, FileIsNamedByVariableElseTheSystemFile) {
  {
    ScopedEnv named("RAVLIN_ENVIRONMENT_FILE", "/somewhere/env");
    EXPECT_EQ(EnvironmentFilePath(), "/somewhere/env");
  }
  {
    ScopedEnv empty("RAVLIN_ENVIRONMENT_FILE", "");
    EXPECT_EQ(EnvironmentFilePath(), "/etc/ravlin/environment");
  }
  ScopedEnv unset("RAVLIN_ENVIRONMENT_FILE", std::nullopt);
  EXPECT_EQ(EnvironmentFilePath(), "/etc/ravlin/environment");
}

// Only a regular file within the limit is read; anything else is named with the reason,
// and a FIFO or a device neither hangs nor grows the program.
TEST(EnvironmentFileTest, OnlyRegularFilesOfSaneSizeAreRead) {
  TempDir dir;
  WriteFile(dir / "good", "A=1\n");
  WriteFile(dir / "large", std::string(kEnvironmentFileLimit + 1, '#'));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir / "good", ""},
      {dir / "missing", " does not exist"},
      {dir / "fifo", " is not a regular file"},
      {"/dev/zero", " is not a regular file"},
      {"/dev/urandom", " is not a regular file"},
      {dir.Path(), " is not a regular file"},
      {dir / "large", " is larger than 1024 KiB"},
  };
  ScopedEnv noData("KW_DATA_RAVLINCONFIG", std::nullopt);
  for (const auto& [path, reason] : cases) {
    ScopedEnv named("RAVLIN_ENVIRONMENT_FILE", path);
    const std::string problem = EnvironmentFileProblem().value_or(MissingEnvironmentFile().value_or(""));
    EXPECT_EQ(problem, reason.empty() ? "" : "The environment file " + path + reason + " (named by RAVLIN_ENVIRONMENT_FILE)");
    EXPECT_EQ(ReadEnvironmentFile(path).size(), reason.empty() ? 1u : 0u) << path;
  }
  // A missing file is no problem for a process that has the installation's variables.
  ScopedEnv data("KW_DATA_RAVLINCONFIG", dir.Path());
  ScopedEnv missing("RAVLIN_ENVIRONMENT_FILE", dir / "missing");
  EXPECT_EQ(MissingEnvironmentFile(), std::nullopt);
  EXPECT_EQ(EnvironmentFileProblem(), std::nullopt);
}

class InstallationEnvironmentTest : public ::testing::Test {
 protected:
  InstallationEnvironmentTest() {
    WriteFile(dir / "environment",
              "RVC_TEST_ENV_A=from file\n"
              "RVC_TEST_ENV_B=file b\n"
              "RVC_TEST_ENV_C=file c\n");
  }
  TempDir dir;
  ScopedEnv file{"RAVLIN_ENVIRONMENT_FILE", dir / "environment"};
  // Restore the process afterwards, whatever the set-up added.
  ScopedEnv a{"RVC_TEST_ENV_A", std::nullopt};
  ScopedEnv b{"RVC_TEST_ENV_B", "process b"};
  ScopedEnv c{"RVC_TEST_ENV_C", std::nullopt};
};

// The set-up adds what the process lacks, never touches what it holds, and follows the
// file and its changes.
TEST_F(InstallationEnvironmentTest, SetupAddsMissingVariablesOnlyAndFollowsTheFile) {
  KW_EnvironmentSetupEx();
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "from file");
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_B"), "process b");
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_C"), "file c");
  SetEnv("RVC_TEST_ENV_A", "changed by the process");
  KW_EnvironmentSetupEx();
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "changed by the process");

  UnsetEnv("RVC_TEST_ENV_A");
  KW_EnvironmentSetupEx();  // the same file sets what the process lost again
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "from file");

  // Rewritten at once with the same size.
  UnsetEnv("RVC_TEST_ENV_A");
  WriteFile(dir / "environment", "RVC_TEST_ENV_A=from FILE\nRVC_TEST_ENV_B=file b\nRVC_TEST_ENV_C=file c\n");
  KW_EnvironmentSetupEx();
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "from FILE");

  // Changed with its old times put back.
  const struct timespec old[2] = {{1'000'000, 0}, {1'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "environment").c_str(), old, 0), 0);
  UnsetEnv("RVC_TEST_ENV_A");
  KW_EnvironmentSetupEx();
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "from FILE");
  WriteFile(dir / "environment", "RVC_TEST_ENV_A=from fILE\nRVC_TEST_ENV_B=file b\nRVC_TEST_ENV_C=file c\n");
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "environment").c_str(), old, 0), 0);
  UnsetEnv("RVC_TEST_ENV_A");
  KW_EnvironmentSetupEx();
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "from fILE");

  // Another file, then none.
  WriteFile(dir / "other", "RVC_TEST_ENV_A=other file\n");
  {
    ScopedEnv other("RAVLIN_ENVIRONMENT_FILE", dir / "other");
    UnsetEnv("RVC_TEST_ENV_A");
    KW_EnvironmentSetupEx();
    EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), "other file");
  }
  ScopedEnv none("RAVLIN_ENVIRONMENT_FILE", dir / "missing");
  UnsetEnv("RVC_TEST_ENV_A");
  KW_EnvironmentSetupEx();
  EXPECT_EQ(GetEnv("RVC_TEST_ENV_A"), std::nullopt);
}

TEST_F(InstallationEnvironmentTest, ListGivesFileOrderWithProcessValues) {
  EXPECT_EQ(Pairs(KW_EnvironmentList()),
            (PairList{{"RVC_TEST_ENV_A", "from file"}, {"RVC_TEST_ENV_B", "process b"}, {"RVC_TEST_ENV_C", "file c"}}));
  ScopedEnv none("RAVLIN_ENVIRONMENT_FILE", dir / "missing");
  EXPECT_TRUE(KW_EnvironmentList().empty());
}

TEST(ExpandEnvironmentTest, ReplacesSetReferencesAndKeepsTheRest) {
  ScopedEnv set("RVC_TEST_X", "/opt/x");
  ScopedEnv empty("RVC_TEST_EMPTY", "");
  ScopedEnv unset("RVC_TEST_UNSET", std::nullopt);

  const std::pair<const char*, const char*> rows[] = {
      {"%RVC_TEST_X%\\data\\", "/opt/x\\data\\"}, {"a%RVC_TEST_X%b%RVC_TEST_X%", "a/opt/xb/opt/x"},
      {"[%RVC_TEST_EMPTY%]", "[]"}, {"%RVC_TEST_UNSET%\\data", "%RVC_TEST_UNSET%\\data"},
      // The closing "%" of an unset reference may open the next one.
      {"%RVC_TEST_UNSET%RVC_TEST_X%", "%RVC_TEST_UNSET/opt/x"},
      {"%RVC_TEST_UNSET%%RVC_TEST_X%", "%RVC_TEST_UNSET%/opt/x"},
      {"100%", "100%"}, {"%", "%"}, {"%%", "%%"}, {"a%%b%%c", "a%%b%%c"}, {"%%RVC_TEST_X%%", "%/opt/x%"}, {"", ""},
      {"plain text", "plain text"}};
  for (const auto& [text, expanded] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ExpandEnvironmentReferences(text), expanded);
  }
}

TEST(ExpandEnvironmentTest, ReferencesIgnoreTheCaseOfNamesButPreferTheExactSpelling) {
  ScopedEnv upper("RVC_TEST_CASE", "/upper");
  ScopedEnv other("RVC_TEST_ONLY_UPPER", "/only");
  EXPECT_EQ(ExpandEnvironmentReferences("%rvc_test_only_upper%/x"), "/only/x");
  ScopedEnv lower("rvc_test_case", "/lower");
  EXPECT_EQ(ExpandEnvironmentReferences("%rvc_test_case%"), "/lower");
  EXPECT_EQ(ExpandEnvironmentReferences("%RVC_TEST_CASE%"), "/upper");
}

TEST(ExpandEnvironmentTest, MaximumLengthAppliesToTheResult) {
  ScopedEnv set("RVC_TEST_X", "/opt/x");  // 6 characters
  EXPECT_EQ(ExpandEnvironmentReferences("%RVC_TEST_X%/ab", 9), "/opt/x/ab");
  EXPECT_EQ(ExpandEnvironmentReferences("%RVC_TEST_X%/abc", 9), std::nullopt);
  EXPECT_EQ(ExpandEnvironmentReferences(std::string(300, 'a'), 260), std::nullopt);
  EXPECT_EQ(ExpandEnvironmentReferences(std::string(260, 'a'), 260), std::string(260, 'a'));
  EXPECT_EQ(ExpandEnvironmentReferences(std::string(5000, 'a'), 0), std::string(5000, 'a'));  // 0: no limit
}

}  // namespace
}  // namespace rvc::platform
