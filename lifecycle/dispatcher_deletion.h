// The Delete command of the main window, and the deletion that the change of device type
// uses to remove the dispatcher it replaces.
#pragma once

#include <string>

#include "lifecycle/intent_journal.h"
#include "lifecycle/new_dispatcher.h"

namespace rvc::lifecycle {

// "&Delete": the selected dispatcher, with every safeguard. A dispatcher with a file open
// below its folder is refused with message 172. Nothing happens in view-only mode.
void OnDeleteDispatcher(CommandContext& context);

struct DeletionOptions {
  bool removeShortcuts = true;  // its two launchers go too
  bool ask = true;              // the operator confirms first
  bool allowFirst = false;      // the first dispatcher of the list may go
  bool freePort = true;         // its port separator is free for another dispatcher after
};

// Deletes the dispatcher at context.CurrentIndex (none selected: nothing happens): its
// folder, its list entry and what `options` say; the list is reloaded and nothing is
// selected after. Refused, with nothing changed: a running dispatcher, the last
// dispatcher of the list and, unless allowed, the first one (119). True when the
// dispatcher was deleted.
bool DeleteDispatcher(CommandContext& context, const DeletionOptions& options = {});

// The deletion's changes on disk, in an order that never leaves the flavour unloadable:
// the ini copy that a rebuild of the list looks for, then the dispatcher's folder, then
// (with record.removeShortcuts) its launchers. Each step tolerates its own earlier run,
// so that a recovery can complete an interrupted deletion by running it again. The
// journal holds a "delete" intent (or the change of type whose old dispatcher goes) and
// records the steps "ini-copy-removed" and "folder-removed"; a folder that is not one
// plain name is refused (107).
void CompleteDeletion(CIntentJournal& journal);

// When a file below dataFolder + folder is held open by an application, shows message
// 172 and returns true.
bool RefuseFolderInUse(const std::string& dataFolder, const std::string& folder);

}  // namespace rvc::lifecycle
