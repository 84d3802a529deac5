// Values shared by PPD generation and the editors that depend on the screen description.
#pragma once

#include <string>

namespace rvc::ppd {

// What a dispatcher's ".fid" file says about its output: binary screening, eight bits
// per spot (unscreened output), or no usable screen description (no PPD is made then).
enum class ScreenMode { Binary = 0, EightBitsPerSpot = 1, Unknown = 2 };

// A paper of PPD generation: its name as it stands in option keywords and its size in
// PostScript points.
struct paper_struct {
  std::string name;  // at most kMaxPaperName characters
  int width = 0;
  int height = 0;
};

inline constexpr size_t kMaxPaperName = 255;

}  // namespace rvc::ppd
