#include "lifecycle/recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <exception>
#include <utility>
#include <vector>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/scripted_commands.h"
#include "platform/environment.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"

namespace rvc::lifecycle {
namespace {

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsRealFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Lower(std::string text) { return platform::ToLowerAscii(text); }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether `path` lies strictly inside `folder`, written plainly (no "." or ".." pieces).
bool StrictlyInside(const std::string& path, std::string folder) {
  if (folder.empty() || path.empty()) return false;
  folder = platform::WithTrailingSeparator(folder);
  if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  const std::string rest = "/" + path.substr(folder.size()) + "/";
  return rest.find("/../") == std::string::npos && rest.find("/./") == std::string::npos &&
         rest.find("//") == std::string::npos;
}

// The launcher folders: the desktop and the folder that holds the program groups.
std::vector<std::string> LauncherRoots() {
  std::vector<std::string> roots;
  try {
    store::CShortcuts shortcuts;
    roots.push_back(shortcuts.ShortcutFolder(true));
    std::string group = shortcuts.ShortcutFolder(false);
    while (group.size() > 1 && group.back() == platform::kSeparator) group.pop_back();
    roots.push_back(group.substr(0, group.rfind(platform::kSeparator) + 1));
  } catch (const CRvcException& e) {
    Trace(e.Message());
  }
  return roots;
}

// Removes the empty folders at and below `path`, deepest first; files stay, and so does
// every folder that holds one.
bool RemoveEmptyFolders(const std::string& path) {
  if (!IsRealFolder(path)) return !Exists(path);
  bool empty = true;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (!RemoveEmptyFolders(path + platform::kSeparator + name)) empty = false;
    }
    ::closedir(dir);
  }
  return empty && ::rmdir(path.c_str()) == 0;
}

// Undoes one journal entry, confined to the installation.
void Undo(const UndoEntry& entry, const IntentRecord& record, const std::vector<std::string>& launcherRoots) {
  if (!entry.aside.empty()) {
    // Moved aside: whatever took its place goes, then it comes back. Until the rename was
    // made there is nothing aside and nothing to undo.
    if (!StrictlyInside(entry.path, record.dataFolder) || !StrictlyInside(entry.aside, record.dataFolder)) {
      throw CRvcException(msg::kRenameFailed, entry.aside, entry.path);
    }
    if (!Exists(entry.aside)) return;
    if (Exists(entry.path)) {
      store::CRvcUtils().DeleteTreeInside(record.dataFolder, entry.path, true, true);
      if (Exists(entry.path)) throw CRvcException(msg::kDeleteFailed, entry.path);
    }
    if (::rename(entry.aside.c_str(), entry.path.c_str()) != 0) throw CRvcException(msg::kRenameFailed, entry.aside, entry.path);
    platform::SyncFolderOf(entry.path);
    platform::SyncFolderOf(entry.aside);
    return;
  }
  bool confined = StrictlyInside(entry.path, record.dataFolder);
  for (const std::string& root : launcherRoots) confined = confined || StrictlyInside(entry.path, root);
  if (entry.preserved) {
    if (!confined) throw CRvcException(msg::kCreateFailed, entry.path, "outside the installation");
    std::string error;
    if (!platform::WriteFileAtomically(entry.path, entry.bytes, &error)) throw CRvcException(msg::kCreateFailed, entry.path, error);
    ::chmod(entry.path.c_str(), entry.mode);
    return;
  }
  if (StrictlyInside(entry.path, record.dataFolder)) {
    store::CRvcUtils().DeleteTreeInside(record.dataFolder, entry.path, true, true);
    if (Exists(entry.path)) throw CRvcException(msg::kDeleteFailed, entry.path);
    platform::SyncFolderOf(entry.path);
  } else if (confined) {
    store::CRvcUtils().DeleteTree(entry.path, true, true);
    if (Exists(entry.path)) throw CRvcException(msg::kDeleteFailed, entry.path);
    platform::SyncFolderOf(entry.path);
  } else {
    // A hot folder, made by the operation: only while nothing was put into it.
    RemoveEmptyFolders(entry.path);
  }
}

// A modification is undone as a whole: its files get their bytes back (inside the folder
// under its new name, where they were noted), then the folder its old name.
void RollBackModification(const IntentRecord& record) {
  RollBackJournaled(record);
  if (record.step.empty() || record.built.empty() || record.built == record.folder) return;
  if (!store::FolderNameProblem(record.folder).empty() || !store::FolderNameProblem(record.built).empty()) {
    throw CRvcException(msg::kRenameFailed, record.built, record.folder);
  }
  const std::string renamed = record.dataFolder + record.built;
  const std::string original = record.dataFolder + record.folder;
  if (!IsRealFolder(renamed) || Exists(original)) return;
  if (::rename(renamed.c_str(), original.c_str()) != 0) throw CRvcException(msg::kRenameFailed, record.built, record.folder);
  platform::SyncFolderOf(original);
}

