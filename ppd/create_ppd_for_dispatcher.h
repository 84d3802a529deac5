// CreatePpdForDispatcher: the PPD of one dispatcher and its "ravlin.inf", in the
// dispatcher's "ppd" folder.
//
// Gathers what the PPD offers (configurations, resolutions, page sizes, screening, device
// features) from the dispatcher's RIP configuration, its ".fid" file, the proof
// configurations of a proof flavour, the PPD preferences and the environment, picks the
// template of the device type from "types.dat" and drives CCreatePpd section by section.
// See docs/ppd-generation.md.
#pragma once

#include <string>

#include "ppd/ppd_types.h"
#include "ripconfig/ravlcfg.h"
#include "store/dispatcher_list.h"

namespace rvc::ppd {

// The PPD preferences: topic "_internal_" of the flavour catalogue in the folder of
// KW_DATA_RAVLINCONFIG. Empty or absent items take the defaults below.
struct PpdPreferences {
  bool includeDotJob = false;    // "IncludeDotJobInPPD": offer the dot shape of the job
  bool includeDgc = true;        // "IncludeDGCInPPD": list the dot gain curves
  std::string extraPpdLocation;  // "ExtraPPDLocation": folder that gets a copy; empty: none
};

// Reads the preferences from `catalogueFileName` (CRvcApp::CatalogueFileName) in the folder
// of KW_DATA_RAVLINCONFIG. Raises CRvcException 109 when that file cannot be opened.
PpdPreferences ReadPpdPreferences(const std::string& catalogueFileName);

// What the dispatcher's ".fid" file (the first "*.fid" of `dispatcherDataFolder`) says:
// eight bits per spot for "BitsPerSpot"/"Value" 8, else binary screening; Unknown without
// a ".fid" file, or after the message "Could not open the fid file : <path>" when it cannot
// be read.
ScreenMode ReadScreenMode(const std::string& dispatcherDataFolder);

// Makes the PPD and "ravlin.inf" of `dispatcher` in <dataFolder>/<Folder>/ppd. Each is
// generated into a temporary file and replaces the old one only when complete; PPD and
// INF files of other names (an earlier type or port separator) are removed after the new
// PPD is in place. `programFolder` and `dataFolder` are the flavour's;
// `cfg` is the configuration of the dispatcher, open (read only) for the whole call.
// `productVersion` goes into the end comments.
//
// False (traced) for an unknown screen mode, a device type without "TemplatePPD", or a
// template or PPD that cannot be opened. Raises CRvcException 109 when "types.dat", the
// preference file or PpdInfo.dat cannot be opened, and 111 (path and reason) when the
// PPD or INF cannot be written, as on a full disk; the old files stay as they were. A missing placeholder
// or an unavailable feature component costs only its section. When the preferences name
// a copy location and the PPD was copied there, `extraPpdLocation` (when given) receives
// it, as configured, for the completion message; else it is cleared.
bool CreatePpdForDispatcher(const store::DispatcherRecord& dispatcher, const std::string& programFolder,
                            const std::string& dataFolder, ripconfig::RavlcfgHandle* cfg,
                            const std::string& productVersion, const std::string& catalogueFileName,
                            std::string* extraPpdLocation = nullptr);

}  // namespace rvc::ppd
