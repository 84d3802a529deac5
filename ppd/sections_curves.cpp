// Device feature lists of the dot gain curves: the simple curves and the press curves.
#include <cstdlib>

#include "core/rvc_trace.h"
#include "ppd/create_ppd.h"
#include "ppd/features/ccurve.h"
#include "ui/user_interface.h"

namespace rvc::ppd {
namespace {

void Trace(std::string_view text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

constexpr const char* kTitle = "Ravlin Configurator";
constexpr const char* kNoLibrary = "Could not initialize DGC library,DGC files are not added to PPD";

}  // namespace

int CCreatePpd::AddDgcs(bool includeCurves) {
  features::CCurveContext* curves = features::CCurveInit();
  // Ends the context on every way out.
  struct Exit {
    features::CCurveContext* context;
    ~Exit() {
      if (context != nullptr) features::CCurveExit(context);
    }
  } exit{curves};

  // Each name of `kind` as an entry of `format`; the names and the list are ours to free.
  auto list = [&](int kind, std::string_view format) {
    char** names = features::CCurveListResources(curves, kind);
    if (names == nullptr) return;
    for (char** name = names; *name != nullptr; ++name) {
      WriteFeatureEntry(format, *name);
      std::free(*name);
    }
    std::free(names);
  };

  if (CopyUntilPlaceholder("<Add SimpleDGC>",
                           "DGCs are not added to PPD, as it can't find the place holder "
                           "'<Add SimpleDGC>' in the template.") < 0) {
    return -1;
  }
  if (!includeCurves) {
    Trace("DGC files are not added to PPD since 'IncludeDGC' flag is not set");
  } else if (curves == nullptr) {
    Trace(kNoLibrary);
  } else {
    list(features::kCurveDgc, "*QBGlobalDGC %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /dgc");
  }

  if (CopyUntilPlaceholder("<Add AutomaticDGC>",
                           "AutomaticDGCs are not added to PPD, as it can't find the place holder "
                           "'<Add AutomaticDGC>' in the template.") < 0) {
    return -1;
  }
  if (!includeCurves) {
    Trace("SCRDGC and ICPRO files are not added to PPD since 'IncludeDGC' flag is not set");
  } else if (curves == nullptr) {
    Trace(kNoLibrary);
    ui::ShowMessage(
        "Could not initialize DGC library. DGC files are not added to PPD!\nPlease check if DGC data directory is "
        "shared on the server and/or if the user of this client has access to the server.",
        kTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
  } else {
    constexpr const char* kPress = "*QBPressDGC %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /scrdgc";
    list(features::kCurveScrDgc, kPress);
    list(features::kCurveIcpro, kPress);
  }
  return 1;
}

}  // namespace rvc::ppd
