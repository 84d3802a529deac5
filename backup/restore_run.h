// The Restore command: what happens after the Restore dialog closed with OK, for a whole
// flavour (the installed dispatchers replaced by the backed-up ones, an older backup
// converted by the update job) and for single dispatchers (each matched with an installed
// one by its command port). docs/restore.md tells the paths and their messages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "backup/restore.h"
#include "lifecycle/new_dispatcher.h"

namespace rvc::backup {

// What a restore run did, dispatcher by dispatcher, for reports (ravlinctl restore --json).
struct RestoreReport {
  std::vector<std::string> Removed;    // installed dispatchers taken out by a whole-flavour restore
  std::vector<std::string> Recreated;  // dispatchers made anew from their backed-up identity
  std::vector<std::string> Restored;   // dispatchers whose data folder was copied back
  std::vector<std::string> Skipped;    // dispatchers whose data was not copied (a path check failed)
};

struct RestoreContext {
  // The main window's list, templates, selection, refresh and view-only mode.
  lifecycle::CommandContext Lifecycle;
  // The active flavour.
  std::string DisplayName, Key, Version, ProgramFolder, DataFolder;  // DataFolder ends with "/"
  // Starts the update job that converts the older flavour copied to the temporary folder
  // and waits for it. Empty: the conversion is refused as if the job could not start.
  std::function<bool(const RestoreContext&)> RunUpdateJob;
  // Calls the device type's restore plug-in for the last restored dispatcher. May be empty.
  std::function<void(const store::CDispatcher& dispatcher, const std::string& source)> CallRestorePlugin;
  // Starts a tool of the proof server ("cfgbackuprestore_setup", "cfgconvert_setup" in the
  // program folder's "bin_ix86") with `arguments` and waits for it. May be empty.
  std::function<void(const std::string& tool, const std::vector<std::string>& arguments)> RunProofTool;
  // Whether the dispatcher's window is open; empty: the window lookup of the desktop.
  std::function<bool(const std::string& name)> IsRunning;
  // The installation lock's wait.
  int LockWaitMs = 3000;
  // Filled by the run when set.
  RestoreReport* Report = nullptr;
};

enum class RestoreResult { Restored, Problems, Ended };

// Runs a restore from `backupFolder` of the dialog's choice, holding the installation
// lock; shows the final message. Ended: a refusal or a No was shown and the run stopped.
RestoreResult RunRestore(RestoreContext& context, const std::string& backupFolder,
                         const std::vector<std::string>& selectedFlavours,
                         const std::vector<std::string>& selectedDispatchers, bool wholeFlavour);

// "&Restore": the last backup folder `lastBackup` (empty: asks to browse), the dialog and
// RunRestore.
void OnRestore(RestoreContext& context, const std::string& lastBackup);

// The data of the installed dispatcher's command port and PPD, for the matching.
InstalledDispatcher DescribeInstalled(const store::CDispatcher& dispatcher, const std::string& dataFolder);

}  // namespace rvc::backup
