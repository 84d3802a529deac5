// Device feature lists of colour management (proof flavours): colour strategies, and the
// print profiles as source and as destination profiles.
#include <string>
#include <vector>

#include "core/rvc_trace.h"
#include "ppd/create_ppd.h"
#include "ppd/features/cms_shared.h"
#include "ui/user_interface.h"

namespace rvc::ppd {
namespace {

void Trace(std::string_view text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

}  // namespace

int CCreatePpd::AddColorManagement() {
  bool database = features::TCMS_Init() == 0;
  if (!database) {
    int code = 0;
    while (const char* message = features::cdb_error_get(&code)) {
      line_.clear();
      detail::AppendFormat(line_, "Color Management initialisation Error: %s : %d", {message, code});
      Trace(line_);
    }
    ui::ShowMessage(
        "Could not initialize CMS database. Color management information is not added to PPD!\nPlease check if "
        "KW_CMS data directory is shared on the server and/or if the user of this client has access to the server.",
        "Ravlin Configurator", ui::Buttons::Ok, ui::Icon::Exclamation);
  }
  // Closes the database on every way out.
  struct End {
    bool open;
    ~End() {
      if (open) features::TCMS_End();
    }
  } end{database};

  if (CopyUntilPlaceholder("<Add ColorStrategies>",
                           "Color strategies are not added to PPD, as it can't find the place holder "
                           "'<Add ColorStrategies>' in the template.") < 0) {
    return -1;
  }
  if (database) {
    int count = 0;
    const char* const* strategies = features::TCMSDB_ColTransfListAll(&count);
    for (int i = 0; strategies != nullptr && i < count; ++i) {
      WriteFeatureEntry("*QBColorStrategy %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /proof_colorstrategy",
                        strategies[i]);
    }
  }

  if (CopyUntilPlaceholder("<Add SrcProfiles>",
                           "Source Profiles are not added to PPD, as it can't find the place holder "
                           "'<Add SrcProfiles>' in the template.") < 0) {
    return -1;
  }
  // Every print profile is offered as a source and, below, again as a destination.
  std::vector<std::string> profiles;
  if (database) {
    features::TCMSDB_Scan scan;
    while (const char* name = features::TCMSDB_ProcScan(&scan, "print", 0, 0)) {
      WriteFeatureEntry("*QBSrcProfile %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /proof_inputproc", name);
      profiles.emplace_back(name);
    }
  }

  if (CopyUntilPlaceholder("<Add DstProfiles>",
                           "Destination Profiles are not added to PPD, as it can't find the place holder "
                           "'<Add DstProfiles>' in the template.") < 0) {
    return -1;
  }
  for (const std::string& name : profiles) {
    WriteFeatureEntry("*QBDstProfile %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /proof_outputproc", name);
  }
  return 1;
}

}  // namespace rvc::ppd
