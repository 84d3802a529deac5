// create, delete, change-type and ppd: the main window's New, Delete, Change Type, Create
// PPD and Create All PPDs commands on the named flavour and dispatcher. The window's own enabling rules decide whether
// a command is offered there at all; the dialogs are filled from the options.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "apps/ravlinctl/commands.h"
#include "core/rvc_trace.h"
#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_deletion.h"
#include "window/main_window.h"
#include "lifecycle/new_dispatcher.h"
#include "lifecycle/commands.h"
#include "lifecycle/scripted_commands.h"

namespace rvc::ctl {
namespace {

using frame::Command;

// Whether the main window, showing flavour `flavour` with row `row` clicked (-1: none),
// offers `command`.
bool WindowOffers(CSession& session, int flavour, int row, Command command) {
  static const frame::CCommandTable commands = [] {
    frame::CCommandTable table;
    lifecycle::RegisterLifecycleCommands(table);
    return table;
  }();
  window::CRvcDlg window(session.Flavours(), flavour, commands);
  window.OnInitDialog();
  if (row >= 0) window.OnClick(row);
  return window.IsEnabled(command);
}

// A path as the file dialog would give it: absolute.
std::string Absolute(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

// 0 when the operation did its work and reported no error on the way.
int Outcome(CtlConsole& console, bool done) {
  if (done && !console.ErrorReported()) return kExitDone;
  if (!done && console.Said() == 0) console.Say("nothing was changed");
  return kExitFailed;
}

void PrintRecord(const frame::CFlavour& flavour, const store::DispatcherRecord& record) {
  std::printf("%s  %s  %s  %s  %d  %d\n", flavour.Key.c_str(), record.Name.c_str(), record.Type.c_str(),
              record.Folder.c_str(), record.Base, record.CommandPort);
}

int IndexOfName(const store::CDispatcherList& list, const std::string& name) {
  for (int row = 0; row < list.GetCount(); ++row) {
    if (list.GetAt(row).Record.Name == name) return row;
  }
  return -1;
}

}  // namespace

int RunCreate(CSession& session, CtlConsole& console, const Arguments& arguments) {
  const int flavour = session.FindFlavour(*arguments.Value("flavour"));
  if (flavour < 0) return kExitFailed;
  frame::CFlavour& chosen = session.Flavour(flavour);
  if (!WindowOffers(session, flavour, -1, Command::New)) {
    console.Say("New is not offered for flavour " + chosen.Key);
    return kExitFailed;
  }

  lifecycle::NewDispatcherChoices choices;
  choices.name = arguments.Value("name");
  choices.type = *arguments.Value("type");
  choices.copyQueuesFrom = arguments.Value("copy-queues-from");
  if (auto ppd = arguments.Value("ppd")) choices.ppd = Absolute(*ppd);
  if (auto vdp = arguments.Value("vdp")) choices.vdpActive = *vdp == "active";
  const CtlConsole::Filler fill = [&choices](ui::IDialogModel& model) -> std::string {
    auto* dialog = dynamic_cast<lifecycle::CNewDispatcherDialog*>(&model);
    if (dialog == nullptr) return "unexpected dialog " + model.DialogName();
    return lifecycle::FillNewDispatcherDialog(*dialog, choices);
  };
  // Whichever of the three the flavour uses.
  for (const char* name : {"NewDispatcher", "NewDispatcherNoPPD", "NewDispatcherVDPMode"}) {
    console.ExpectDialog(name, fill);
  }

  lifecycle::CommandContext context =
      lifecycle::MakeCommandContext(session.Flavours(), flavour, -1, session.PreferredFlavour());
  const std::unique_ptr<lifecycle::IPpdGenerator> generator = lifecycle::MakePpdGenerator(chosen);
  context.PpdGenerator = generator.get();
  const store::CDispatcherList& list = *chosen.DispatcherList;
  const int before = list.GetCount();
  const bool created = lifecycle::OnNewDispatcher(context);
  // The new dispatcher is appended to the list.
  if (created && list.GetCount() > before) PrintRecord(chosen, list.GetAt(list.GetCount() - 1).Record);
  return Outcome(console, created);
}

int RunDelete(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return kExitFailed;
  if (!WindowOffers(session, at->flavour, at->row, Command::Delete)) {
    console.Say("Delete is not offered for flavour " + session.Flavour(at->flavour).Key);
    return kExitFailed;
  }
  lifecycle::CommandContext context =
      lifecycle::MakeCommandContext(session.Flavours(), at->flavour, at->row, session.PreferredFlavour());
  // Only a deletion reloads the list.
  bool deleted = false;
  context.RefreshList = [&deleted] { deleted = true; };
  const cups::CQueueUpkeep queues(session.Flavours());
  lifecycle::OnDeleteDispatcher(context);
  if (deleted) TellQueueReports(console, queues.After(session.Flavours()));
  return Outcome(console, deleted);
}

int RunChangeType(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return kExitFailed;
  frame::CFlavour& flavour = session.Flavour(at->flavour);
  if (!WindowOffers(session, at->flavour, at->row, Command::ChangeType)) {
    console.Say("Change Type is not offered for flavour " + flavour.Key);
    return kExitFailed;
  }

  lifecycle::ChangeTypeChoices choices;
  choices.type = *arguments.Value("type");
  if (auto ppd = arguments.Value("ppd")) choices.ppd = Absolute(*ppd);
  console.ExpectDialog("ChangeDevType", [&choices](ui::IDialogModel& model) -> std::string {
    auto* dialog = dynamic_cast<lifecycle::CChangeDevType*>(&model);
    if (dialog == nullptr) return "unexpected dialog " + model.DialogName();
    return lifecycle::FillChangeDevTypeDialog(*dialog, choices);
  });

  lifecycle::CommandContext context =
      lifecycle::MakeCommandContext(session.Flavours(), at->flavour, at->row, session.PreferredFlavour());
  const std::unique_ptr<lifecycle::IPpdGenerator> generator = lifecycle::MakePpdGenerator(flavour);
  context.PpdGenerator = generator.get();
  // After the change the window runs its "Create PPD" command for the retyped dispatcher.
  context.CreatePpd = [&flavour](int index) { lifecycle::CreatePpdCommand(flavour, index); };
  const store::CDispatcherList& list = *flavour.DispatcherList;
  const std::string name = list.GetAt(at->row).Record.Name;
  const cups::CQueueUpkeep queues(session.Flavours());
  const bool changed = lifecycle::OnChangeType(context);
  if (changed) {
    if (int row = IndexOfName(list, name); row >= 0) PrintRecord(flavour, list.GetAt(row).Record);
    TellQueueReports(console, queues.After(session.Flavours()));
  }
  return Outcome(console, changed);
}

int RunPpd(CSession& session, CtlConsole& console, const Arguments& arguments) {
  if (arguments.Has("all")) {
    if (!WindowOffers(session, 0, -1, Command::CreateAllPpds)) {
      console.Say("Create All PPDs is not offered");
      return kExitFailed;
    }
    const cups::CQueueUpkeep queues(session.Flavours());
    const int failures = lifecycle::CreateAllPpdsCommand(session.Flavours());
    TellQueueReports(console, queues.After(session.Flavours()));
    return Outcome(console, failures == 0);
  }
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return kExitFailed;
  if (!WindowOffers(session, at->flavour, at->row, Command::CreatePpd)) {
    console.Say("Create PPD is not offered for flavour " + session.Flavour(at->flavour).Key);
    return kExitFailed;
  }
  frame::CFlavour& flavour = session.Flavour(at->flavour);
  const cups::CQueueUpkeep queues(session.Flavours());
  const bool made = lifecycle::CreatePpdCommand(flavour, at->row);
  TellQueueReports(console, queues.After(session.Flavours()));
  // The command only traces why the driver made no PPD.
  if (!made && console.Said() == 0) {
    console.Say("no PPD was made for " + flavour.DispatcherList->GetAt(at->row).Record.Name + "; the trace " +
                CRvcTrace::CurrentFile() + " says why");
  }
  return Outcome(console, made);
}

}  // namespace rvc::ctl
