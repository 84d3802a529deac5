#include <gtest/gtest.h>

#include <climits>

#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

TEST(UtilsTextTest, BlanksAndUnderscores) {
  EXPECT_EQ(CRvcUtils::BlanksToUnderscores("Press 1\tA_b"), "Press_1_A_b");
  EXPECT_EQ(CRvcUtils::RemoveBlanks("Press 1\tA_b"), "Press1Ab") << "existing underscores go as well";
  EXPECT_EQ(CRvcUtils::RemoveBlanks(""), "");
}

TEST(UtilsTextTest, CommonPrefixLengthIsCaseSensitive) {
  EXPECT_EQ(CRvcUtils::CommonPrefixLength("zv_Press", "zv_Proof"), 5u);
  EXPECT_EQ(CRvcUtils::CommonPrefixLength("abc", "abc"), 3u);
  EXPECT_EQ(CRvcUtils::CommonPrefixLength("abc", "ABC"), 0u);
  EXPECT_EQ(CRvcUtils::CommonPrefixLength("", "abc"), 0u);
}

TEST(UtilsTextTest, FindIgnoringCase) {
  EXPECT_EQ(CRvcUtils::FindNoCase("a\\Flav\\b\\flav\\", "\\FLAV\\"), 1);
  EXPECT_EQ(CRvcUtils::FindLastNoCase("a\\Flav\\b\\flav\\", "\\FLAV\\"), 8);
  EXPECT_EQ(CRvcUtils::FindNoCase("abc", "abcd"), -1);
  EXPECT_EQ(CRvcUtils::FindLastNoCase("abc", "x"), -1);
  EXPECT_EQ(CRvcUtils::FindLastNoCase("aaa", "aa"), 1);
  EXPECT_EQ(CRvcUtils::FindNoCase("aaa", "aa"), 0);
  EXPECT_EQ(CRvcUtils::FindNoCase("x=1\nPAPNAME=\"Mono\"", "papname="), 4);  // first letter in the other case
  EXPECT_EQ(CRvcUtils::FindNoCase("abc", ""), 0);
  EXPECT_EQ(CRvcUtils::FindLastNoCase("abc", "abc"), 0);
}

TEST(UtilsTextTest, ParseFirstNumber) {
  long value = -1;
  EXPECT_EQ(CRvcUtils::ParseFirstNumber("CommandPort=4711 x 12", value), 12);
  EXPECT_EQ(value, 4711);
  EXPECT_EQ(CRvcUtils::ParseFirstNumber("0815", value), 0);
  EXPECT_EQ(value, 815);
  value = 7;
  EXPECT_EQ(CRvcUtils::ParseFirstNumber("no digits", value), -1);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(CRvcUtils::ParseFirstNumber("x99999999999999999999999999", value), 1);
  EXPECT_EQ(value, LONG_MAX) << "an overlong run saturates";
}

}  // namespace
}  // namespace rvc::store
