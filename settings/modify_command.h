// The Modify and View commands of the main window, and the application of a modified
// dispatcher's identity (name, device type, folder, port separator) to its files,
// launchers, queues and list entry.
//
// The application is one journaled change ("modify", lifecycle/intent_journal.h) under
// the installation lock: every file is noted before it changes, so that a failure on the
// way is reported and undone in process, and a killed run is undone by the recovery. The
// dispatcher is then as it was before the command, never half renamed. The PPD is made
// once the change is complete (its failure is traced only). See docs/settings.md.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "frame/flavour.h"
#include "lifecycle/new_dispatcher.h"
#include "settings/modify_dispatcher.h"

namespace rvc::settings {

// The steps of the application, in their order; each is hooked for tests.
enum class ModifyStep {
  RenameFolder,
  SwapFiles,
  RenameIni,
  TypeFiles,
  CommandPort,
  VdpMode,
  IniName,
  Shortcuts,
  Queues,
  ListCopy,
  ListEntry,
  ListFile,
};
inline constexpr ModifyStep kModifySteps[] = {
    ModifyStep::RenameFolder, ModifyStep::SwapFiles, ModifyStep::RenameIni, ModifyStep::TypeFiles,
    ModifyStep::CommandPort,  ModifyStep::VdpMode,   ModifyStep::IniName,   ModifyStep::Shortcuts,
    ModifyStep::Queues,       ModifyStep::ListCopy,  ModifyStep::ListEntry, ModifyStep::ListFile,
};

// What the device type's "synchronizedll" is asked before the dialog opens.
struct SynchronizeRequest {
  std::string type;
  std::string dataFolder;  // the dispatcher folder + "/Data"
  std::string programFolder;
};
// Runs the synchronisation library of the type, if any; false ends the command.
using Synchronizer = std::function<bool(const SynchronizeRequest& request)>;

// What Modify and View use beyond the main window's context; the program fills it when it
// composes the commands, tests with fakes.
struct SettingsServices {
  PageFactory pages;
  PluginFactory plugins;
  Synchronizer synchronize;
  // Tests: called at the start of each step of the application; may throw CRvcException.
  std::function<void(ModifyStep step)> stepHook;
};

struct ModifyContext {
  lifecycle::CommandContext command;  // the flavour's lists, the selection, the callbacks
  frame::CFlavour* flavour = nullptr;  // for PPD generation
  int mode = 0;                        // the program's job mode (frame/command_line.h)
  // The install job's start: the operator chooses the device type first and the dialog is
  // not shown (see OnModify).
  bool openModifyAtStart = false;
  SettingsServices services;
};

// "&Modify..." and the double-click: the dialog for the selected dispatcher, then the
// changes applied. True when changes were applied. Refuses a running dispatcher; nothing
// happens without a selection or in view-only mode.
//
// With openModifyAtStart (outside the update job) the flavour's New Dispatcher dialog asks
// for the name and device type in retype mode and they are applied without the dialog.
bool OnModify(ModifyContext& context);

// "&View...": the same dialog read-only; nothing is written.
void OnView(ModifyContext& context);

// The application of `changed` to the dispatcher at row `index`: the checks (124, 126,
// 125, 112, 113, 114, 115; blanks become "_" in name and folder), then every step of
// ModifyStep, journaled. `vdpMode` (0 "STATIC", 1 "VDP") is set in a Dedezi flavour's
// ini when given. A failure is reported and undone; false then, and for a refusal.
// After a change of port separator the PPD is made and announced.
bool ApplyModification(ModifyContext& context, int index, store::DispatcherRecord changed,
                       std::optional<int> vdpMode = std::nullopt);

// The title of a running dispatcher's window for `productVersion`: "Dispatcher for %s (%s)"
// below version 10, "%s Dispatcher %s" from 10 on.
std::string RunningWindowTitle(const std::string& name, const std::string& productVersion);

}  // namespace rvc::settings
