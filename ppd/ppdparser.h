// The PPD parser: the few facts of an existing PPD that a dispatcher takes over, read
// through the PPD interface of CUPS (ppdOpenFile and friends). docs/ppd-generation.md
// says which keywords give which field.
#pragma once

#include <string>
#include <vector>

namespace rvc::ppd {

struct PPDOptResult {
  std::string FileName;   // *PCFileName, else the name of the file itself
  std::string ModelName;  // *ModelName, else *ShortNickName, else *NickName
  // The largest media in points, 0 when the PPD tells nothing: *MaxMediaWidth, else the
  // upper limit of *ParamCustomPageSize Width, else the widest *PaperDimension; the
  // height likewise.
  double MaxMediaWidth = 0;
  double MaxMediaHeight = 0;
  // Resolution keywords such as "2400dpi" or "1200x600dpi": the choices of the
  // *Resolution option in file order, else the *DefaultResolution value alone.
  std::vector<std::string> Resolutions;
};

struct PPDOptParser;

// A parser whose result lives until PPDFreeOpt.
PPDOptParser* PPDInitOpt();
// Parses the PPD at `path` (resolved ignoring case). `options` is for options beyond the
// ones above and must be empty. Nothing when the file cannot be opened or is not a PPD.
const PPDOptResult* PPDParseOpt(PPDOptParser* parser, const std::string& path, const std::string& options);
void PPDFreeOpt(PPDOptParser* parser);

}  // namespace rvc::ppd
