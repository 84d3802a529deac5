#include "ripconfig/number_text.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rvc::ripconfig {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

char DecimalPoint(const std::locale& locale) { return std::use_facet<std::numpunct<char>>(locale).decimal_point(); }

// Only a plain decimal: sign, digits, one separator, digits. No exponent, no hex, no
// "inf": strtod would take those.
bool PlainDecimal(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      digits = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

double ParseC(const std::string& text) {
  // strtod follows LC_NUMERIC; the text is in the C notation here, so every other
  // separator becomes the one strtod expects.
  std::string local = text;
  const char cPoint = *std::localeconv()->decimal_point;
  for (char& c : local) {
    if (c == '.') c = cPoint;
  }
  return std::strtod(local.c_str(), nullptr);
}

}  // namespace

std::locale UserLocale() {
  try {
    return std::locale("");
  } catch (const std::exception&) {
    return std::locale::classic();
  }
}

std::optional<double> ReadDecimal(std::string_view text, const std::locale& locale) {
  std::string plain(Trimmed(text));
  const char point = DecimalPoint(locale);
  if (point != '.') {
    for (char& c : plain) {
      if (c == point) c = '.';
    }
  }
  if (!PlainDecimal(plain)) return std::nullopt;
  return ParseC(plain);
}

std::optional<long> ReadInteger(std::string_view text) {
  const std::string plain(Trimmed(text));
  if (plain.empty()) return std::nullopt;
  size_t i = (plain[0] == '-' || plain[0] == '+') ? 1 : 0;
  if (i == plain.size()) return std::nullopt;
  for (size_t j = i; j < plain.size(); ++j) {
    if (plain[j] < '0' || plain[j] > '9') return std::nullopt;
  }
  errno = 0;
  const long value = std::strtol(plain.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return value;
}

std::string FormatDecimal(double value, int decimals, const std::locale& locale) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text(buffer);
  const char cPoint = *std::localeconv()->decimal_point;
  const char point = DecimalPoint(locale);
  for (char& c : text) {
    if (c == cPoint) c = point;
  }
  return text;
}

std::string FormatSize(double mil, SizeUnit unit, const std::locale& locale) {
  switch (unit) {
    case SizeUnit::Mm:
      return FormatDecimal(mil * 2.54 / 100, 3, locale);
    case SizeUnit::Inch:
      return FormatDecimal(mil / 1000, 3, locale);
    case SizeUnit::Mil:
      break;
  }
  return FormatDecimal(mil, 0, locale);
}

std::optional<double> ReadSize(std::string_view text, SizeUnit unit, const std::locale& locale) {
  if (unit == SizeUnit::Mil) {
    const std::optional<long> whole = ReadInteger(text);
    if (!whole) return std::nullopt;
    return static_cast<double>(*whole);
  }
  const std::optional<double> value = ReadDecimal(text, locale);
  if (!value) return std::nullopt;
  return unit == SizeUnit::Mm ? *value * 100 / 2.54 : *value * 1000;
}

std::optional<SizeUnit> UnitNamed(std::string_view name) {
  if (name == "mm") return SizeUnit::Mm;
  if (name == "inch" || name == "in") return SizeUnit::Inch;
  if (name == "mil") return SizeUnit::Mil;
  return std::nullopt;
}

}  // namespace rvc::ripconfig