// The installer's jobs ("install-job", "backup-job", "update-job", "delete-job") are
// written so that running them again finishes them: the backup moves its new saved state
// into place in one rename, the update keeps the saved state until its last step.
bool IsInstallerJob(const std::string& operation) {
  return operation.size() > 4 && operation.compare(operation.size() - 4, 4, "-job") == 0;
}

std::string Describe(const IntentRecord& record) {
  if (record.operation == "create") return "creation of dispatcher " + record.name;
  if (record.operation == "modify") return "modification of dispatcher " + record.name;
  if (record.operation == "delete") return "deletion of dispatcher " + record.name;
  if (IsInstallerJob(record.operation)) {
    return record.operation.substr(0, record.operation.size() - 4) + " job of flavour " + record.name;
  }
  if (record.operation == "restore") return "restore of " + record.name;
  if (record.operation == "ripconfig") return "change of the RIP configuration of dispatcher " + record.name;
  return "change of type of dispatcher " + record.name;
}

bool KnownExtension(const std::string& lowerName) {
  static const char* kExtensions[] = {".sfd", ".ini", ".res", ".cfg", ".fid", ".desktop", ".dat",
                                      ".ppd", ".inf", ".usr", ".journal", ".txt"};
  for (const char* extension : kExtensions) {
    if (EndsWith(lowerName, extension)) return true;
  }
  return false;
}

// Removes the debris files in `folder` and, `depth` levels down, in its subfolders.
// Links are never followed.
int Sweep(const std::string& folder, int depth) {
  int removed = 0;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  // Names with the types the listing gives (most file systems do): only a folder, or a
  // file named as debris, costs more than the listing, and the start of the program
  // sweeps every dispatcher's folders.
  std::vector<std::pair<std::string, unsigned char>> entries;
  while (dirent* entry = ::readdir(dir)) entries.emplace_back(entry->d_name, entry->d_type);
  ::closedir(dir);
  for (const auto& [name, listed] : entries) {
    if (name == "." || name == "..") continue;
    const bool debris = IsDebrisName(name);
    if (listed != DT_UNKNOWN && listed != DT_DIR && !(listed == DT_REG && debris)) continue;
    if (listed == DT_UNKNOWN && depth == 0 && !debris) continue;
    const std::string path = platform::WithTrailingSeparator(folder) + name;
    unsigned char type = listed;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    if (type == DT_DIR) {
      if (depth > 0) removed += Sweep(path, depth - 1);
    } else if (type == DT_REG && debris && ::unlink(path.c_str()) == 0) {
      Trace("Removed " + path + " left by an interrupted run");
      ++removed;
    }
  }
  return removed;
}

}  // namespace

void RollBackJournaled(const IntentRecord& record) {
  const std::vector<std::string> roots = LauncherRoots();
  for (auto it = record.undo.rbegin(); it != record.undo.rend(); ++it) Undo(*it, record, roots);
}

void RemoveSetAside(const IntentRecord& record) {
  store::CRvcUtils utils;
  for (const UndoEntry& entry : record.undo) {
    if (entry.aside.empty() || !Exists(entry.aside)) continue;
    if (!StrictlyInside(entry.aside, record.dataFolder)) throw CRvcException(msg::kDeleteFailed, entry.aside);
    utils.DeleteTreeInside(record.dataFolder, entry.aside, true, true);
    if (Exists(entry.aside)) throw CRvcException(msg::kDeleteFailed, entry.aside);
    platform::SyncFolderOf(entry.aside);
  }
}

void CommitSetAside(CIntentJournal& journal) {
  journal.Reached("committed");
  RemoveSetAside(journal.Record());
  journal.Finish();
}

bool RecoveryRollsBack(const IntentRecord& record) {
  if (record.operation == "restore") return record.step != "committed";
  if (record.operation == "create" || record.operation == "ripconfig") return true;
  if (record.operation == "modify") return record.step != "ppd";
  return (record.operation == "delete" || record.operation == "change-type") && record.step.empty();
}

bool IsDebrisName(const std::string& name) {
  const std::string lower = Lower(name);
  // ".<target>.rvctmp" + 6 characters: the atomic replacement's temporary file.
  if (lower.size() > 14 && lower[0] == '.' && lower.compare(lower.size() - 12, 6, "rvctmp") == 0 &&
      lower[lower.size() - 13] == '.') {
    return true;
  }
  // <target> + "." + 6 letters or digits: the same, as mkstemp names it.
  if (lower.size() > 7 && lower[lower.size() - 7] == '.') {
    bool random = true;
    for (size_t i = lower.size() - 6; i < lower.size(); ++i) random = random && std::isalnum(static_cast<unsigned char>(name[i]));
    if (random && KnownExtension(lower.substr(0, lower.size() - 7))) return true;
  }
  // The text-file rewrites' temporary files and the creation's difference files.
  if (EndsWith(lower, ".tmp")) {
    return (lower.rfind("swap_", 0) == 0 && lower.size() == 10) || lower.rfind("zv", 0) == 0 || lower == "servers.tmp";
  }
  return EndsWith(lower, ".inidif");
}

