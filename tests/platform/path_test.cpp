#include "platform/path.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace rvc::platform {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(ResolveNoCaseTest, FindsTheSpellingOnDisk) {
  TempDir dir;
  WriteFile(dir / "Data/ZvA_Dispatcher.ini", "x");
  const std::string exact = dir / "Data/ZvA_Dispatcher.ini";
  EXPECT_EQ(ResolveNoCase(exact), exact);
  EXPECT_EQ(ResolveNoCase(dir / "data/zva_dispatcher.INI"), exact);
  EXPECT_EQ(ResolveNoCase(dir / "DATA/"), dir / "Data/");
  EXPECT_EQ(ResolveNoCase(dir / "data"), dir / "Data");
}

TEST(ResolveNoCaseTest, MissingTailKeepsTheCallersSpelling) {
  TempDir dir;
  WriteFile(dir / "Data/file.txt", "x");
  EXPECT_EQ(ResolveNoCase(dir / "data/New/Sub/File.TXT"), dir / "Data/New/Sub/File.TXT");
  EXPECT_EQ(ResolveNoCase(dir / "Missing/data"), dir / "Missing/data");
  EXPECT_EQ(ResolveNoCase(""), "");
}

TEST(ResolveNoCaseTest, ExactSpellingWinsOverAnotherCase) {
  TempDir dir;
  WriteFile(dir / "a/X.txt", "upper");
  WriteFile(dir / "a/x.txt", "lower");
  EXPECT_EQ(ResolveNoCase(dir / "a/x.txt"), dir / "a/x.txt");
  EXPECT_EQ(ResolveNoCase(dir / "a/X.txt"), dir / "a/X.txt");
}

