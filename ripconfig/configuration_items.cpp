#include "ripconfig/configuration_items.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

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
  size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  if (i == text.size() || text[i] < '0' || text[i] > '9') return false;
  int digits = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++digits > maxDigits) return false;
    } else if (c == '.' && point) {
      point = false;
    } else {
      return false;
    }
  }
  return true;
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

}  // namespace

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += separator;
    joined += parts[i];
  }
  return joined;
}

std::optional<double> ParseTrimmedDouble(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = Trim(text.substr(1, text.size() - 2));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (auto plain = PlainDecimal(text)) return plain;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> ParseDouble(std::string_view text) { return ParseTrimmedDouble(Trim(text)); }

std::optional<int> ParseInt(std::string_view text) {
  text = Trim(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = Trim(text.substr(1, text.size() - 2));
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
  const std::string_view trimmed = Trim(text);
  return IsPlain(trimmed, 15, true) || ParseTrimmedDouble(trimmed).has_value();
}

// Up to 9 digits always fit an int.
bool IsInt(std::string_view text) { return IsPlain(Trim(text), 9, false) || ParseInt(text).has_value(); }

bool IsEntry(std::string_view text) {
  // Nearly every entry is plain decimals between single commas ("2400,1,50,1,0.0,0,1000,1000"):
  // one pass over its characters, accepting only what the full reading below accepts.
  size_t fields = 1;
  int digits = 0;
  bool point = false, fieldStart = true;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (++digits > 15) break;
      fieldStart = false;
    } else if (c == ',' && digits > 0 && fields < 8) {
      ++fields;
      digits = 0;
      point = false;
      fieldStart = true;
    } else if (c == '.' && digits > 0 && !point) {
      point = true;
    } else if (c == '-' && fieldStart) {
      fieldStart = false;
    } else {
      digits = -1;
      break;
    }
  }
  if (digits > 0 && digits <= 15) return true;
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
