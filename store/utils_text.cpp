#include <cctype>
#include <limits>

#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::store {

std::string CRvcUtils::BlanksToUnderscores(const std::string& text) {
  std::string out(text);
  for (char& c : out) {
    if (c == ' ' || c == '\t') c = '_';
  }
  return out;
}

std::string CRvcUtils::RemoveBlanks(const std::string& text) {
  std::string out;
  for (char c : BlanksToUnderscores(text)) {
    if (c != '_') out.push_back(c);
  }
  return out;
}

size_t CRvcUtils::CommonPrefixLength(std::string_view a, std::string_view b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

long CRvcUtils::FindNoCase(std::string_view text, std::string_view part) {
  if (part.size() > text.size()) return -1;
  if (part.empty()) return 0;
  // Whole files are searched: only places that start with the first character, in
  // either case, are compared.
  const char first = part.front();
  const char lower = (first >= 'A' && first <= 'Z') ? static_cast<char>(first - 'A' + 'a') : first;
  const char upper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 'a' + 'A') : first;
  const std::string_view rest = part.substr(1);
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (text[i] != lower && text[i] != upper) continue;
    if (platform::EqualsNoCase(text.substr(i + 1, rest.size()), rest)) return static_cast<long>(i);
  }
  return -1;
}

long CRvcUtils::FindLastNoCase(std::string_view text, std::string_view part) {
  if (part.size() > text.size()) return -1;
  for (size_t i = text.size() - part.size() + 1; i-- > 0;) {
    if (platform::EqualsNoCase(text.substr(i, part.size()), part)) return static_cast<long>(i);
  }
  return -1;
}

long CRvcUtils::ParseFirstNumber(std::string_view text, long& value) {
  size_t start = 0;
  while (start < text.size() && !std::isdigit(static_cast<unsigned char>(text[start]))) ++start;
  if (start == text.size()) return -1;
  // A digit run too long for a long yields the largest long rather than overflowing.
  constexpr long kMax = std::numeric_limits<long>::max();
  value = 0;
  for (size_t i = start; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    long digit = text[i] - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return static_cast<long>(start);
}

}  // namespace rvc::store
