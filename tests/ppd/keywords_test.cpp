// Keywords and translation strings from names in UTF-8.
#include "ppd/ppd_keywords.h"

#include <gtest/gtest.h>

#include "ppd/create_ppd.h"

namespace rvc::ppd {
namespace {

TEST(PpdKeywords, NamesBecomeAsciiKeywordsAndLatin1Texts) {
  const struct {
    std::string name, key, text;
  } cases[] = {
      {"Standard", "Standard", "Standard"},
      {"Größe A4", "Grosse_A4",
       "Gr\xF6\xDF"
       "e A4"},
      {"Gr\xF6\xDF"
       "e",
       "Grosse",
       "Gr\xF6\xDF"
       "e"},  // already Latin-1
      {"ÆØÅ/æøå:Þ", "AEOA_aeoa_TH", "\xC6\xD8\xC5/\xE6\xF8\xE5<3A>\xDE"},
      {"€ 5 <x>", "_5_<x>", "? 5 <3C>x<3E>"},
      {"日本", "x9f26ee51", "??"},
      {std::string(45, 'a'), std::string(39, 'a'), std::string(45, 'a')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CCreatePpd::OptionKey(c.name), c.key) << c.name;
    EXPECT_EQ(Latin1Translation(c.name), c.text) << c.name;
  }
  EXPECT_EQ(Latin1Translation(std::string(100, 'b')).size(), 80u);
}

TEST(PpdKeywords, DerivedKeywordsAreUniqueIgnoringCase) {
  OptionKeywords keys(10);
  EXPECT_EQ(keys.Keep("Paper"), "Paper");
  EXPECT_EQ(keys.Keep("Paper"), "Paper");  // kept as it is, even twice
  EXPECT_EQ(keys.Unique("PAPER"), "PAPER_2");
  EXPECT_EQ(keys.Unique("paper"), "paper_3");
  EXPECT_EQ(keys.Unique("LongerName"), "LongerName");
  EXPECT_EQ(keys.Unique("LongerName"), "ngerName_2");  // cut at its start to stay within 10
  EXPECT_EQ(keys.Unique("Other"), "Other");
}

}  // namespace
}  // namespace rvc::ppd
