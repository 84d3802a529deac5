#include "ppd/features/ccurve.h"

#include <string>
#include <vector>

#include "ppd/features/folder_listing.h"

namespace rvc::features {

struct CCurveContext {
  std::string folder;
};

namespace {

const char* Extension(int kind) {
  switch (kind) {
    case kCurveDgc:
      return ".dgc";
    case kCurveScrDgc:
      return ".scrdgc";
    case kCurveIcpro:
      return ".icpro";
    default:
      return nullptr;
  }
}

}  // namespace

CCurveContext* CCurveInit() {
  const std::optional<std::string> folder = detail::ExistingFolder("%KW_DATA_DGC%");
  if (!folder) return nullptr;
  std::error_code error;
  detail::MatchingFiles(*folder, "*", error);
  if (error) return nullptr;  // a folder we may not read is no curve library either
  return new CCurveContext{*folder};
}

char** CCurveListResources(CCurveContext* context, int kind) {
  const char* extension = Extension(kind);
  if (context == nullptr || extension == nullptr) return nullptr;
  std::error_code error;
  const std::string pattern = std::string("*") + extension;
  std::vector<std::string> names = detail::MatchingFiles(context->folder, pattern, error);
  if (error) return nullptr;
  const size_t cut = std::string(extension).size();
  std::vector<std::string> curves;
  for (std::string& name : names) {
    if (name.size() > cut) curves.push_back(name.substr(0, name.size() - cut));
  }
  return detail::NewNameArray(curves);
}

void CCurveExit(CCurveContext* context) { delete context; }

}  // namespace rvc::features
