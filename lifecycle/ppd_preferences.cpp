#include "lifecycle/ppd_preferences.h"

#include <sys/stat.h>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "frame/flavour_catalogue.h"
#include "frame/rvc_app.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "store/installation_lock.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::lifecycle {
namespace {

constexpr const char* kTopic = "_internal_";
constexpr size_t kLocationLimit = 2047;

}  // namespace

std::string PreferenceFile() { return frame::CataloguePath(frame::CRvcApp::CatalogueFileName); }

PpdPreferences ReadPpdPreferences(const store::ResourceDb& file) {
  PpdPreferences preferences;
  preferences.ExtraPPDLocation = file.Find(kTopic, "ExtraPPDLocation").value_or("").substr(0, kLocationLimit);
  preferences.IncludeDGCInPPD = file.FindInt(kTopic, "IncludeDGCInPPD").value_or(1) != 0;
  preferences.IncludeDotJobInPPD = file.FindInt(kTopic, "IncludeDotJobInPPD").value_or(0) != 0;
  return preferences;
}

void WritePpdPreferences(store::ResourceDb& file, const PpdPreferences& preferences) {
  file.Set(kTopic, "ExtraPPDLocation", preferences.ExtraPPDLocation);
  file.Set(kTopic, "IncludeDGCInPPD", preferences.IncludeDGCInPPD ? "1" : "0");
  file.Set(kTopic, "IncludeDotJobInPPD", preferences.IncludeDotJobInPPD ? "1" : "0");
}

std::string CopyLocationProblem(const std::string& location) {
  if (location.empty()) return {};
  const std::string expanded = platform::ResolveNoCase(
      platform::NativePath(platform::ExpandEnvironmentReferences(location).value_or(location)));
  struct stat info {};
  if (::stat(expanded.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
  return CCopyPPDDlg::kPathMissing;
}

bool CCopyPPDDlg::OnOk() {
  if (const std::string problem = CopyLocationProblem(Values.ExtraPPDLocation); !problem.empty()) {
    ui::ShowMessage(problem, kTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    SetFocusField(kLocationField);
    return false;
  }
  return true;
}

void CCopyPPDDlg::OnBrowse() {
  const std::string chosen = store::CRvcUtils::BrowseForFolder(kBrowseTitle, Values.ExtraPPDLocation);
  if (!chosen.empty()) Values.ExtraPPDLocation = chosen;
}

void PpdPreferencesCommand() {
  store::CInstallationLock lock("rvc_setup PPD Preferences");
  const std::string path = PreferenceFile();
  std::optional<store::ResourceDb> file = store::ResourceDb::Open(path);
  if (!file) throw CRvcException(msg::kResourceDbError, path);
  CCopyPPDDlg dialog(ReadPpdPreferences(*file));
  if (ui::Current().RunDialog(dialog) == ui::DialogResult::Ok) WritePpdPreferences(*file, dialog.Values);
  file->Flush();
}

}  // namespace rvc::lifecycle
