// A PPD as the PPD parser reads it: what the new-dispatcher dialog, dispatcher creation
// and the change of device type take from a PPD the operator picked.
#pragma once

#include <string>
#include <vector>

namespace rvc::lifecycle {

struct PpdOptions {
  std::string FileName;         // the PPD's file name; its last four characters are the extension
  std::string Model;            // model name, proposed as the dispatcher name
  int MaxMediaWidth = 0;        // points; 0 = not given
  int MaxMediaHeight = 0;       // points; 0 = not given
  std::vector<double> Resolutions;  // dpi, in the order of the PPD
};

}  // namespace rvc::lifecycle
