// The New command of the main window, and the context through which the main window
// hands its current flavour and selection to the lifecycle commands (New, Delete, Change
// Type, Dispatcher Properties).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frame/rvc_app.h"
#include "lifecycle/dispatcher_creation.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "lifecycle/ppd_options.h"
#include "store/dispatcher_list.h"
#include "store/template_list.h"

namespace rvc::lifecycle {

// What a lifecycle command needs of the main window.
struct CommandContext {
  store::CDispatcherList* Dispatchers = nullptr;    // the current flavour's
  const store::CTemplateList* Templates = nullptr;  // the current flavour's
  std::string Label;                                // the flavour's version label (CFlavour::Version)
  // The dispatcher lists of every installed flavour, for the check that a new name is
  // unused; empty: only Dispatchers is checked.
  std::vector<const store::CDispatcherList*> InstalledDispatchers;
  std::string PreferredFlavour;                                 // the main window's preferred flavour, or empty
  std::string ProductVersion = frame::CRvcApp::ProductVersion;  // in the running dispatchers' titles
  bool ViewOnly = false;                                        // the commands that change something do nothing then
  // The selected row of the dispatcher list, -1 when none. Commands that change the list
  // set it to -1: nothing is selected after the list is reloaded.
  int CurrentIndex = -1;

  // Reloads the main window's dispatcher list (and disables the selection-dependent
  // buttons, since nothing is selected). May be empty.
  std::function<void()> RefreshList;
  // The "Create PPD" command for a row of the list (after a change of type). May be empty.
  std::function<void(int index)> CreatePpd;
  // Generates the PPD of a newly created dispatcher; null: none is generated.
  IPpdGenerator* PpdGenerator = nullptr;
  // Handed to CreateDispatcherInputs::stepHook (tests make a creation step fail).
  std::function<void(CreationStep step)> CreationStepHook;
};

// The New command: asks for the new dispatcher with the flavour's dialog, derives its
// port separator, command port and folder and creates it (CreateDispatcher). True when a
// dispatcher was created. Nothing happens on Cancel, for a PPD that cannot be parsed, when
// all ten port separators are in use (message 138) and in view-only mode.
bool OnNewDispatcher(CommandContext& context);

// The name the New command proposes: the first dispatcher's name followed by the lowest
// free port separator (-1 when all are in use); with the VDP dialog and a preferred
// flavour, "VE050_D&A_Dadudi" followed by that number.
std::string ProposedDispatcherName(const store::CDispatcherList& dispatchers, NewDispatcherKind kind,
                                   const std::string& preferredFlavour);

// `base` when dataFolder + base does not exist (ignoring case), else the first of
// base + "_2", base + "_3", ... that does not.
std::string UniqueFolderName(const std::string& dataFolder, const std::string& base);

// The PPD at `path` parsed for a new dispatcher; nothing after the parse error has been
// shown ("Error while parsing the options from: ...").
std::optional<PpdOptions> ParsePpd(const std::string& path);

}  // namespace rvc::lifecycle
