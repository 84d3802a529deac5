// Reading a list file in one pass: the values a resource database of the same bytes gives.
#include "store/list_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

constexpr std::string_view kMainNames[] = {"NrConfigs"};
constexpr std::string_view kItemNames[] = {"Name", "Folder"};
const ListFile::Items kMain(kMainNames), kItems(kItemNames);

TEST(ListFile, FirstTopicAndItemOfANameAndEscapedValues) {
  test::TempDir dir;
  test::WriteFile(dir / "a.cfg",
                  "\xEF\xBB\xBFName=before any topic\r\n[config2]\r\nfolder=F2\r\nFolder=later\r\n;@=Name=x\\ny\r\n"
                  "[MAIN]\nNrConfigs=2\n[Main]\nNrConfigs=9\n[Config1]\nName=A\n[Config2]\nName=other\n[Config02]\nName=no");
  test::WriteFile(dir / "b.cfg", "[Config1]\nName=B\n");
  ListFile a(kMain, kItems);
  ASSERT_TRUE(a.Read(dir / "A.CFG"));
  {
    // A second list read meanwhile keeps its own bytes.
    ListFile b(kMain, kItems);
    ASSERT_TRUE(b.Read(dir / "b.cfg"));
    ASSERT_TRUE(b.FindRecord(1));
    EXPECT_EQ(b.Item(0), "B");
    EXPECT_EQ(b.Main(0), std::nullopt);
  }
  EXPECT_EQ(a.Main(0), "2");
  EXPECT_EQ(a.Records(), 3u);
  ASSERT_TRUE(a.FindRecord(1));
  EXPECT_EQ(a.Item(0), "A");
  EXPECT_EQ(a.Item(1), std::nullopt);
  ASSERT_TRUE(a.FindRecord(2));
  EXPECT_EQ(a.Item(0), "x\ny");
  EXPECT_EQ(a.Item(1), "F2");
  EXPECT_FALSE(a.FindRecord(3));
  EXPECT_EQ(a.Item(0), std::nullopt);

  ListFile missing(kMain, kItems);
  EXPECT_FALSE(missing.Read(dir / "missing.cfg"));
}

TEST(ListFile, NamesOfEverySizeMatchIgnoringTheCaseOfTheirLettersOnly) {
  static constexpr std::string_view kNames[] = {"A", "B_c", "Base", "Fol_der", "ZV_PLATE_OR_FILM", "ZV_DISPATCHER_TEMPLATE"};
  static const ListFile::Items kWanted(kNames);
  test::TempDir dir;
  // Near misses first: a byte that differs from one of the name's own only in the bit
  // case changes in letters ("_" and DEL), a last byte changed, other sizes.
  test::WriteFile(dir / "c.cfg",
                  "[Config1]\n!=no\nB\x7F" "C=no\nBasf=no\nFol\x7F" "der=no\nZV_PLATE_OR_FILX=no\n"
                  "ZV_DISPATCHER_TEMPLATF=no\nBa=no\nBases=no\n"
                  "a=1\nb_C=2\nBASE=3\nfOL_DER=4\nzv_plate_or_film=5\nzv_dispatcher_template=6\n");
  ListFile file(kWanted, kWanted);
  ASSERT_TRUE(file.Read(dir / "c.cfg"));
  ASSERT_TRUE(file.FindRecord(1));
  for (size_t i = 0; i < std::size(kNames); ++i) EXPECT_EQ(file.Item(i), std::to_string(i + 1)) << kNames[i];
}

}  // namespace
}  // namespace rvc::store
