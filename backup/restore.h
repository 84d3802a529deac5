// Restore: the dialog that picks a backup folder, one backed-up flavour and some or all of
// its dispatchers, and the steps that bring a backed-up dispatcher back over an installed
// one (docs/restore.md).
//
// A backup folder is data from elsewhere: its index is read through BackupIndex, which
// refuses names and folders that could lead out of their place; the data copy refuses a
// symbolic link inside the backed-up folder instead of following it, writes only inside
// the installed dispatcher's data folder and never overwrites "History.txt".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "backup/backup_index.h"
#include "ui/user_interface.h"

namespace rvc {
class IRvcTrace;
}
namespace rvc::lifecycle {
class CIntentJournal;
}

namespace rvc::backup {

// The version test: `backedUp` equals `installed`, or "V0" + `installed` without its
// dots, both ignoring case ("V0101" is 10.1).
bool VersionsEqual(const std::string& backedUp, const std::string& installed);

// A folder picked inside a backup folder leads back to the backup folder: when the last
// "-" of `path` lies after the first "RVC_Backup_", the path is cut two characters after
// that "-" (the backup folder's name ends with the two minute digits). Nothing when
// `path` does not contain "RVC_Backup_".
std::optional<std::string> BackupFolderOf(const std::string& path);

// The Restore dialog.
class CRestoreDlg : public ui::IDialogModel {
 public:
  std::string DialogName() const override { return "Restore"; }

  std::string PreselectedDispatcher;
  std::string PreselectedFlavour;
  std::string BackupFolder;
  std::vector<std::string> SelectedDispatchers;
  std::vector<std::string> SelectedFlavours;
  bool WholeFlavour = false;

  // The lists as shown: the flavours (one selection) and the dispatchers of the selected
  // flavour (several selections). Views and scripts set the selections.
  std::vector<std::string> Flavours;
  int SelectedFlavour = -1;
  std::vector<std::string> Dispatchers;
  std::vector<bool> DispatcherSelected;

  // With an empty BackupFolder the folder picker; otherwise the folder is loaded with
  // the active flavour selected.
  void OnInitDialog();
  // The folder picker titled "Please open a valid backup folder"; a folder that is not a
  // backup folder is refused with 157 and the previous one kept.
  void OnBrowse();
  // Reads the index of `folder`: 155 when it is missing, the reader's refusal when it is
  // hostile or damaged, 156 when it names no flavour.
  void LoadBackupFolder(const std::string& folder, const std::string& flavourToSelect);
  void FillDispatcherList(const std::string& flavour);
  void OnFlavourClick();
  // Fills SelectedDispatchers and SelectedFlavours; no dispatcher selected means every
  // listed one and WholeFlavour.
  bool OnOk() override;

  // The index of the shown folder, when it could be read.
  const std::optional<BackupIndex>& Index() const { return index_; }

 private:
  std::optional<BackupIndex> index_;
};

// An installed dispatcher as the matching of a backed-up one sees it.
struct InstalledDispatcher {
  std::string Name;
  std::string Folder;
  std::string Type;
  int Base = 0;
  int CommandPort = -1;
  std::string PpdUsed;  // the first "*.ppd" of its data folder, relative; PPD-based types only
};

// The differences between an installed dispatcher and the backed-up topic that uses its
// command port, one line each (installed value first): "Type" (then no PPD line), "Used
// PPD" for a PPD-based type, "Folder", "Name". Empty when they agree.
std::string MatchDifferences(const InstalledDispatcher& installed, const IndexTopic& backedUp);
// Whether the installed dispatcher's command port is the backed-up one.
bool PortMatches(const InstalledDispatcher& installed, const IndexTopic& backedUp);

// Copies the backed-up data folder `source` over `target` (the installed dispatcher's
// "data" folder inside `dataFolder`), overwriting and skipping every "History.txt", as
// one journaled change. Into a folder the operation made, the files are copied directly;
// an installed folder is staged beside itself (its kept files linked, the backed-up ones
// copied) and replaced in two renames, the installed folder being set aside until the
// commit, so that an interrupted restore is rolled back by the recovery without undo
// bytes in the journal. The caller holds the installation lock. Raises 109 naming `source`
// when the backed-up tree holds a symbolic link (it is not followed out of the backup)
// and 107 when `target` does not lie inside `dataFolder`; nothing is then written.
// `journal`: the restore's open journal, committed by the caller (CommitRestore); none:
// the copy journals and commits itself. A failure rolls back what the copy (and, with its
// own journal, nothing else) changed. `unchangedIn`: folders inside `dataFolder` that may
// already hold backed-up files (the installed data folder, a set-aside one of the same
// dispatcher folder); a file there that is exactly the copy the restore would write
// (bytes, permission bits, owner, one name; its times are its own) is linked into the staged
// folder instead of copied. Only for folders nothing writes into in place meanwhile (no
// running dispatcher).
void RestoreDataFolder(const std::string& source, const std::string& target, const std::string& dataFolder,
                       const std::string& name, lifecycle::CIntentJournal* journal = nullptr,
                       const std::vector<std::string>& unchangedIn = {});

// The data restore of one dispatcher: the path checks of the backed-up settings (which
// make missing folders inside the data folder, noted in the same journal as the copy)
// and, when the ini file's folders exist, the copy. False when a check failed (the
// problems flag); the copy is then not made. `journal` and `unchangedIn` as for
// RestoreDataFolder; `copied` tells whether the copy was made.
bool RestoreDispatcher(const std::string& source, const std::string& installedFolder, const std::string& dataFolder,
                       const std::string& name, IRvcTrace& trace, lifecycle::CIntentJournal* journal = nullptr,
                       bool* copied = nullptr, const std::vector<std::string>& unchangedIn = {});

// Ends a restore journaled in `journal`: flushes what it copied, records the commit and
// removes what it set aside.
void CommitRestore(lifecycle::CIntentJournal& journal, const std::string& dataFolder);

}  // namespace rvc::backup
