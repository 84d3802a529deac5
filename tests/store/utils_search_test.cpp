// CompareFiles and the file searches of CRvcUtils.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "core/rvc_exception.h"
#include "store/rvc_utils.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::TempDir;
using test::WriteFile;

// Sets the last-write time of `path` to `seconds` after the epoch.
void SetTime(const std::string& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class CompareFilesTest : public ::testing::Test {
 protected:
  bool Compare(const std::string& text1, const std::string& text2, const std::string& key = {}) {
    WriteFile(dir_ / "one.fid", text1);
    WriteFile(dir_ / "two.fid", text2);
    return utils_.CompareFiles(dir_ / "one.fid", dir_ / "two.fid", key);
  }

  TempDir dir_;
  CRvcUtils utils_;
};

TEST_F(CompareFilesTest, SameNameInAnotherCaseIsEqualWithoutOpening) {
  // Neither file exists: opening either would raise 104.
  EXPECT_TRUE(utils_.CompareFiles(dir_ / "Missing.FID", dir_ / "missing.fid"));
}

TEST_F(CompareFilesTest, FileThatCannotBeOpenedRaises104WithItsPath) {
  WriteFile(dir_ / "present.fid", "x\n");
  for (bool absentFirst : {true, false}) {
    SCOPED_TRACE(absentFirst);
    ExpectRvcError(
        [&] {
          absentFirst ? utils_.CompareFiles(dir_ / "absent.fid", dir_ / "present.fid")
                      : utils_.CompareFiles(dir_ / "present.fid", dir_ / "absent.fid");
        },
        104, "Failed to open " + dir_ / "absent.fid");
  }
}

TEST_F(CompareFilesTest, FilesAreOpenedIgnoringCase) {
  WriteFile(dir_ / "Templates/Zv.FID", "[Main]\n");
  WriteFile(dir_ / "copy.fid", "[main]\n");
  EXPECT_TRUE(utils_.CompareFiles(dir_ / "templates/zv.fid", dir_ / "copy.fid"));
}

// The files' texts go to CompareTexts, the key with them.
TEST_F(CompareFilesTest, ComparesTheTextsOfTheFiles) {
  const std::string one = "[Main]\nRavlin FID = 4.2\nComment = one\nRAVLIN-Type: Setter\n";
  const std::string two = "[Other]\nravlinfid:4.2\nComment = two\nextra line\nravlin-type = setter\n";
  EXPECT_TRUE(Compare(one, two, "Ravlin"));
  EXPECT_FALSE(Compare(one, two));
}

// Lines are paired, not searched for, ignoring case, blanks and tabs, as a stream reads
// them (no empty last line after the final line end); only the second text ending first
// makes a difference. With a key only its lines count, without ":" and "=", and a key line
// of the first text without a partner is skipped.
TEST(CompareTextsTest, PairsLinesIgnoringCaseAndBlanks) {
  const struct {
    std::string one, two, key;
    bool equal;
  } rows[] = {
      {"[Main]\nName = Big Setter\n", "[main]\r\nname=\tbigsetter\r\n", "", true},
      {"[Main]\nName = Big Setter\n", "[Main]\nName = Big Setter 2\n", "", false},
      {"a=b\n", "a:b\n", "", false}, {"a\nb\n", "b\na\n", "", false}, {"a\nb\nc\n", "a\nb\n", "", false},
      {"a\nb\n", "a\nb\nc\n", "", true}, {"", "anything\n", "", true}, {"A b\r\nc", "a\tB\nC\n", "", true},
      {"a\n\n", "a\n", "", false}, {"a\n", "a\n\nmore", "", true}, {"a=1", "a1", "", false},
      {" \t\nab", "\na b \n", "", true}, {"ab\n", "a\n", "", false}, {"a\n", "ab\n", "", false},
      {std::string("a\0b\n", 4), std::string("A\0B", 3), "", true},
      {"[Main]\nRavlin FID = 4.2\nRAVLIN-Type: Setter\n", "Ravlin FID = 4.3\nRavlin-Type = Setter\n", "Ravlin", false},
      {"FID=1\nFID=2\nFID=3\n", "fid 1\nno key here\n", "FID", true}, {"FID=1\n", "FID=1\nFID=2\n", "FID", true},
      {"FID=1\nFID=2\n", "FID=1\nFID=9\n", "FID", false}, {"Name = x:y\n", "NAME X Y\n", "name", true},
      {"x\nname=a", "NAME=A\ny", "name", true}, {"name=a\r\nname=b", "name=a\nName = B\n", "name", true},
      {"name=a\nfoo\nthe name=c\n", "name=a\nname=b\n", "NAME", false},
      {"same\ntext\n", "same\ntext\n", "absent", true}, {"x\n_Key=1\nnn nnaMe\n", "_KEY=1\nNNNAME\n", "_key", true},
      {"a\nn\nNa\nnaMe", "b\nNAME", "name", true},  // the key last, no line end
      {"nam\ne\nname=1", "name=2", "name", false}, {"x\nFID: lux\ny\n", "FID=LUX\nother\n", "fid", true},
      {"FID=LUX\n", "fid=agfa\n", "FID", false}, {"name=a\nname=b\n", "NAME a\n", "Name", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CRvcUtils::CompareTexts(row.one, row.two, row.key), row.equal) << row.one << "|" << row.two << "|"
                                                                              << row.key;
  }
}

// What a search left in its in-out arguments, and whether it found the file.
struct Found {
  bool found;
  std::string pattern, fallback;
  bool operator==(const Found&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Found& f) {
    return os << f.found << " pattern=" << f.pattern << " fallback=" << f.fallback;
  }
};

class FindTest : public ::testing::Test {
 protected:
  // FindNewestFile: the path found, or the pattern left as it was prefixed by "none:".
  std::string Newest(const std::string& folder, std::string pattern, bool flat) {
    bool found = utils_.FindNewestFile(folder, pattern, flat);
    return found ? pattern : "none:" + pattern;
  }
  Found OrFallback(const std::string& folder, std::string pattern, std::string fallback) {
    bool found = utils_.FindFileOrFallback(folder, pattern, fallback);
    return {found, pattern, fallback};
  }

  TempDir dir_;
  CRvcUtils utils_;
};

// FindFirstMatch and FindNextMatch walk the matching files by name; ListFiles gives their
// names at once and resolves the folder's spelling as far as it exists.
TEST_F(FindTest, FirstAndNextWalkTheMatchingFilesByNameAndListFilesAtOnce) {
  WriteFile(dir_ / "Data/zvB_dispatcher.ini", "b");
  WriteFile(dir_ / "Data/ZVa_Dispatcher.INI", "a");
  WriteFile(dir_ / "Data/zvc_dispatcher.ini.bak", "");
  WriteFile(dir_ / "Data/other.txt", "");
  WriteFile(dir_ / "Data/zvdir_dispatcher.ini/inside", "");  // a folder does not match
  SetTime(dir_ / "Data/ZVa_Dispatcher.INI", 1'000'000);

  ASSERT_TRUE(utils_.FindFirstMatch(dir_ / "data/", "zv*dispatcher.ini"));
  EXPECT_EQ(utils_.FoundName(), "ZVa_Dispatcher.INI");
  EXPECT_EQ(utils_.FoundTime(), int64_t{1'000'000} * 1'000'000'000);
  ASSERT_TRUE(utils_.FindNextMatch());
  EXPECT_EQ(utils_.FoundName(), "zvB_dispatcher.ini");
  EXPECT_FALSE(utils_.FindNextMatch());
  EXPECT_FALSE(utils_.FindNextMatch());

  std::string folder = dir_ / "data/";
  EXPECT_EQ(CRvcUtils::ListFiles(folder, "zv*dispatcher.ini"),
            (std::vector<std::string>{"ZVa_Dispatcher.INI", "zvB_dispatcher.ini"}));
  EXPECT_EQ(folder, dir_ / "Data/");

  folder = dir_.Path();
  EXPECT_EQ(CRvcUtils::ListFiles(folder, "DATA/*.txt"), std::vector<std::string>{"other.txt"});
  EXPECT_EQ(folder, dir_ / "Data/");

  folder = dir_ / "data/Missing/";
  EXPECT_TRUE(CRvcUtils::ListFiles(folder, "*").empty());
  EXPECT_EQ(folder, dir_ / "Data/Missing/");  // resolved as far as it exists
}

TEST_F(FindTest, NoMatchOrNoFolderFindsNothing) {
  WriteFile(dir_ / "a.txt", "");
  EXPECT_FALSE(utils_.FindFirstMatch(dir_.Path(), "*.fid"));
  EXPECT_FALSE(utils_.FindFirstMatch(dir_ / "missing/", "*"));
  EXPECT_FALSE(utils_.FindNextMatch());
}

TEST_F(FindTest, NewestTakesTheLatestFileAndKeepsTheEarlierOfEqualTimes) {
  WriteFile(dir_ / "a.lnk", "");
  WriteFile(dir_ / "B.lnk", "");
  WriteFile(dir_ / "c.lnk", "");
  WriteFile(dir_ / "sub/z.lnk", "");  // subfolders are not looked at
  SetTime(dir_ / "a.lnk", 100);
  SetTime(dir_ / "B.lnk", 300);
  SetTime(dir_ / "c.lnk", 300);
  SetTime(dir_ / "sub/z.lnk", 900);

  EXPECT_EQ(Newest(dir_.Path(), "*.LNK", true), dir_ / "B.lnk");
  EXPECT_EQ(Newest(dir_.Path(), "*.res", true), "none:*.res");
}

TEST_F(FindTest, SearchFormTakesTheFolderFirstThenSubfoldersDepthFirst) {
  WriteFile(dir_ / "prog/a/deep/x/rvc2.cfg", "deep");
  WriteFile(dir_ / "prog/b/rvc1.cfg", "shallow but later");
  EXPECT_EQ(Newest(dir_ / "Prog/", "RVC*.cfg", false), dir_ / "prog/a/deep/x/rvc2.cfg");
  WriteFile(dir_ / "prog/rvc9.cfg", "top");
  EXPECT_EQ(Newest(dir_ / "prog", "rvc*.cfg", false), dir_ / "prog/rvc9.cfg");
}

TEST_F(FindTest, SearchFormDoesNotFollowFolderLinks) {
  WriteFile(dir_ / "outside/rvc1.cfg", "");
  ASSERT_EQ(::mkdir((dir_ / "prog").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("..", (dir_ / "prog/loop").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (dir_ / "prog/out").c_str()), 0);
  EXPECT_EQ(Newest(dir_ / "prog/", "rvc1.cfg", false), "none:rvc1.cfg");
}

TEST_F(FindTest, LinksToFilesCountAsTheFilesTheyPointTo) {
  WriteFile(dir_ / "real/target.txt", "");
  SetTime(dir_ / "real/target.txt", 500);
  ASSERT_EQ(::mkdir((dir_ / "prog").c_str(), 0755), 0);
  ASSERT_EQ(::symlink((dir_ / "real/target.txt").c_str(), (dir_ / "prog/b.fid").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "real/gone.txt").c_str(), (dir_ / "prog/a.fid").c_str()), 0);  // dangling
  ASSERT_EQ(::symlink((dir_ / "real").c_str(), (dir_ / "prog/c.fid").c_str()), 0);           // a folder

  ASSERT_TRUE(utils_.FindFirstMatch(dir_ / "prog/", "*.fid"));
  EXPECT_EQ(utils_.FoundName(), "b.fid");
  EXPECT_EQ(utils_.FoundTime(), int64_t{500} * 1'000'000'000);
  EXPECT_FALSE(utils_.FindNextMatch());

  EXPECT_EQ(Newest(dir_ / "PROG/", "*.FID", false), dir_ / "prog/b.fid");
  EXPECT_EQ(Newest(dir_ / "prog/", "*.fid", true), dir_ / "prog/b.fid");
}

TEST_F(FindTest, SearchFormTakesAFoldersOwnFileBeforeAnyOfItsSubfolders) {
  WriteFile(dir_ / "prog/a/rvc1.cfg", "");
  WriteFile(dir_ / "prog/a/b/rvc0.cfg", "");
  WriteFile(dir_ / "prog/z.cfg", "");
  WriteFile(dir_ / "prog/Rvc3.cfg", "");
  WriteFile(dir_ / "prog/rvc2.cfg", "");
  EXPECT_EQ(Newest(dir_ / "prog/", "rvc*.cfg", false), dir_ / "prog/rvc2.cfg");
  ASSERT_EQ(::unlink((dir_ / "prog/rvc2.cfg").c_str()), 0);
  ASSERT_EQ(::unlink((dir_ / "prog/Rvc3.cfg").c_str()), 0);
  EXPECT_EQ(Newest(dir_ / "prog/", "rvc*.cfg", false), dir_ / "prog/a/rvc1.cfg");
}

TEST_F(FindTest, FileOrFallbackFindsWhatTwoSearchesWould) {
  WriteFile(dir_ / "prog/a.ini", "");
  WriteFile(dir_ / "prog/b/c/rvc2.cfg", "");
  // The fallback is not looked at.
  EXPECT_EQ(OrFallback(dir_ / "Prog/", "rvc*.cfg", "*.ini"), (Found{true, dir_ / "prog/b/c/rvc2.cfg", "*.ini"}));

  // Without the pattern anywhere, the fallback's first file in the search order.
  WriteFile(dir_ / "data/b/z.ini", "");
  WriteFile(dir_ / "data/b/deeper/a.ini", "");
  WriteFile(dir_ / "data/a/x/y.ini", "");
  WriteFile(dir_ / "data/c/rvc1.txt", "");
  EXPECT_EQ(Newest(dir_ / "data/", "*.INI", false), dir_ / "data/a/x/y.ini");
  EXPECT_EQ(OrFallback(dir_ / "data/", "rvc*.cfg", "*.INI"), (Found{false, "rvc*.cfg", dir_ / "data/a/x/y.ini"}));
  EXPECT_EQ(OrFallback(dir_ / "data/", "rvc*.cfg", "*.res"), (Found{false, "rvc*.cfg", ""}));
  EXPECT_EQ(OrFallback(dir_ / "missing/", "rvc*.cfg", "*.ini"), (Found{false, "rvc*.cfg", ""}));

  // Patterns that name different folders are searched one after the other.
  EXPECT_EQ(OrFallback(dir_ / "data/", "c/rvc*.cfg", "b/*.ini"), (Found{false, "c/rvc*.cfg", dir_ / "data/b/z.ini"}));
  EXPECT_EQ(OrFallback(dir_ / "data/", "c/rvc1.*", "b/*.ini").pattern, dir_ / "data/c/rvc1.txt");
}

TEST_F(FindTest, AListingScopeReadsEachFolderOnce) {
  WriteFile(dir_ / "prog/a/x.ini", "");
  WriteFile(dir_ / "prog/b/c/y.fid", "");
  WriteFile(dir_ / "prog/b/c/z.fid", "");
  {
    CRvcUtils::ListingScope scope;
    EXPECT_EQ(OrFallback(dir_ / "prog/", "rvc*.cfg", "*.ini"), (Found{false, "rvc*.cfg", dir_ / "prog/a/x.ini"}));

    // Files added now are not seen while the scope lives: the walk read the folders.
    WriteFile(dir_ / "prog/b/c/rvc1.cfg", "");
    WriteFile(dir_ / "prog/b/c/a.fid", "");
    std::string folder = dir_ / "prog/b/c/";
    EXPECT_EQ(CRvcUtils::ListFiles(folder, "*.fid"), (std::vector<std::string>{"y.fid", "z.fid"}));
    EXPECT_FALSE(OrFallback(dir_ / "prog/", "rvc*.cfg", "*.ini").found);

    // Times are still asked on disk.
    SetTime(dir_ / "prog/b/c/y.fid", 200);
    SetTime(dir_ / "prog/b/c/z.fid", 100);
    EXPECT_EQ(Newest(dir_ / "prog/b/c/", "*.fid", true), dir_ / "prog/b/c/y.fid");
    ASSERT_TRUE(utils_.FindFirstMatch(dir_ / "prog/b/c", "*.fid"));
    EXPECT_EQ(utils_.FoundName(), "y.fid");
    EXPECT_EQ(utils_.FoundTime(), int64_t{200} * 1'000'000'000);

    {
      CRvcUtils::ListingScope inner;  // starts empty
      EXPECT_EQ(OrFallback(dir_ / "prog/", "rvc*.cfg", "*.ini"), (Found{true, dir_ / "prog/b/c/rvc1.cfg", "*.ini"}));
    }
    // Changing the tree forgets what the scope read.
    utils_.CreateFolderTree(dir_ / "prog/d");
    EXPECT_EQ(OrFallback(dir_ / "prog/", "rvc*.cfg", "*.ini"), (Found{true, dir_ / "prog/b/c/rvc1.cfg", "*.ini"}));
  }
  std::string folder = dir_ / "prog/b/c/";
  EXPECT_EQ(CRvcUtils::ListFiles(folder, "*.fid"), (std::vector<std::string>{"a.fid", "y.fid", "z.fid"}));
}

TEST_F(FindTest, AFolderLargerThanOneReadIsListedWhole) {
  // Some 45 KB of entries: several reads of the folder.
  std::vector<std::string> names;
  for (int i = 0; i < 700; ++i) {
    names.push_back("dispatcher_with_a_rather_long_name_" + std::to_string(1000 + i) + ".fid");
    WriteFile(dir_ / names.back(), "");
  }
  for (bool scoped : {false, true}) {
    SCOPED_TRACE(scoped);
    std::optional<CRvcUtils::ListingScope> scope;
    if (scoped) scope.emplace();
    for (int pass = 0; pass < 2; ++pass) {  // the second from the scope's listing
      std::string folder = dir_.Path();
      EXPECT_EQ(CRvcUtils::ListFiles(folder, "*.fid"), names);
    }
    EXPECT_EQ(Newest(dir_.Path(), "*1699.fid", false), dir_ / names.back());
  }
}

TEST_F(FindTest, PatternMayNameASubfolderAndAnExactFile) {
  WriteFile(dir_ / "com_win/DispatcherAB.bat", "");
  EXPECT_EQ(Newest(dir_.Path(), "COM_WIN/dispatcherab.bat", true), dir_ / "com_win/DispatcherAB.bat");
}

TEST_F(FindTest, NewestFileDoesNotDisturbARunningSearch) {
  WriteFile(dir_ / "1.fid", "");
  WriteFile(dir_ / "2.fid", "");
  WriteFile(dir_ / "x.res", "");
  ASSERT_TRUE(utils_.FindFirstMatch(dir_.Path(), "*.fid"));
  EXPECT_EQ(Newest(dir_.Path(), "*.res", true), dir_ / "x.res");
  EXPECT_EQ(utils_.FoundName(), "1.fid");
  ASSERT_TRUE(utils_.FindNextMatch());
  EXPECT_EQ(utils_.FoundName(), "2.fid");
}

}  // namespace
}  // namespace rvc::store
