#include "ripconfig/configuration_items.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace rvc::ripconfig::items {

namespace {

// Plain decimals ("600", "-2.5", "1000.0") with at most 15 digits, which is nearly every
// number of the files, read without from_chars: their digits and the power of ten are
// exact doubles, so the one division rounds as from_chars would.
std::optional<double> PlainDecimal(std::string_view text) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++count > 15) return std::nullopt;
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point && count > 0) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowers[decimals];
  return negative ? -value : value;
}

// What PlainDecimal reads: an optional minus, then 1 to `maxDigits` digits with at most
// one full stop among or after them when `point` allows one.
bool IsPlain(std::string_view text, int maxDigits, bool point) {
  const char* at = text.data();
  const char* const end = at + text.size();
  if (at < end && *at == '-') ++at;
  const char* start = at;
  while (at < end && static_cast<unsigned char>(*at - '0') < 10) ++at;
  if (at == start) return false;
  ptrdiff_t digits = at - start;
  if (point && at < end && *at == '.') {
    start = ++at;
    while (at < end && static_cast<unsigned char>(*at - '0') < 10) ++at;
    digits += at - start;
  }
  return at == end && digits <= maxDigits;
}

// Walks the fields of an entry as ParseEntry reads them, handing each word to `word`
// (false: the entry does not read). The number of words, or nothing.
template <class Word>
std::optional<size_t> EntryWords(std::string_view text, const Word& word) {
  size_t count = 0;
  bool emptyField = true;  // no word yet since the last comma
  for (size_t i = 0, n = text.size();;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i == n || text[i] == ',') {
      if (emptyField) return std::nullopt;
      if (i == n) break;
      ++i;
      emptyField = true;
      continue;
    }
    const size_t start = i;
    while (i < n && !IsBlank(text[i]) && text[i] != ',') ++i;
    if (count == 8 || !word(count, text.substr(start, i - start))) return std::nullopt;
    ++count;
    emptyField = false;
  }
  return count;
}

#if defined(__SSE2__)
// Whether `text` is up to 63 bytes of plain decimals between single commas, as nearly
// every resolution entry is ("2400,1,50,1,0.0,0,1000,1000"): its bytes classified sixteen
// at a time, and then its fields checked a field at a time through the bit masks. False
// also for any other text that reads.
bool IsPlainEntry(std::string_view text) {
  const size_t n = text.size();
  if (n == 0 || n > 63) return false;
  alignas(16) char bytes[64] = {};
  std::memcpy(bytes, text.data(), n);
  uint64_t digits = 0, commas = 0, points = 0, minus = 0;
  for (size_t at = 0; at < n; at += 16) {
    const __m128i chunk = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + at));
    const auto mask = [](__m128i found) {
      return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(found)));
    };
    const __m128i digit =
        _mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(chunk, _mm_set1_epi8('9' + 1)));
    digits |= mask(digit) << at;
    commas |= mask(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(','))) << at;
    points |= mask(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'))) << at;
    minus |= mask(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('-'))) << at;
  }
  const uint64_t all = (uint64_t{1} << n) - 1;
  if ((digits | commas | points | minus) != all) return false;
  // A field starts after each comma; a minus stands only there, and a digit right after
  // the start or the minus (a field empty or ending the text has none). A full stop
  // follows a digit.
  const uint64_t starts = 1 | commas << 1;
  if ((minus & ~starts) != 0 || ((starts & ~minus) | (starts & minus) << 1) & ~digits) return false;
  if ((points & ~(digits << 1)) != 0) return false;
  // Every byte of a field is a digit but for its minus and its full stop.
  for (size_t from = 0, fields = 1;; ++fields) {
    const size_t to = commas != 0 ? static_cast<size_t>(std::countr_zero(commas)) : n;
    const uint64_t field = ((uint64_t{1} << to) - 1) & ~((uint64_t{1} << from) - 1);
    const uint64_t point = points & field;
    const size_t fieldDigits = to - from - (point != 0 ? 1 : 0) - ((minus & field) != 0 ? 1 : 0);
    if ((point & (point - 1)) != 0 || fieldDigits > 15 || fields > 8) return false;
    if (commas == 0) return true;
    commas &= commas - 1;
    from = to + 1;
  }
}
#endif

}  // namespace

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += separator;
    joined += parts[i];
  }
  return joined;
}

