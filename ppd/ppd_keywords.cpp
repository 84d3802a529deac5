#include "ppd/ppd_keywords.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/path.h"

namespace rvc::ppd {
namespace {

// The code point of the UTF-8 sequence at `at`, advancing `at`; -1 (and one byte) when
// the bytes there are no UTF-8.
long NextCodePoint(std::string_view text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  long point = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07;
  } else {
    ++at;
    return -1;
  }
  if (at + length > text.size()) {
    ++at;
    return -1;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      ++at;
      return -1;
    }
    point = (point << 6) | (byte(at + i) & 0x3F);
  }
  // Overlong forms and surrogates are no characters.
  if ((length == 3 && point < 0x800) || (length == 4 && (point < 0x10000 || point > 0x10FFFF)) ||
      (point >= 0xD800 && point <= 0xDFFF)) {
    ++at;
    return -1;
  }
  at += length;
  return point;
}

// ASCII for the Latin-1 letters U+00C0 to U+00FF; "" for the two signs among them.
const char* const kLatinLetters[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",   // C0
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss",  // D0
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",   // E0
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y",   // F0
};

bool KeywordByte(char c) { return c > ' ' && c < 0x7F && c != '/' && c != ':'; }

}  // namespace

bool HasNonAscii(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string AsciiKeywordText(std::string_view name) {
  std::string key;
  for (size_t at = 0; at < name.size();) {
    long point = NextCodePoint(name, at);
    if (point < 0) point = static_cast<unsigned char>(name[at - 1]);  // a Latin-1 byte
    if (point < 0x80) {
      const char c = static_cast<char>(point);
      key.push_back(KeywordByte(c) ? c : '_');
    } else if (point >= 0xC0 && point <= 0xFF) {
      key += kLatinLetters[point - 0xC0];
    }
  }
  return key;
}

std::string HashKeyword(std::string_view name) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  char text[16];
  std::snprintf(text, sizeof text, "x%08x", static_cast<unsigned>(hash));
  return text;
}

std::string Latin1Translation(std::string_view name, size_t maxBytes) {
  std::string out;
  size_t count = 0;
  for (size_t at = 0; at < name.size() && count < maxBytes; ++count) {
    long point = NextCodePoint(name, at);
    if (point < 0) point = static_cast<unsigned char>(name[at - 1]);
    if (point > 0xFF) point = '?';
    if (point < 0x20 || point == 0x7F || point == ':' || point == '<' || point == '>') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned>(point));
      out += hex;
    } else {
      out.push_back(static_cast<char>(point));
    }
  }
  return out;
}

bool OptionKeywords::Taken(std::string_view keyword) const {
  return std::any_of(taken_.begin(), taken_.end(),
                     [&](const std::string& t) { return platform::EqualsNoCase(t, keyword); });
}

std::string OptionKeywords::Keep(std::string keyword) {
  taken_.push_back(keyword);
  return keyword;
}

std::string OptionKeywords::Unique(std::string keyword) {
  std::string candidate = keyword;
  for (int n = 2; Taken(candidate); ++n) {
    const std::string suffix = "_" + std::to_string(n);
    const size_t room = maxLength_ > suffix.size() ? maxLength_ - suffix.size() : 0;
    candidate = (keyword.size() > room ? keyword.substr(keyword.size() - room) : keyword) + suffix;
  }
  taken_.push_back(candidate);
  return candidate;
}

}  // namespace rvc::ppd
