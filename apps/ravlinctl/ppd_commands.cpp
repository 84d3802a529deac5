// ravlinctl ppd-preferences: the PPD Preferences dialog of Ravlin Configurator, filled from
// the options; without options it prints the preferences.
#include <cstdio>

#include "apps/ravlinctl/commands.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "lifecycle/ppd_preferences.h"
#include "store/resource_db.h"

namespace rvc::ctl {
namespace {

void Print(const lifecycle::PpdPreferences& preferences) {
  std::printf("ExtraPPDLocation=%s\nIncludeDGCInPPD=%d\nIncludeDotJobInPPD=%d\n",
              preferences.ExtraPPDLocation.c_str(), preferences.IncludeDGCInPPD ? 1 : 0,
              preferences.IncludeDotJobInPPD ? 1 : 0);
}

lifecycle::PpdPreferences Read() {
  const std::string path = lifecycle::PreferenceFile();
  std::optional<store::ResourceDb> file = store::ResourceDb::Open(path);
  if (!file) throw CRvcException(msg::kResourceDbError, path);
  return lifecycle::ReadPpdPreferences(*file);
}

}  // namespace

int RunPpdPreferences(CSession&, CtlConsole& console, const Arguments& arguments) {
  const auto location = arguments.Value("copy-location");
  const auto dgc = arguments.Value("dgc");
  const auto dotShape = arguments.Value("job-dot-shape");
  if (!location && !dgc && !dotShape) {
    Print(Read());
    return kExitDone;
  }
  console.ExpectDialog(lifecycle::CCopyPPDDlg::kName, [&](ui::IDialogModel& model) -> std::string {
    auto* dialog = dynamic_cast<lifecycle::CCopyPPDDlg*>(&model);
    if (dialog == nullptr) return "unexpected dialog " + model.DialogName();
    if (location) dialog->Values.ExtraPPDLocation = *location;
    if (dgc) dialog->Values.IncludeDGCInPPD = *dgc == "on";
    if (dotShape) dialog->Values.IncludeDotJobInPPD = *dotShape == "on";
    return {};
  });
  lifecycle::PpdPreferencesCommand();
  if (console.DialogRefused() || console.ErrorReported()) {
    if (console.Said() == 0) console.Say("nothing was changed");
    return kExitFailed;
  }
  Print(Read());
  return kExitDone;
}

}  // namespace rvc::ctl
