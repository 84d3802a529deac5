#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/rvc_exception.h"
#include "store/rvc_utils.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

TEST(ExpandPathTest, ExpandsReferencesAndUsesForwardSlashes) {
  ScopedEnv prog("RVC_TEST_PROG", "/opt/ravlin/prog");
  CRvcUtils utils;
  EXPECT_EQ(utils.ExpandPath("%RVC_TEST_PROG%\\dat\\types.dat"), "/opt/ravlin/prog/dat/types.dat");
  EXPECT_EQ(utils.ExpandPath("/plain//path\\file.x"), "/plain/path/file.x");
  EXPECT_EQ(utils.ExpandPath(""), "");
}

TEST(ExpandPathTest, ResultLongerThan260CharactersRaises108WithTheOriginalText) {
  CRvcUtils utils;
  {
    ScopedEnv longValue("RVC_TEST_LONG", "/" + std::string(255, 'a'));  // 256 characters
    EXPECT_EQ(utils.ExpandPath("%RVC_TEST_LONG%/bcd").size(), 260u);
  }
  ScopedEnv longValue("RVC_TEST_LONG", "/" + std::string(256, 'a'));
  ExpectRvcError([&] { utils.ExpandPath("%RVC_TEST_LONG%/bcd"); }, 108,
                 "Failed to expand environment string %RVC_TEST_LONG%/bcd");
  EXPECT_THROW(utils.ExpandFolder("%RVC_TEST_LONG%/bcd/"), CRvcException);
}

TEST(ExpandFolderTest, KeepsTheDirectoryPartWithTrailingSeparator) {
  ScopedEnv data("RVC_TEST_DATA", "/srv/ravlin/data\\");
  CRvcUtils utils;
  EXPECT_EQ(utils.ExpandFolder("%RVC_TEST_DATA%"), "/srv/ravlin/data/");
  EXPECT_EQ(utils.ExpandFolder("%RVC_TEST_DATA%flav\\"), "/srv/ravlin/data/flav/");
  EXPECT_EQ(utils.ExpandFolder("/no/such/folder/rvc2.cfg"), "/no/such/folder/");
  // A last component that is not an existing folder is not part of the folder.
  EXPECT_EQ(utils.ExpandFolder("/no/such/folder/flav"), "/no/such/folder/");
  EXPECT_EQ(utils.ExpandFolder("//server/share/dir/x.cfg"), "//server/share/dir/");
  EXPECT_EQ(utils.ExpandFolder("C:\\prog\\"), "C:/prog/");
  EXPECT_EQ(utils.ExpandFolder("/srv//ravlin\\\\data/"), "/srv/ravlin/data/");
  EXPECT_EQ(utils.ExpandFolder("//server/share/"), "//server/share/");
}

TEST(ExpandFolderTest, ExistingFolderWithoutTrailingSeparatorIsKept) {
  TempDir dir;
  WriteFile(dir / "Flav/rvc2.cfg", "");
  ScopedEnv tmp("RVC_TEST_TMP", dir.Path() + "Flav");
  CRvcUtils utils;
  EXPECT_EQ(utils.ExpandFolder("%RVC_TEST_TMP%"), dir.Path() + "Flav/");
  EXPECT_EQ(utils.ExpandFolder(dir.Path() + "flav"), dir.Path() + "flav/") << "found ignoring case";
  EXPECT_EQ(utils.ExpandFolder(dir.Path() + "Flav/rvc2.cfg"), dir.Path() + "Flav/") << "a file is no folder";
  // Empty or unexpanded text gives no folder.
  ScopedEnv unset("RVC_TEST_UNSET", std::nullopt);
  EXPECT_EQ(utils.ExpandFolder(""), "");
  EXPECT_EQ(utils.ExpandFolder("%RVC_TEST_UNSET%"), "");
}

TEST(PathPartsTest, NameAndType) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"rvc2.cfg", "rvc2", ".cfg"},           {"/data/flav.1/data/zv_config.res", "zv_config", ".res"},
      {"/data/flav.1/", "", ""},              {"/data/flav.1/readme", "readme", ""},
      {"C:\\data\\Press Desktop.bak", "Press Desktop", ".bak"}};
  for (const auto& [path, name, type] : rows) {
    EXPECT_EQ(CRvcUtils::GetNamePart(path), name) << path;
    EXPECT_EQ(CRvcUtils::GetTypePart(path), type) << path;
  }
}

}  // namespace
}  // namespace rvc::store
