// Backup of the whole installation: every flavour with all of its dispatchers into one new,
// time-stamped folder under a folder the administrator chooses, with the index
// "BackupInfo.tmp" (backup/backup_index.h) that the restore reads.
//
// For each flavour, in the order of the flavour list: each dispatcher's data folder is
// copied to B/<flavour>/<name> and its device type's backup plug-in ("backupdll") may add
// data of its own; then the program folder's templates are copied to the temporary folder
// as <key>prog, the configurator's backup job ("rvc_setup <key> <progdir> <datadir> -b
// <version>") runs as a second process, and its output (temp/<key>) is copied to
// B/<flavour>/<key> and removed; for the flavour "Proof" the proof server's tool
// (progdir/bin_ix86/cfgbackuprestore_setup) writes B/Proof. The folder of the last
// completed backup is kept in the catalogue ("_internal_"/"LastSuccessfulBackup").
// docs/backup.md tells the whole story.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "frame/flavour.h"
#include "ui/user_interface.h"

namespace rvc::backup {

// The environment variable by which a backup tells the configurator's backup job where
// the flavour's dispatcher copies lie (B/<flavour>): the job's saved state hard-links the
// files that hold the same as those copies instead of writing them a second time.
inline constexpr char kDispatcherCopiesVariable[] = "RVC_BACKUP_DISPATCHER_COPIES";

// "RVC_Backup_" + the computer name in lower case + "_%04d_%02d_%02d_%02d-%02d" of the
// local time (year, month, day, hour, minute).
std::string BackupFolderName(std::string_view computerName, const std::tm& localTime);
// COMPUTERNAME when set and not empty, else the host name.
std::string ComputerName();

class CBackup {
 public:
  // Backs up `flavours`. `configurator` is the rvc_setup to start for the backup jobs;
  // empty: the one beside the running program, else the first on PATH.
  explicit CBackup(frame::FlavourList& flavours, std::string configurator = {});

  // The main window's "&Backup...": asks for the folder (starting where the last backup
  // went) and backs up into a new folder there.
  void OnBackup();
  // Where the folder picker starts: the folder holding the last completed backup, else
  // the parent of the configuration folder (KW_DATA_RAVLINCONFIG). 109 when the
  // catalogue cannot be opened.
  static std::string StartFolder();
  // OnBackup after the picker: backs up into `chosenFolder` + the backup folder's name,
  // tells the user, traces and records the folder as the last completed backup. The
  // backup folder, or "" when the backup did not complete (cancelled, no destination).
  std::string BackupInto(const std::string& chosenFolder);
  // The backup itself into `destination`: every flavour when `selector` is "All"
  // (ignoring case), none otherwise. False when `destination` is empty or the user
  // cancelled between two dispatchers.
  bool BackupFlavours(const std::string& selector, const std::string& destination);

  // Whether the last run was cancelled.
  bool Cancelled() const { return cancelled_; }

 private:
  void BackupDispatcher(const frame::CFlavour& flavour, int index, const std::string& destination);
  void RunConfiguratorJob(const frame::CFlavour& flavour, const std::string& destination);
  bool Stop();

  frame::FlavourList& flavours_;
  std::string configurator_;
  ui::IProgress* progress_ = nullptr;
  bool cancelled_ = false;
};

// Why the flavours cannot be backed up as they are ("" when they can): a flavour name,
// key, dispatcher name or folder that cannot be one path component of a backup, or two
// dispatchers of one flavour with the same name (they would share a folder).
std::string BackupProblem(const frame::FlavourList& flavours);

}  // namespace rvc::backup
