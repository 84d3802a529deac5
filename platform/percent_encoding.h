// "%XX" escapes of bytes: the intent journal keeps any value on one text line with them,
// the CUPS device URIs carry flavour and dispatcher names with them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rvc::platform {

// `text` with every byte for which `escape(byte)` holds written as "%XX" (upper-case hex).
template <class Predicate>
std::string PercentEncode(std::string_view text, Predicate escape) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (escape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The bytes behind the "%XX" escapes of `text` (hex digits in either case); nothing when
// an escape is cut short or not hex.
std::optional<std::string> PercentDecode(std::string_view text);

}  // namespace rvc::platform
