#include "ppd/ppd_format.h"

#include <charconv>
#include <stdexcept>

namespace rvc::ppd::detail {

void AppendInt(std::string& out, long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendReal(std::string& out, double value, int precision) {
  // to_chars with a precision is specified to give what printf "%.*g" gives.
  char digits[64];
  auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, precision);
  out.append(digits, result.ptr);
}

void AppendFormat(std::string& out, std::string_view format, std::initializer_list<FormatArg> args) {
  const FormatArg* next = args.begin();
  auto take = [&](FormatArg::Kind kind) -> const FormatArg& {
    if (next == args.end() || next->kind != kind) throw std::logic_error("PPD format does not fit its arguments");
    return *next++;
  };
  size_t i = 0;
  while (i < format.size()) {
    size_t percent = format.find('%', i);
    if (percent == std::string_view::npos) {
      out.append(format.substr(i));
      break;
    }
    out.append(format.substr(i, percent - i));
    if (percent + 1 >= format.size()) throw std::logic_error("PPD format ends with %");
    char c = format[percent + 1];
    i = percent + 2;
    if (c == '%') {
      out.push_back('%');
    } else if (c == 's') {
      out.append(take(FormatArg::Kind::Text).text);
    } else if (c == 'd') {
      AppendInt(out, take(FormatArg::Kind::Integer).integer);
    } else if (c == '.') {
      int precision = 0;
      size_t j = percent + 2;
      while (j < format.size() && format[j] >= '0' && format[j] <= '9')
        precision = precision * 10 + (format[j++] - '0');
      if (j >= format.size() || format[j] != 'g') throw std::logic_error("unsupported PPD format conversion");
      AppendReal(out, take(FormatArg::Kind::Real).real, precision);
      i = j + 1;
    } else {
      throw std::logic_error("unsupported PPD format conversion");
    }
  }
  if (next != args.end()) throw std::logic_error("PPD format leaves arguments unused");
}

}  // namespace rvc::ppd::detail
