// Numbers as an operator types and reads them: decimals with the decimal separator of a
// locale (the user's by default), and the media size units.
#pragma once

#include <locale>
#include <optional>
#include <string>
#include <string_view>

namespace rvc::ripconfig {

// The user's locale (from LANG / LC_ALL / LC_NUMERIC); the classic one when that cannot
// be made.
std::locale UserLocale();

// A decimal written with the locale's decimal separator (a full stop is accepted too when
// the locale's separator is something else). Blanks around it are allowed; anything else
// makes the text unreadable (nothing).
std::optional<double> ReadDecimal(std::string_view text, const std::locale& locale);
// A whole number, optionally signed.
std::optional<long> ReadInteger(std::string_view text);
// `value` printed with printf's "%.<decimals>f" and the locale's decimal separator.
std::string FormatDecimal(double value, int decimals, const std::locale& locale);

// Units of a media size; sizes are held in mil (thousandths of an inch).
enum class SizeUnit { Mm = 0, Inch = 1, Mil = 2 };
inline constexpr const char* kUnitNames[] = {"mm", "inch", "mil"};

// The size shown in `unit`: mm with "%.3f" (mil x 2.54 / 100), inch with "%.3f"
// (mil / 1000), mil with "%.0f".
std::string FormatSize(double mil, SizeUnit unit, const std::locale& locale);
// The text read back into mil: mm x 100 / 2.54, inch x 1000, mil as a whole number.
std::optional<double> ReadSize(std::string_view text, SizeUnit unit, const std::locale& locale);
// "mm", "inch" or "mil" (also "in"); nothing for another text.
std::optional<SizeUnit> UnitNamed(std::string_view name);

}  // namespace rvc::ripconfig
