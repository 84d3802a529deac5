// printf-style formatting of PPD lines, independent of the process locale (a decimal
// comma must never reach a PPD) and without allocating once the target has grown.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace rvc::ppd::detail {

struct FormatArg {
  enum class Kind { Text, Integer, Real };
  FormatArg(std::string_view value) : kind(Kind::Text), text(value) {}
  FormatArg(const std::string& value) : kind(Kind::Text), text(value) {}
  FormatArg(const char* value) : kind(Kind::Text), text(value) {}
  FormatArg(int value) : kind(Kind::Integer), integer(value) {}
  FormatArg(long value) : kind(Kind::Integer), integer(value) {}
  FormatArg(double value) : kind(Kind::Real), real(value) {}

  Kind kind;
  std::string_view text;
  long long integer = 0;
  double real = 0;
};

// Appends `format` filled with `args` in order. Understands "%s", "%d", "%.<n>g" and
// "%%" exactly as printf writes them in the C locale; any other conversion, or a
// conversion that does not fit its argument, is a programming error (std::logic_error).
void AppendFormat(std::string& out, std::string_view format, std::initializer_list<FormatArg> args);

void AppendInt(std::string& out, long long value);
// printf "%.<precision>g".
void AppendReal(std::string& out, double value, int precision);

// The integer part of `value`, as a C cast to int takes it (fractions cut toward zero).
inline int IntegerPart(double value) { return static_cast<int>(value); }

// Points (1/72 inch) of a size in mil, fractions cut. Multiplying by 72 and dividing by
// 1000 keeps whole inches exact (14000 mil are 1008 points), which "mil * 0.072" in
// binary floating point does not (1007.9999...).
inline int MilToPoints(double mil) { return static_cast<int>(mil * 72.0 / 1000.0); }

}  // namespace rvc::ppd::detail
