// Option keywords and translation strings of generated PPDs. A PPD declares ISOLatin1;
// its keywords must be printable ASCII without "/" and ":", at most 40 characters, and
// CUPS compares choices ignoring case. Names come from the RIP's files in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rvc::ppd {

inline constexpr size_t kMaxKeyword = 40;

// Whether `text` holds a byte outside ASCII.
bool HasNonAscii(std::string_view text);

// `name` with Latin letters in ASCII (accents dropped, "ß" as "ss", "Æ" as "AE"),
// other non-ASCII characters left out and every other byte that a keyword cannot hold
// (blanks, controls, "/", ":") as "_". Empty when nothing is left.
std::string AsciiKeywordText(std::string_view name);

// "x" followed by eight hexadecimal digits of a hash of `name`: the keyword of a name
// that leaves no ASCII behind.
std::string HashKeyword(std::string_view name);

// The translation string of `name` in ISOLatin1: UTF-8 characters up to U+00FF as one
// byte, others as "?", bytes that are no UTF-8 kept (already Latin-1); ":", "<", ">"
// and controls as hexadecimal substrings ("<3A>"). At most `maxBytes` characters of
// the name are taken.
std::string Latin1Translation(std::string_view name, size_t maxBytes = 80);

// The keywords of one option. Keywords given as they are (`Keep`) stay, even twice, as
// they always have; a derived keyword (`Unique`) gets "_2", "_3", ... when it equals,
// ignoring case, one given before it, cut at its start to stay within `maxLength`.
class OptionKeywords {
 public:
  explicit OptionKeywords(size_t maxLength = kMaxKeyword) : maxLength_(maxLength) {}
  std::string Keep(std::string keyword);
  std::string Unique(std::string keyword);

 private:
  bool Taken(std::string_view keyword) const;
  size_t maxLength_;
  std::vector<std::string> taken_;
};

}  // namespace rvc::ppd
