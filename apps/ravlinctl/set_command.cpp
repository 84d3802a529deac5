// set: the main window's Modify command on the named dispatcher, with the dialog's fields
// filled from the options. The dialog's own checks and the same application of the
// changes run as in Ravlin Configurator; the plug-in pages and synchronisation step of a
// device type belong to its dialog only.
#include <cstdio>

#include "apps/ravlinctl/commands.h"
#include "cups/queue_upkeep.h"
#include "lifecycle/commands.h"
#include "lifecycle/scripted_commands.h"
#include "settings/commands.h"
#include "settings/modify_command.h"
#include "settings/modify_dispatcher.h"
#include "window/main_window.h"

namespace rvc::ctl {
namespace {

// Whether the main window, with row `row` of flavour `flavour` clicked, offers Modify.
bool WindowOffersModify(CSession& session, int flavour, int row) {
  static const frame::CCommandTable commands = [] {
    frame::CCommandTable table;
    lifecycle::RegisterLifecycleCommands(table);
    settings::RegisterSettingsCommands(table);
    return table;
  }();
  window::CRvcDlg window(session.Flavours(), flavour, commands);
  window.OnInitDialog();
  window.OnClick(row);
  return window.IsEnabled(frame::Command::Modify);
}

// Fills the dialog as an operator would: the device type first (the folder follows it
// unless the folder is given), then the folder, the name and the port separator.
std::string Fill(settings::CDispatcher& dialog, const Arguments& arguments) {
  if (auto type = arguments.Value("type")) {
    const int index = lifecycle::FindEntryNoCase(dialog.DeviceTypes, *type);
    if (index < 0) return "the flavour has no device type " + *type;
    dialog.DeviceType = index;
    dialog.OnTypeChanged();
  }
  if (auto folder = arguments.Value("folder")) {
    if (!dialog.FolderEnabled) return "the folder of " + dialog.Name + " cannot be changed";
    dialog.Folder = *folder;
  }
  if (auto name = arguments.Value("name")) dialog.Name = *name;
  if (auto separator = arguments.Value("port-separator")) {
    dialog.PortSeparator = -1;
    for (size_t i = 0; i < dialog.PortSeparators.size(); ++i) {
      if (std::to_string(dialog.PortSeparators[i]) == *separator) dialog.PortSeparator = static_cast<int>(i);
    }
    if (dialog.PortSeparator < 0) return "port separator " + *separator + " is not free (free: " + [&dialog] {
      std::string free;
      for (int base : dialog.PortSeparators) free += (free.empty() ? "" : " ") + std::to_string(base);
      return free;
    }() + ")";
  }
  return {};
}

}  // namespace

int RunSet(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return kExitFailed;
  frame::CFlavour& flavour = session.Flavour(at->flavour);
  if (!WindowOffersModify(session, at->flavour, at->row)) {
    console.Say("Modify is not offered for flavour " + flavour.Key);
    return kExitFailed;
  }
  console.ExpectDialog("Dispatcher", [&arguments](ui::IDialogModel& model) -> std::string {
    auto* dialog = dynamic_cast<settings::CDispatcher*>(&model);
    if (dialog == nullptr) return "unexpected dialog " + model.DialogName();
    return Fill(*dialog, arguments);
  });

  settings::ModifyContext context;
  context.command = lifecycle::MakeCommandContext(session.Flavours(), at->flavour, at->row, session.PreferredFlavour());
  context.flavour = &flavour;
  const store::CDispatcherList& list = *flavour.DispatcherList;
  // A published dispatcher's print queue follows its new name, folder or PPD.
  const cups::CQueueUpkeep queues(session.Flavours());
  const bool applied = settings::OnModify(context);
  if (applied) {
    const store::DispatcherRecord& record = list.GetAt(at->row).Record;
    std::printf("%s  %s  %s  %s  %d  %d\n", flavour.Key.c_str(), record.Name.c_str(), record.Type.c_str(),
                record.Folder.c_str(), record.Base, record.CommandPort);
    TellQueueReports(console, queues.After(session.Flavours()));
  }
  if (applied && !console.ErrorReported()) return kExitDone;
  if (!applied && console.Said() == 0) console.Say("nothing was changed");
  return kExitFailed;
}

}  // namespace rvc::ctl
