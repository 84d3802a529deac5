// Small text helpers shared by the file readers: trimming blanks, splitting a text into its
// blank-separated words, comparing names ignoring case. Views into the caller's text, no
// copies.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rvc::platform {

// Spaces and tabs: what the installation's text files pad their values with.
inline constexpr std::string_view kBlanks = " \t";

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names compared ignoring ASCII case (dispatchers, folders, topics, items). Names of one
// length that differ mostly differ at an end ("Config1", "Config2"), which is looked at
// first; names that match are mostly spelt alike, so they are compared eight bytes at a
// time while their bytes agree, and letter by letter only from where they differ.
[[gnu::always_inline]] inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  if (n == 0) return true;
  const auto sameLetter = [](char x, char y) { return x == y || LowerAscii(x) == LowerAscii(y); };
  if (!sameLetter(a[0], b[0]) || !sameLetter(a[n - 1], b[n - 1])) return false;
  const auto load = [](const char* at, auto word) {
    std::memcpy(&word, at, sizeof word);
    return word;
  };
  size_t i = 0;
  if (n >= 8) {
    while (i + 8 <= n && load(a.data() + i, uint64_t{}) == load(b.data() + i, uint64_t{})) i += 8;
    if (i + 8 > n && load(a.data() + n - 8, uint64_t{}) == load(b.data() + n - 8, uint64_t{})) return true;
  } else if (n >= 4 && load(a.data(), uint32_t{}) == load(b.data(), uint32_t{}) &&
             load(a.data() + n - 4, uint32_t{}) == load(b.data() + n - 4, uint32_t{})) {
    return true;
  }
  for (; i < n; ++i) {
    if (!sameLetter(a[i], b[i])) return false;
  }
  return true;
}

// The first of [at, end) that is `a` or `b`, else `end`. Sixteen bytes at a time: the
// names and values of the files are short, and a call of memchr costs as much as reading
// them.
inline const char* FindEither(const char* at, const char* end, char a, char b) {
#if defined(__SSE2__)
  const __m128i wantA = _mm_set1_epi8(a), wantB = _mm_set1_epi8(b);
  for (; end - at >= 16; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i found = _mm_or_si128(_mm_cmpeq_epi8(bytes, wantA), _mm_cmpeq_epi8(bytes, wantB));
    if (const auto marks = static_cast<unsigned>(_mm_movemask_epi8(found))) return at + std::countr_zero(marks);
  }
#endif
  while (at < end && *at != a && *at != b) ++at;
  return at;
}

// `text` without blanks at either end. Readers of large files trim thousands of values,
// so blanks are tested inline rather than looked up in a set.
inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// `text` without the characters of `blanks` at either end.
inline std::string_view Trim(std::string_view text, std::string_view blanks) {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The words of `text` between runs of blanks.
inline std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end) {
    while (at < end && IsBlank(*at)) ++at;
    const char* word = at;
    at = FindEither(at, end, ' ', '\t');
    if (at > word) words.emplace_back(word, static_cast<size_t>(at - word));
  }
  return words;
}

// The words of `text` between runs of the characters of `separators`.
inline std::vector<std::string_view> SplitWords(std::string_view text, std::string_view separators) {
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
