// Device feature list of the ink-planning plate settings: the "*.ini" files of the
// folder named by KW_DATA_TRP, optionally inside a group of their own.
#include <system_error>

#include "core/rvc_trace.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/text.h"
#include "ppd/create_ppd.h"
#include "ppd/features/folder_listing.h"

namespace rvc::ppd {
namespace {

void Trace(std::string_view text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

constexpr const char* kGroupOpening[] = {
    "*%========================================================",
    "*% Feature Set: Tintora",
    "*%=========================================================",
    "*%",
    "*OpenGroup: *QBTintoraFeatures/Tintora",
    "*%",
    "*%=========================================================",
    "*% Plate Settings",
    "*%=========================================================",
    "*%",
    "*OpenUI *QBPlateSettings/Plate Settings: PickOne",
    "*OrderDependency: 10 DocumentSetup *QBPlateSettings",
    "*DefaultQBPlateSettings: none",
    "*QBPlateSettings none/<3C>none<3E>: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /tintora",
    "(<none>) >> >> >> setpagedevice } stopped cleartomark\"",
    "*End",
    "",
};

constexpr const char* kGroupClosing[] = {
    "",
    "*?QBPlateSettings: \"currentpagedevice",
    "/DeviceRenderingInfo 2 copy known",
    "{ get",
    "  /Tamrix 2 copy known",
    "  { get",
    "    /tintora 2 copy known",
    "    { get }",
    "    { pop pop (<none>) } ifelse",
    "  }",
    "  { pop pop (<none>) } ifelse",
    "}",
    "{ pop pop (<none>) } ifelse",
    "= flush\"",
    "*End",
    "*CloseUI: *QBPlateSettings",
    "*%",
    "*CloseGroup: *QBTintoraFeatures",
};

}  // namespace

int CCreatePpd::AddTrpFiles() {
  if (CopyUntilPlaceholder("<Add TRP",
                           "TRP files are not added to PPD, as it can't find the place holder "
                           "'<Add TRP>' in the template.") < 0) {
    return -1;
  }
  const bool withSection = placeholderLine_.find("<Add TRP With Section>") != std::string::npos;
  std::string folder(platform::Trim(platform::GetEnvNoCase("KW_DATA_TRP").value_or("")));
  if (folder.empty()) Trace("since 'KW_DATA_TRP' enviornment is not defined, TRP files are not added to PPD");

  if (withSection) {
    for (const char* line : kGroupOpening) WriteLine(line);
  }
  if (!folder.empty()) {
    folder = platform::ExpandEnvironmentReferences(folder).value_or(folder);
    std::error_code error;
    const std::vector<std::string> files =
        features::detail::MatchingFiles(platform::ResolveNoCase(platform::NativePath(folder)), "*.ini", error);
    if (error) Trace("Could not add TRP file to PPD: " + error.message());
    for (const std::string& file : files) {
      WriteFeatureEntry("*QBPlateSettings %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /tintora", file);
    }
  }
  if (withSection) {
    for (const char* line : kGroupClosing) WriteLine(line);
  }
  return 1;
}

}  // namespace rvc::ppd
