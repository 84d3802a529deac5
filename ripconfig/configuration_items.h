// Topic and item names of the RIP configuration files, and how their values are read
// and written: numbers in the C form, resolution entries, the texts of problems.
// Shared by the opening and the writing of ConfigurationStore.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "ripconfig/records.h"

namespace rvc::ripconfig::items {

inline constexpr const char* kMainTopic = "Main";
inline constexpr const char* kConfsItem = "confs";
inline constexpr const char* kSetsItem = "sets";
inline constexpr const char* kUsedItem = "used";
inline constexpr const char* kOriginItem = "origin";
inline constexpr const char* kMediaItem = "media";

inline constexpr const char* kNameItem = "name";
inline constexpr const char* kFilmItem = "film";
inline constexpr const char* kSetItem = "set";
inline constexpr const char* kOutputItem = "output";
inline constexpr const char* kVSizeItem = "vsize";
inline constexpr const char* kHSizeItem = "hsize";
inline constexpr const char* kPolarityItem = "polarity";
inline constexpr const char* kCurveItem = "curve";
inline constexpr const char* kSizeTextItem = "sizetext";
inline constexpr const char* kFlagItem = "flag";
inline constexpr const char* kResolutionPrefix = "res";

inline constexpr const char* kRecorderTopic = "Recorder";
inline constexpr const char* kMaxWidthItem = "maxwidth";
inline constexpr const char* kMaxHeightItem = "maxheight";
inline constexpr const char* kPixelClockItem = "pixelclock";
inline constexpr const char* kPerimeterItem = "perimeter";

inline constexpr const char* kNamesTopic = "Names";
inline constexpr const char* kNamePrefix = "name";

std::string Join(const std::vector<std::string>& parts, std::string_view separator);

// Spaces and tabs pad values and separate the names of a list.
using platform::FindEither;
using platform::EqualsNoCase;
using platform::IsBlank;
using platform::SplitWords;
using platform::Trim;

// Numbers are written in the C form whatever the locale: "." for decimals; a value may
// stand in double quotes. ParseTrimmedDouble takes a text without blanks at either end.
std::optional<double> ParseTrimmedDouble(std::string_view text);
std::optional<double> ParseDouble(std::string_view text);
std::optional<int> ParseInt(std::string_view text);
// Whether ParseDouble, ParseInt and ParseEntry read `text`, without reading it: a check of
// the files at opening asks this of thousands of values whose numbers it does not need.
bool IsDouble(std::string_view text);
bool IsInt(std::string_view text);
// Up to nine digits and nothing else, which both read: most numbers of the files.
inline bool IsPlainDigits(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c - '0') > 9) return false;
  }
  return true;
}
bool IsEntry(std::string_view text);
// The shortest text that reads back as the same value.
std::string FormatNumber(double value);

// Vertical and horizontal size in inches, as the media editor writes it.
std::string DefaultSizeText(double verticalMil, double horizontalMil);

// "res" followed by digits: the number, else nothing.
std::optional<int> ResolutionItemNumber(std::string_view item);
// The item of the entry at `index`: res1, res2, ...
std::string ResolutionItem(size_t index);
// dpi, enabled, gamma, gamma used, then the four calibration values, separated by commas.
std::string FormatEntry(const ResolutionEntry& entry);
// Reads what FormatEntry writes; blanks may stand beside or instead of the commas, and
// trailing values may be left out. Nothing when a field is not a number.
std::optional<ResolutionEntry> ParseEntry(std::string_view text);

std::string Quoted(std::string_view text);
// "PATH: item "ITEM" of topic "TOPIC"", the start of a problem's text.
std::string ItemText(const std::string& path, std::string_view topic, std::string_view item);

}  // namespace rvc::ripconfig::items
