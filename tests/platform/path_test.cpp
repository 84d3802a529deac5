#include "platform/path.h"

#include <gtest/gtest.h>

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

TEST(MatchesPatternNoCaseTest, Wildcards) {
  EXPECT_TRUE(MatchesPatternNoCase("zvPress_dispatcher.ini", "zv*dispatcher.ini"));
  EXPECT_TRUE(MatchesPatternNoCase("ZVPRESS_DISPATCHER.INI", "zv*dispatcher.ini"));
  EXPECT_TRUE(MatchesPatternNoCase("zvdispatcher.ini", "zv*dispatcher.ini"));
  EXPECT_FALSE(MatchesPatternNoCase("zvPress_dispatcher.ini.bak", "zv*dispatcher.ini"));
  EXPECT_TRUE(MatchesPatternNoCase("Press.fid", "*.fid"));
  EXPECT_TRUE(MatchesPatternNoCase(".fid", "*.fid"));
  EXPECT_FALSE(MatchesPatternNoCase("Press.fidx", "*.fid"));
  EXPECT_TRUE(MatchesPatternNoCase("model.ppd", "*.PPD"));
  EXPECT_TRUE(MatchesPatternNoCase("rvc2.cfg", "rvc*.cfg"));
  EXPECT_FALSE(MatchesPatternNoCase("rvc2.cfgx", "rvc*.cfg"));
  EXPECT_TRUE(MatchesPatternNoCase("Press Desktop.bak", "*Desktop.bak"));
  EXPECT_TRUE(MatchesPatternNoCase("anything", "*"));
  EXPECT_TRUE(MatchesPatternNoCase("", "*"));
  EXPECT_FALSE(MatchesPatternNoCase("", "?"));
  EXPECT_TRUE(MatchesPatternNoCase("swap_0.sfd", "swap_?.sfd"));
  EXPECT_FALSE(MatchesPatternNoCase("swap_10.sfd", "swap_?.sfd"));
  EXPECT_TRUE(MatchesPatternNoCase("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesPatternNoCase("Old Dispatcher.lnk", "*patcher.lnk"));
}

TEST(MatchesPatternNoCaseTest, StarInTheNameIsNoWildcardOfThePattern) {
  EXPECT_TRUE(MatchesPatternNoCase("*xb", "*b"));
  EXPECT_TRUE(MatchesPatternNoCase("a*b", "a*"));
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
  EXPECT_EQ(ToUpperAscii("AbC1"), "ABC1");
}

}  // namespace
}  // namespace rvc::platform