RecoveryOutcome RecoverInterruptedOperation() {
  RecoveryOutcome outcome;
  try {
    std::optional<IntentRecord> record = CIntentJournal::Read();
    if (!record) return outcome;
    const std::string what = Describe(*record);
    if (record->operation == "modify" && record->step == "ppd") {
      // Done but for the PPD, which FinishRecovery makes.
    } else if (record->operation == "modify") {
      RollBackModification(*record);
      CIntentJournal::Remove();
      outcome.done = "rolled back the interrupted " + what;
    } else if (RecoveryRollsBack(*record)) {
      RollBackJournaled(*record);
      // A restore writes below the dispatcher's "data" folder, deeper than the sweep of
      // the data folders reaches: its own killed writes are swept here.
      if (record->operation == "restore" && !record->folder.empty() &&
          StrictlyInside(record->folder, record->dataFolder)) {
        outcome.debrisRemoved += Sweep(record->folder, 32);
      }
      CIntentJournal::Remove();
      outcome.done = "rolled back the interrupted " + what;
    } else if (record->operation == "restore") {
      RemoveSetAside(*record);
      CIntentJournal::Remove();
      outcome.done = "completed the interrupted " + what;
    } else if (record->operation == "delete") {
      CIntentJournal journal(*record);
      CompleteDeletion(journal);
      journal.Finish();
      outcome.done = "completed the interrupted " + what;
    } else if (IsInstallerJob(record->operation)) {
      CIntentJournal::Remove();
      outcome.done = "found the interrupted " + what + "; its saved state is kept, run the job again to finish it";
    } else if (record->operation == "change-type") {
      if (record->step != "ppd") {
        CIntentJournal journal(*record);
        CompleteReplacement(journal);
        journal.Reached("ppd");
      }
      outcome.done = "completed the interrupted " + what;
    } else {
      throw CRvcException(msg::kResourceDbError, CIntentJournal::Path());
    }
    Trace("Recovery: " + outcome.done);
  } catch (const CRvcException& e) {
    outcome.problem = e.Message();
  } catch (const std::exception& e) {
    outcome.problem = e.what();
  }
  if (!outcome.problem.empty()) Trace("Recovery failed: " + outcome.problem);
  return outcome;
}

void FinishRecovery(const frame::FlavourList& flavours, RecoveryOutcome& outcome) {
  try {
    std::optional<IntentRecord> record = CIntentJournal::Read();
    if (record && (record->operation == "change-type" || record->operation == "modify") && record->step == "ppd") {
      const std::string final = record->keepFolder ? record->folder : record->built;
      for (const auto& flavour : flavours) {
        const store::CDispatcherList& list = *flavour->DispatcherList;
        if (platform::WithTrailingSeparator(list.DataFolder()) != platform::WithTrailingSeparator(record->dataFolder)) {
          continue;
        }
        for (int row = 0; row < list.GetCount(); ++row) {
          if (list.GetAt(row).Record.Folder != final && list.GetAt(row).Record.Name != record->name) continue;
          // The dispatcher as the change left it: a list file may still name the old type
          // and folder.
          store::DispatcherRecord changed = list.GetAt(row).Record;
          changed.Folder = final;
          changed.Type = record->type;
          // As after a finished change, a PPD that cannot be made is traced only.
          try {
            if (GeneratePpd(*flavour, changed, nullptr) != std::optional<bool>(true)) {
              Trace("Ppd files couldn't be created for:" + record->name);
            }
          } catch (const CRvcException& e) {
            Trace(e.Message());
          }
          break;
        }
      }
      CIntentJournal::Remove();
      if (outcome.done.empty()) outcome.done = "completed the interrupted " + Describe(*record);
    }
  } catch (const CRvcException& e) {
    outcome.problem = e.Message();
  } catch (const std::exception& e) {
    outcome.problem = e.what();
  }
  // The debris: data folders down to the dispatchers' "data" and "ppd" folders, the
  // launcher folders with their program groups, the catalogue's folder.
  for (const auto& flavour : flavours) outcome.debrisRemoved += Sweep(flavour->DispatcherList->DataFolder(), 2);
  for (const std::string& root : LauncherRoots()) outcome.debrisRemoved += Sweep(root, 1);
  const std::string config = platform::NativePath(platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or(""));
  if (!config.empty()) outcome.debrisRemoved += Sweep(config, 0);
}

}  // namespace rvc::lifecycle