TEST(OpenNoCaseTest, OpensTheExactSpellingElseTheOneOnDisk) {
  TempDir dir;
  WriteFile(dir / "Data/ZvA.ini", "x");
  std::string path = dir / "Data/ZvA.ini";
  int fd = OpenNoCase(path, O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(path, dir / "Data/ZvA.ini");

  path = dir / "data/zva.INI";
  fd = OpenNoCase(path, O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(path, dir / "Data/ZvA.ini");

  path = dir / "data/missing.ini";
  errno = 0;
  EXPECT_EQ(OpenNoCase(path, O_RDONLY | O_CLOEXEC), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(path, dir / "data/missing.ini");  // unchanged on failure
}

TEST(OpenNoCaseTest, CreatingReusesAFileThatDiffersOnlyInCase) {
  TempDir dir;
  WriteFile(dir / "Trace.TXT", "kept");
  std::string path = dir / "trace.txt";
  int fd = OpenNoCase(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "+", 1), 1);
  ::close(fd);
  EXPECT_EQ(path, dir / "Trace.TXT");
  EXPECT_EQ(test::ReadFile(dir / "Trace.TXT"), "kept+");
  EXPECT_FALSE(test::FileExists(dir / "trace.txt"));

  path = dir / "data/New.txt";  // a missing folder: created nowhere, nothing opened
  EXPECT_EQ(OpenNoCase(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644), -1);
  WriteFile(dir / "Data/old.txt", "");
  path = dir / "data/New.txt";  // the folder in another case: the file goes there
  fd = OpenNoCase(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(path, dir / "Data/New.txt");
  EXPECT_TRUE(test::FileExists(dir / "Data/New.txt"));

  path = dir / "trace.txt";  // O_EXCL: the existing file in another case counts
  errno = 0;
  EXPECT_EQ(OpenNoCase(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644), -1);
  EXPECT_EQ(errno, EEXIST);
}

TEST(ReadFileNoCaseTest, ReadsTheWholeFileInAnyCase) {
  TempDir dir;
  std::string big(200000, 'x');
  big.back() = 'y';
  WriteFile(dir / "Big.res", big);
  std::string path = dir / "big.RES";
  std::string bytes = "old";
  ASSERT_TRUE(ReadFileNoCase(path, bytes));
  EXPECT_EQ(bytes, big);
  EXPECT_EQ(path, dir / "Big.res");

  // Small files are read through a 64 KiB buffer first: sizes around its end.
  for (const size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{65537}}) {
    std::string text(size, 'a');
    if (size > 0) text.back() = 'z';
    WriteFile(dir / "Sized.res", text);
    path = dir / "Sized.res";
    ASSERT_TRUE(ReadFileNoCase(path, bytes)) << size;
    EXPECT_EQ(bytes, text) << size;
  }

  path = dir / "missing.res";
  EXPECT_FALSE(ReadFileNoCase(path, bytes));
  EXPECT_EQ(errno, ENOENT);
  path = dir.Path();
  EXPECT_FALSE(ReadFileNoCase(path, bytes));
  EXPECT_EQ(errno, EISDIR);
}

// "*" and "?" ignoring case. One star or none takes a quicker path than the general match
// and must agree with it: prefix and suffix may not overlap ("rvcfg"), two stars take the
// general match, and a star in the name is no wildcard.
// Both the single match and the pattern analysed once for many names.
TEST(MatchesPatternNoCaseTest, Wildcards) {
  using Rows = std::vector<std::pair<const char*, const char*>>;  // name, pattern
  for (const auto& [name, pattern] : Rows{
           {"zvPress_dispatcher.ini", "zv*dispatcher.ini"}, {"ZVPRESS_DISPATCHER.INI", "zv*dispatcher.ini"},
           {"zvdispatcher.ini", "zv*dispatcher.ini"}, {"Press.fid", "*.fid"}, {".fid", "*.fid"}, {"model.ppd", "*.PPD"},
           {"rvc2.cfg", "rvc*.cfg"}, {"Press Desktop.bak", "*Desktop.bak"}, {"anything", "*"}, {"", "*"},
           {"swap_0.sfd", "swap_?.sfd"}, {"a.b.c", "*.*"}, {"Old Dispatcher.lnk", "*patcher.lnk"},
           {"RVC.cfg", "rvc*.CFG"}, {"rvccfg", "rvc*cfg"}, {"abc", "abc*"}, {"zv_config_Lux.res", "ZV_CONFIG_LUX.RES"},
           {"", ""}, {"a*b", "a*b"}, {"ab", "a**b"}, {"axxb", "a*?b"}, {"*xb", "*b"}, {"a*b", "a*"}}) {
    EXPECT_TRUE(MatchesPatternNoCase(name, pattern)) << name << " " << pattern;
    EXPECT_TRUE(NamePattern(pattern).Matches(name)) << name << " " << pattern;
  }
  for (const auto& [name, pattern] : Rows{{"zvPress_dispatcher.ini.bak", "zv*dispatcher.ini"}, {"Press.fidx", "*.fid"},
                                          {"rvc2.cfgx", "rvc*.cfg"}, {"", "?"}, {"swap_10.sfd", "swap_?.sfd"},
                                          {"rvc.cf", "rvc*.cfg"}, {"rvcfg", "rvc*cfg"},
                                          {"zv_config_Lux.res", "zv_config_Lu.res"}, {"", "a"}, {"a", ""}}) {
    EXPECT_FALSE(MatchesPatternNoCase(name, pattern)) << name << " " << pattern;
    EXPECT_FALSE(NamePattern(pattern).Matches(name)) << name << " " << pattern;
  }
}

TEST(PathHelpersTest, NativeAndJoin) {
  EXPECT_EQ(NativePath("dat\\templates\\Type\\"), "dat/templates/Type/");
  EXPECT_EQ(WithTrailingSeparator("/a"), "/a/");
  EXPECT_EQ(WithTrailingSeparator("/a/"), "/a/");
  EXPECT_EQ(WithTrailingSeparator(""), "");
  EXPECT_EQ(JoinPath("/a", "/b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_TRUE(EqualsNoCase("Press", "pRESS"));
  EXPECT_FALSE(EqualsNoCase("Press", "Presse"));
  EXPECT_EQ(ToLowerAscii("AbC1"), "abc1");
  for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
           {"a", "B"}, {"B", "a"}, {"ab", "AB"}, {"ab", "abc"}, {"Z", "_"}, {"_", "z"}, {"", "a"}, {"\xe9", "z"}}) {
    EXPECT_EQ(LessNoCase(a, b), ToLowerAscii(a) < ToLowerAscii(b)) << a << " " << b;
  }
  EXPECT_EQ(ToUpperAscii("AbC1"), "ABC1");
}

}  // namespace
}  // namespace rvc::platform
