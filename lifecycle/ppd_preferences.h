// "&PPD Preferences...": the preferences that PPD generation reads, kept as items of the
// topic "_internal_" of the flavour catalogue file (the preference file):
//   "ExtraPPDLocation"    folder that gets a copy of every PPD made; empty: none
//   "IncludeDGCInPPD"     1 (default) or 0: the dot gain curve lists go into PPDs
//   "IncludeDotJobInPPD"  0 (default) or 1: the dot shape from the job goes into PPDs
// The dialog model CCopyPPDDlg is driven by the main window command and by
// `ravlinctl ppd-preferences`; its view is gui/ppd_preferences_view.
#pragma once

#include <string>

#include "ui/user_interface.h"

namespace rvc::store {
class ResourceDb;
}

namespace rvc::lifecycle {

struct PpdPreferences {
  std::string ExtraPPDLocation;
  bool IncludeDGCInPPD = true;
  bool IncludeDotJobInPPD = false;
};

// The preference file: the folder of KW_DATA_RAVLINCONFIG + the catalogue file name in use.
std::string PreferenceFile();
// The three items with their defaults; the location is cut to 2047 characters.
PpdPreferences ReadPpdPreferences(const store::ResourceDb& file);
// Each item modified when present, else added (the integers as "0" or "1").
void WritePpdPreferences(store::ResourceDb& file, const PpdPreferences& preferences);
// Why `location` cannot be the copy location, or "" when it can (empty, or an existing
// folder once its environment references are expanded).
std::string CopyLocationProblem(const std::string& location);

class CCopyPPDDlg : public ui::IDialogModel {
 public:
  static constexpr const char* kName = "PPD Preferences";
  static constexpr const char* kTitle = "PPD Preferences";
  static constexpr const char* kGroup = "Preferences";
  static constexpr const char* kLocationLabel = "Define a PPD copy location :";
  static constexpr const char* kDgcLabel = "Include DGC lists";
  static constexpr const char* kDotJobLabel = "Include dot shape from job";
  static constexpr const char* kBrowseTitle = "Please open a location to copy PPD files";
  static constexpr const char* kPathMissing = "Path does not exist. Please specify a valid path!";
  static constexpr const char* kLocationField = "location";

  explicit CCopyPPDDlg(PpdPreferences values) : Values(std::move(values)) {}
  std::string DialogName() const override { return kName; }
  // A location that is not empty and does not exist is refused (the dialog stays open
  // on the location field).
  bool OnOk() override;
  // "Browse...": the folder picker; an empty choice keeps the text that was there.
  void OnBrowse();

  PpdPreferences Values;
};

// The command: opens the preference file (109 when it cannot be read), shows the dialog
// and, after OK, writes the items; the file is flushed whatever the answer. Holds the
// installation lock while the file is changed. Raises CRvcException.
void PpdPreferencesCommand();

}  // namespace rvc::lifecycle
