#include "ppd/ppdparser.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <string_view>

#include "core/rvc_trace.h"
#include "platform/path.h"
#include "platform/plugin_library.h"
#include "platform/text.h"

// CUPS marks its PPD interface deprecated; it is still the one parser of PPD files at
// hand, and what it offers is all we need.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace rvc::ppd {

struct PPDOptParser {
  std::optional<PPDOptResult> result;
};

namespace {

// The PPD interface of CUPS, loaded when a PPD is first read rather than with the
// program: libcups pulls in GnuTLS, Kerberos and Avahi, whose loading and initialisation
// every start of the program would otherwise pay. The library stays loaded for the rest
// of the process (unloading libraries that set up their own global state is unsafe).
struct CupsPpd {
  decltype(&::ppdOpenFile) OpenFile = nullptr;
  decltype(&::ppdClose) Close = nullptr;
  decltype(&::ppdFindAttr) FindAttr = nullptr;
  decltype(&::ppdFindOption) FindOption = nullptr;
};

std::optional<CupsPpd> LoadCupsPpd() {
  std::string reason;
  const auto library = platform::PluginLibrary::Load("libcups.so.2", &reason);
  if (!library) {
    CRvcTrace("").Trace("Cannot load libcups.so.2 to read PPD files: " + reason);
    return std::nullopt;
  }
  CupsPpd cups;
  if (!library->Bind("ppdOpenFile", cups.OpenFile) || !library->Bind("ppdClose", cups.Close) ||
      !library->Bind("ppdFindAttr", cups.FindAttr) || !library->Bind("ppdFindOption", cups.FindOption)) {
    CRvcTrace("").Trace("libcups.so.2 lacks its PPD interface (ppdOpenFile, ppdClose, ppdFindAttr, ppdFindOption)");
    return std::nullopt;
  }
  library->KeepLoaded();
  return cups;
}

// Nothing when libcups cannot be loaded (traced once).
const CupsPpd* Cups() {
  static const std::optional<CupsPpd> cups = LoadCupsPpd();
  return cups ? &*cups : nullptr;
}

// The number at the start of `text` (blanks skipped), in the C locale.
std::optional<double> LeadingNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '"')) text.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  return value;
}

// The blank-separated words of `text`.
std::vector<std::string_view> Words(std::string_view text) { return platform::SplitWords(text, " \t\r\n"); }

const char* Value(const CupsPpd& cups, ppd_file_t* ppd, const char* keyword, const char* option = nullptr) {
  ppd_attr_t* attr = cups.FindAttr(ppd, keyword, option);
  return attr != nullptr && attr->value != nullptr && *attr->value != '\0' ? attr->value : nullptr;
}

// `index` 0 for the width, 1 for the height.
double MaxMedia(const CupsPpd& cups, ppd_file_t* ppd, int index) {
  if (const char* value = Value(cups, ppd, index == 0 ? "MaxMediaWidth" : "MaxMediaHeight")) {
    if (auto number = LeadingNumber(value); number && *number > 0) return *number;
  }
  // "<order> points <minimum> <maximum>"
  if (const char* value = Value(cups, ppd, "ParamCustomPageSize", index == 0 ? "Width" : "Height")) {
    auto words = Words(value);
    if (words.size() >= 4) {
      if (auto number = LeadingNumber(words[3]); number && *number > 0) return *number;
    }
  }
  // CUPS keeps the *PaperDimension of each size with the size, not as an attribute.
  double largest = 0;
  for (int i = 0; i < ppd->num_sizes; ++i) {
    const ppd_size_t& size = ppd->sizes[i];
    largest = std::max(largest, static_cast<double>(index == 0 ? size.width : size.length));
  }
  return largest;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

PPDOptParser* PPDInitOpt() { return new PPDOptParser; }

void PPDFreeOpt(PPDOptParser* parser) { delete parser; }

const PPDOptResult* PPDParseOpt(PPDOptParser* parser, const std::string& path, const std::string& options) {
  if (parser == nullptr || !options.empty()) return nullptr;
  parser->result.reset();
  const CupsPpd* cups = Cups();
  if (cups == nullptr) return nullptr;
  const std::string file = platform::ResolveNoCase(platform::NativePath(path));
  std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(cups->OpenFile(file.c_str()), cups->Close);
  if (!ppd) return nullptr;

  PPDOptResult result;
  if (ppd->pcfilename != nullptr && *ppd->pcfilename != '\0') {
    result.FileName = ppd->pcfilename;
  } else {
    result.FileName = FileNameOf(file);
  }
  for (const char* model : {ppd->modelname, ppd->shortnickname, ppd->nickname}) {
    if (model != nullptr && *model != '\0') {
      result.ModelName = model;
      break;
    }
  }
  result.MaxMediaWidth = MaxMedia(*cups, ppd.get(), 0);
  result.MaxMediaHeight = MaxMedia(*cups, ppd.get(), 1);

  if (ppd_option_t* option = cups->FindOption(ppd.get(), "Resolution"); option != nullptr && option->num_choices > 0) {
    for (int i = 0; i < option->num_choices; ++i) result.Resolutions.emplace_back(option->choices[i].choice);
  } else if (const char* value = Value(*cups, ppd.get(), "DefaultResolution")) {
    result.Resolutions.emplace_back(value);
  }
  parser->result = std::move(result);
  return &*parser->result;
}

}  // namespace rvc::ppd

#pragma GCC diagnostic pop