std::vector<std::string_view> BlankSeparatedWords(std::string_view text) {
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

std::optional<double> ParseTrimmedDouble(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = TrimBlanks(text.substr(1, text.size() - 2));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (auto plain = PlainDecimal(text)) return plain;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> ParseDouble(std::string_view text) { return ParseTrimmedDouble(TrimBlanks(text)); }

std::optional<int> ParseInt(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = TrimBlanks(text.substr(1, text.size() - 2));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Plain decimals of up to 15 digits read as exactly what PlainDecimal accepts; anything
// else is read in full.
bool IsDouble(std::string_view text) {
  const std::string_view trimmed = TrimBlanks(text);
  return IsPlain(trimmed, 15, true) || ParseTrimmedDouble(trimmed).has_value();
}

// Up to 9 digits always fit an int.
bool IsInt(std::string_view text) { return IsPlain(TrimBlanks(text), 9, false) || ParseInt(text).has_value(); }

bool IsEntry(std::string_view text) {
#if defined(__SSE2__)
  if (IsPlainEntry(text)) return true;
#endif
  // Nearly every entry is plain decimals between single commas ("2400,1,50,1,0.0,0,1000,1000"):
  // one pass over its characters, field by field, accepting only what the full reading
  // below accepts.
  const auto digit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
  const char* at = text.data();
  const char* const end = at + text.size();
  for (int fields = 1;; ++fields) {
    if (at < end && *at == '-') ++at;
    const char* start = at;
    while (at < end && digit(*at)) ++at;
    if (at == start) break;
    ptrdiff_t digits = at - start;
    if (at < end && *at == '.') {
      start = ++at;
      while (at < end && digit(*at)) ++at;
      digits += at - start;
    }
    if (digits > 15) break;
    if (at == end) return true;
    if (*at != ',' || fields == 8) break;
    ++at;
  }
  return EntryWords(text, [](size_t, std::string_view word) {
           return IsPlain(word, 15, true) || ParseTrimmedDouble(word).has_value();
         }).has_value();
}

std::string FormatNumber(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::string DefaultSizeText(double verticalMil, double horizontalMil) {
  char buffer[96];
  std::snprintf(buffer, sizeof(buffer), "%.1f\" x %.1f\"", verticalMil / 1000.0, horizontalMil / 1000.0);
  return buffer;
}

// Every item of every resolution set passes here at opening.
std::optional<int> ResolutionItemNumber(std::string_view item) {
  if (item.size() <= 3 || (item[0] | 0x20) != 'r' || (item[1] | 0x20) != 'e' || (item[2] | 0x20) != 's') {
    return std::nullopt;
  }
  const std::string_view digits = item.substr(3);
  unsigned number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  // Up to 9 digits always fit an int; more are read in full to see whether they do.
  return digits.size() <= 9 ? std::optional<int>(static_cast<int>(number)) : ParseInt(digits);
}

std::string ResolutionItem(size_t index) { return kResolutionPrefix + std::to_string(index + 1); }

std::string FormatEntry(const ResolutionEntry& entry) {
  std::vector<std::string> fields{FormatNumber(entry.dpi), std::to_string(entry.enabled), FormatNumber(entry.gamma),
                                  entry.useGamma ? "1" : "0"};
  for (double value : entry.calibration) fields.push_back(FormatNumber(value));
  return Join(fields, ",");
}

// Every value of every set passes here when the records are built: no allocation.
std::optional<ResolutionEntry> ParseEntry(std::string_view text) {
  std::array<double, 8> values{};
  const std::optional<size_t> words = EntryWords(text, [&](size_t at, std::string_view word) {
    const std::optional<double> value = ParseTrimmedDouble(word);
    if (value) values[at] = *value;
    return value.has_value();
  });
  if (!words) return std::nullopt;
  const size_t count = *words;
  ResolutionEntry entry;
  entry.dpi = values[0];
  if (count > 1) entry.enabled = static_cast<int>(values[1]);
  if (count > 2) entry.gamma = values[2];
  if (count > 3) entry.useGamma = values[3] != 0;
  for (size_t i = 4; i < count; ++i) entry.calibration[i - 4] = values[i];
  return entry;
}

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

std::string ItemText(const std::string& path, std::string_view topic, std::string_view item) {
  return path + ": item " + Quoted(item) + " of topic " + Quoted(topic);
}

}  // namespace rvc::ripconfig::items
