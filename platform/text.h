// Small text helpers shared by the file readers: trimming blanks and splitting a text into
// its blank-separated words. Views into the caller's text, no copies.
#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

namespace rvc::platform {

// Spaces and tabs: what the installation's text files pad their values with.
inline constexpr std::string_view kBlanks = " \t";

// `text` without the characters of `blanks` at either end.
inline std::string_view Trim(std::string_view text, std::string_view blanks = kBlanks) {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The words of `text` between runs of the characters of `separators`.
inline std::vector<std::string_view> SplitWords(std::string_view text, std::string_view separators = kBlanks) {
  std::vector<std::string_view> words;
  size_t start = text.find_first_not_of(separators);
  while (start != std::string_view::npos) {
    const size_t end = std::min(text.find_first_of(separators, start), text.size());
    words.push_back(text.substr(start, end - start));
    start = text.find_first_not_of(separators, end);
  }
  return words;
}

}  // namespace rvc::platform
