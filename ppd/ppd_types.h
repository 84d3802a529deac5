// Values shared by PPD generation and the editors that depend on the screen description.
#pragma once

#include <string>
#include <utility>

namespace rvc::ppd {

// What a dispatcher's ".fid" file says about its output: binary screening, eight bits
// per spot (unscreened output), or no usable screen description (no PPD is made then).
enum class ScreenMode { Binary = 0, EightBitsPerSpot = 1, Unknown = 2 };

// A paper of PPD generation: its name as it stands in option keywords and its size in
// PostScript points.
struct paper_struct {
  paper_struct(std::string paperName = {}, int paperWidth = 0, int paperHeight = 0, std::string paperText = {})
      : name(std::move(paperName)), width(paperWidth), height(paperHeight), text(std::move(paperText)) {}
  std::string name;  // at most kMaxPaperName characters
  int width = 0;
  int height = 0;
  std::string text;  // the name as the user knows it, when it differs from `name`
};

inline constexpr size_t kMaxPaperName = 255;

}  // namespace rvc::ppd
