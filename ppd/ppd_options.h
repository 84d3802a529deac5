// The facts of an existing PPD that a dispatcher made from it takes over: the name and
// model, the largest media and the resolutions.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rvc::ppd {

struct PpdOptions {
  std::string FileName;             // the PPD's file name text; its last four characters are the extension
  std::string ModelName;            // the model text
  int MaxMediaWidth = 0;            // points; 0 when the PPD gives none
  int MaxMediaHeight = 0;           // points; 0 when the PPD gives none
  std::vector<double> Resolutions;  // dpi, in the PPD's order
};

// Parses the PPD at `path`. Nothing, after the message box "Error while parsing the
// options from: <path>\nCheck whether selected PPD is a valid one", when it is no PPD.
// Texts are cut to 255 characters, sizes to their integer part; resolution keywords are
// read as decimal numbers ("2400dpi" and "2400x1200dpi" both give 2400), and keywords
// that do not start with a positive number are left out.
std::optional<PpdOptions> ReadPpdOptions(const std::string& path);

}  // namespace rvc::ppd
