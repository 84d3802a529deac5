// Swap files: loading (lower case, sections and comments skipped, duplicates merged, at
// most ten), the canonical form written by Save, and the page's Add and Remove.
#include "store/swap_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/rvc_exception.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::store {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class SwapfilesTest : public ::testing::Test {
 protected:
  SwapfilesTest()
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"), trace_("KW_DATA_RAVLINCONFIG", dir_.Path()) {}

  std::string File(int n) const { return dir_ / ("data/swap_" + std::to_string(n) + ".sfd"); }
  void WriteAll(const std::string& text) {
    for (int n = 0; n < 3; ++n) WriteFile(File(n), text);
  }
  CSwapfiles Load() { return CSwapfiles(File(0), File(1), File(2)); }

  TempDir dir_;
  test::ScopedEnv env_;
  test::ScopedEnv trace_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

TEST_F(SwapfilesTest, LoadingLowerCasesMergesDuplicatesAndSkipsSectionsAndComments) {
  WriteAll("# Swap folders\n[persistent]\nC:\\Swap\nD:\\Spool\\A\n[volatile]\nC:\\Swap\nc:\\swap\r\n\nE:\\x\n");
  CSwapfiles swap = Load();
  EXPECT_EQ(swap.Entries(0), (std::vector<std::string>{"c:\\swap", "d:\\spool\\a", "e:\\x"}));
  EXPECT_EQ(swap.Entries(2), swap.Entries(0));
}

TEST_F(SwapfilesTest, SaveWritesTheCanonicalFormAndDropsComments) {
  WriteFile(
      File(0),
      "# PostScript\n[persistent]\n%KW_DATA_TAMRIX%\\Mono\\SwapFiles\\PS\n%KW_DATA_TAMRIX%\\Mono\\SwapFiles\\PS2\n"
      "[volatile]\n%KW_DATA_TAMRIX%\\Mono\\SwapFiles\\PS\n");
  WriteFile(File(1), "[persistent]\nX:\\one\n");
  WriteFile(File(2), "");
  Load().Save();
  EXPECT_EQ(ReadFile(File(0)),
            "[persistent]\n%kw_data_tamrix%\\mono\\swapfiles\\ps\n%kw_data_tamrix%\\mono\\swapfiles\\ps2\n[volatile]\n"
            "%kw_data_tamrix%\\mono\\swapfiles\\ps\n%kw_data_tamrix%\\mono\\swapfiles\\ps2\n");
  EXPECT_EQ(ReadFile(File(1)), "[persistent]\nx:\\one\n[volatile]\nx:\\one\n");
  EXPECT_EQ(ReadFile(File(2)), "[persistent]\n[volatile]\n");
  // The canonical form reads back to itself.
  const std::string saved = ReadFile(File(0));
  Load().Save();
  EXPECT_EQ(ReadFile(File(0)), saved);
}

TEST_F(SwapfilesTest, UnreadableOrUnwritableFilesRaise104WithTheirPath) {
  WriteFile(File(0), "a\n");
  WriteFile(File(1), "b\n");
  ExpectRvcError([&] { Load(); }, 104, "Failed to open " + File(2));
  WriteFile(File(2), "c\n");
  CSwapfiles swap = Load();
  std::filesystem::remove_all(dir_ / "data");
  EXPECT_EQ(Raised([&] { swap.Save(); }).Id(), 104);
}

TEST_F(SwapfilesTest, AtMostTenFoldersAreHeldAndAdded) {
  std::string text;
  for (int i = 0; i < 12; ++i) text += "f" + std::to_string(i) + "\n";
  WriteAll(text);
  CSwapfiles swap = Load();
  ASSERT_EQ(swap.Entries(0).size(), 10u);
  EXPECT_EQ(swap.Entries(0).back(), "f9");
  EXPECT_FALSE(swap.AddFolder(0, "/new/"));

  WriteAll("one\n");
  swap = Load();
  EXPECT_TRUE(swap.AddFolder(1, "/Swap/Two/"));
  EXPECT_FALSE(swap.AddFolder(1, "/swap/two/"));  // already held, ignoring case
  EXPECT_FALSE(swap.AddFolder(1, ""));
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(swap.AddFolder(1, "/s" + std::to_string(i)));
  EXPECT_FALSE(swap.AddFolder(1, "/eleventh"));
  EXPECT_EQ(swap.Entries(1).size(), 10u);
  EXPECT_EQ(swap.Entries(0).size(), 1u);
}

TEST_F(SwapfilesTest, AddAsksForAFolder) {
  WriteAll("one\n");
  CSwapfiles swap = Load();
  ui_.QueueFolder(dir_ / "picked");
  EXPECT_TRUE(swap.Add(2));
  EXPECT_EQ(ui_.FolderTitles(), std::vector<std::string>{"Select directory for swapfiles"});
  EXPECT_EQ(swap.Entries(2).size(), 2u);
  EXPECT_FALSE(swap.Add(2));  // cancelled
  swap.SetViewOnly(true);
  EXPECT_FALSE(swap.ButtonsEnabled());
}

TEST_F(SwapfilesTest, RemoveTakesTheClickedRowButNeverTheLastFolder) {
  WriteAll("a\nb\nc\n");
  CSwapfiles swap = Load();
  swap.SetClickedRow(1);
  EXPECT_TRUE(swap.Remove(0));
  EXPECT_EQ(swap.Entries(0), (std::vector<std::string>{"a", "c"}));
  swap.SetClickedRow(5);
  EXPECT_FALSE(swap.Remove(0));
  swap.SetClickedRow(0);
  EXPECT_TRUE(swap.Remove(0));
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_FALSE(swap.Remove(0));
  EXPECT_EQ(swap.Entries(0), std::vector<std::string>{"c"});
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, "You can not delete this swapfile");
  EXPECT_EQ(ui_.Messages()[0].title, "Error");
}

}  // namespace
}  // namespace rvc::store
