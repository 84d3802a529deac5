#include "backup/restore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <utility>

#include "backup/path_checks.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/recovery.h"
#include "platform/atomic_file.h"
#include "platform/file_copy.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/rvc_utils.h"
#include "ui/user_interface.h"

namespace rvc::backup {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

void ShowNumbered(int id, const std::string& argument = {}) {
  ui::ShowMessage(CRvcException(id, argument).Message(), "Ravlin Configurator");
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// One file or folder of a backed-up tree, relative to its root.
struct Entry {
  std::string relative;
  bool folder = false;
};

// The names in `folder`, without "." and "..".
std::vector<std::string> EntryNames(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) throw CRvcException(msg::kOpenFailed, folder);
  std::vector<std::string> names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// Lists `root` without following links; a link, device or other special entry refuses
// the whole tree.
void ListTree(const std::string& root, const std::string& relative, std::vector<Entry>& entries) {
  const std::string folder = relative.empty() ? root : root + "/" + relative;
  std::vector<std::string> names = EntryNames(folder);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (SameText(name, "History.txt")) continue;
    const std::string path = folder + "/" + name;
    const std::string rel = relative.empty() ? name : relative + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) throw CRvcException(msg::kOpenFailed, path);
    if (S_ISLNK(info.st_mode) || !(S_ISDIR(info.st_mode) || S_ISREG(info.st_mode))) {
      throw CRvcException(msg::kResourceDbError, path + ": a link or special file in a backup is not restored");
    }
    entries.push_back({rel, S_ISDIR(info.st_mode)});
    if (S_ISDIR(info.st_mode)) ListTree(root, rel, entries);
  }
}

}  // namespace

bool VersionsEqual(const std::string& backedUp, const std::string& installed) {
  std::string withoutDots;
  for (char c : installed) {
    if (c != '.') withoutDots += c;
  }
  return SameText(backedUp, installed) || SameText(backedUp, "V0" + withoutDots);
}

std::optional<std::string> BackupFolderOf(const std::string& path) {
  const std::size_t marker = path.find("RVC_Backup_");
  if (marker == std::string::npos) return std::nullopt;
  const std::size_t dash = path.rfind('-');
  if (dash != std::string::npos && dash > marker) return path.substr(0, std::min(path.size(), dash + 3));
  return path;
}

void CRestoreDlg::OnInitDialog() {
  if (BackupFolder.empty()) {
    OnBrowse();
  } else {
    LoadBackupFolder(BackupFolder, PreselectedFlavour);
  }
}

void CRestoreDlg::OnBrowse() {
  std::string picked = ui::Current().BrowseForFolder("Please open a valid backup folder", BackupFolder);
  if (picked.empty()) return;
  while (picked.size() > 1 && picked.back() == '/') picked.pop_back();
  std::optional<std::string> folder = BackupFolderOf(picked);
  if (!folder) {
    ShowNumbered(msg::kNotABackupFolder);
    return;
  }
  BackupFolder = *folder;
  LoadBackupFolder(*folder, "");
}

void CRestoreDlg::LoadBackupFolder(const std::string& folder, const std::string& flavourToSelect) {
  Flavours.clear();
  SelectedFlavour = -1;
  Dispatchers.clear();
  DispatcherSelected.clear();
  index_.reset();
  BackupFolder = folder;
  if (!Exists(folder + "/" + kIndexFileName)) {
    ShowNumbered(msg::kLastBackupMissing, folder);
    return;
  }
  try {
    index_ = BackupIndex::Read(folder);
  } catch (const CRvcException& e) {
    e.Report();
    return;
  }
  const auto& named = index_->Flavours();
  if (!named || std::all_of(named->begin(), named->end(), [](const std::string& f) { return f.empty(); })) {
    ShowNumbered(msg::kNothingBackedUp);
    return;
  }
  for (const std::string& flavour : *named) {
    if (flavour.empty()) continue;
    if (SelectedFlavour < 0 && !flavourToSelect.empty() && SameText(flavour, flavourToSelect)) {
      SelectedFlavour = static_cast<int>(Flavours.size());
    }
    Flavours.push_back(flavour);
  }
  if (!flavourToSelect.empty()) {
    FillDispatcherList(flavourToSelect);
  } else if (!Flavours.empty()) {
    FillDispatcherList(Flavours.front());
  }
}

void CRestoreDlg::FillDispatcherList(const std::string& flavour) {
  Dispatchers.clear();
  DispatcherSelected.clear();
  if (!index_) return;
  for (const IndexTopic* topic : index_->DispatchersOf(flavour)) {
    if (!topic->Item("Name")) continue;
    Dispatchers.push_back(topic->Name());
    DispatcherSelected.push_back(!PreselectedDispatcher.empty() && SameText(topic->Name(), PreselectedDispatcher));
  }
}

void CRestoreDlg::OnFlavourClick() {
  if (SelectedFlavour >= 0 && SelectedFlavour < static_cast<int>(Flavours.size())) {
    FillDispatcherList(Flavours[SelectedFlavour]);
  }
}

bool CRestoreDlg::OnOk() {
  SelectedDispatchers.clear();
  SelectedFlavours.clear();
  WholeFlavour = false;
  for (std::size_t i = 0; i < Dispatchers.size(); ++i) {
    if (i < DispatcherSelected.size() && DispatcherSelected[i]) SelectedDispatchers.push_back(Dispatchers[i]);
  }
  if (SelectedFlavour >= 0 && SelectedFlavour < static_cast<int>(Flavours.size())) {
    SelectedFlavours.push_back(Flavours[SelectedFlavour]);
  }
  if (SelectedDispatchers.empty()) {
    SelectedDispatchers = Dispatchers;
    WholeFlavour = true;
  }
  return true;
}

bool PortMatches(const InstalledDispatcher& installed, const IndexTopic& backedUp) {
  return SameText(std::to_string(installed.CommandPort), backedUp.Item("Port").value_or(""));
}

std::string MatchDifferences(const InstalledDispatcher& installed, const IndexTopic& backedUp) {
  std::string text;
  auto line = [&text](const char* what, const std::string& mine, const std::string& theirs) {
    if (!SameText(mine, theirs)) text += std::string(what) + ": " + mine + " <> " + theirs + "\n";
  };
  const std::string type = backedUp.Item("Type").value_or("");
  if (!SameText(installed.Type, type)) {
    line("Type", installed.Type, type);
  } else if (IsPpdBasedType(installed.Type)) {
    line("Used PPD", installed.PpdUsed, backedUp.Item("PPDUsed").value_or(""));
  }
  line("Folder", installed.Folder, backedUp.Folder());
  line("Name", installed.Name, backedUp.Name());
  return text;
}

namespace {

lifecycle::IntentRecord RestoreIntent(const std::string& dataFolder, const std::string& name, const std::string& target) {
  lifecycle::IntentRecord record;
  record.operation = "restore";
  record.dataFolder = dataFolder;
  record.name = "dispatcher " + name;
  record.folder = target;
  return record;
}

// Notes the outermost missing folder of `path` as made by the operation.
void NoteFolderToMake(lifecycle::CIntentJournal& journal, const std::string& path) {
  std::string outermost = path;
  for (std::string up = path; up.size() > 1;) {
    const std::size_t slash = up.rfind('/');
    if (slash == std::string::npos || slash == 0) break;
    up.resize(slash);
    if (Exists(up)) break;
    outermost = up;
  }
  journal.NoteCreated(outermost);
}

// A free name beside `path`: `path` + `suffix` + a number.
std::string FreeName(const std::string& path, const char* suffix) {
  for (int n = 1;; ++n) {
    std::string candidate = path + suffix + std::to_string(n);
    if (!Exists(candidate)) return candidate;
  }
}

// The files a restore may find already in place: in the folders it restores over (the
// installed data folder, the one a removed dispatcher of the same folder was set aside
// to), a file that holds exactly the copy the restore would write is given its new name
// by a hard link instead: no new file, no bytes written, and removing the set-aside
// folder frees nothing. Sound because nothing writes into a file of a data folder in place
// (files are replaced by rename; the RIP does not run during a restore) and the recovery
// only removes names and renames folders, never writes into what they name. Only real
// folders are looked into, never one reached through a link.
class UnchangedFiles {
 public:
  UnchangedFiles(const std::vector<std::string>& roots, const std::string& dataFolder) {
    for (const std::string& root : roots) {
      struct stat info {};
      if (root.empty() || ::lstat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
      try {
        store::RequireInsideDataFolder(dataFolder, root);
      } catch (const CRvcException&) {
        continue;
      }
      roots_.push_back({root, {""}});
    }
  }

  // `relative` is a folder of the backed-up tree, listed before the files in it.
  void EnterFolder(const std::string& relative) {
    for (Root& root : roots_) {
      struct stat info {};
      if (root.folders.count(Parent(relative)) && ::lstat((root.path + "/" + relative).c_str(), &info) == 0 &&
          S_ISDIR(info.st_mode)) {
        root.folders.insert(relative);
      }
    }
  }

  // Links the file at `relative` of a root to `to` when it holds the copy of `from` that
  // `request` would write. After kGiveUp files in a row that were there but differed,
  // the data is taken to have changed and the rest is copied without comparing, which
  // bounds what the comparison costs a restore into changed data.
  bool Link(const std::string& relative, const std::string& from, const std::string& to,
            const platform::CopyRequest& request) {
    constexpr int kGiveUp = 16;
    if (differedInARow_ >= kGiveUp) return false;
    bool differed = false;
    for (const Root& root : roots_) {
      if (!root.folders.count(Parent(relative))) continue;
      const std::string existing = root.path + "/" + relative;
      struct stat info {};
      if (!platform::HoldsCopyOf(existing, from, request, &info)) {
        differed = differed || ::lstat(existing.c_str(), &info) == 0;
        continue;
      }
      differedInARow_ = 0;
      // Replaced since it was compared: copied instead.
      if (platform::LinkSameFile(existing, info, AT_FDCWD, to.c_str())) return true;
    }
    if (differed) ++differedInARow_;
    return false;
  }

 private:
  static std::string Parent(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
  }
  struct Root {
    std::string path;
    std::set<std::string> folders;  // relative folders found real below `path`
  };
  std::vector<Root> roots_;
  int differedInARow_ = 0;
};

// The backed-up entries into `target`, which the operation made: folders made, files
// copied over what is there, or linked from `unchanged`. The copies are flushed by the
// caller, all at once. A staged folder (`staged`) is seen by nobody before its rename into
// place: its files are written at their names directly.
void CopyEntries(const std::vector<Entry>& entries, const std::string& source, const std::string& target,
                 const std::string& dataFolder, bool staged, UnchangedFiles* unchanged = nullptr) {
  platform::CopyRequest request;
  request.followSourceLink = false;
  request.deferSync = true;
  request.privateFolder = staged;
  // A backup comes from elsewhere: its files get their permissions back, never a
  // set-user-ID, set-group-ID or sticky bit.
  request.keptModeBits = S_IRWXU | S_IRWXG | S_IRWXO;
  for (const Entry& entry : entries) {
    const std::string to = target + "/" + entry.relative;
    // A file's folder came before it and was found a real folder (not a link) below the
    // checked target; only folders need the walk along their path.
    if (entry.folder) store::RequireInsideDataFolder(dataFolder, to);
    struct stat info {};
    const bool exists = ::lstat(to.c_str(), &info) == 0;
    if (entry.folder) {
      if (unchanged) unchanged->EnterFolder(entry.relative);
      if (exists && S_ISDIR(info.st_mode)) continue;
      if (exists || ::mkdir(to.c_str(), 0755) != 0) throw CRvcException(msg::kCreateFailed, to);
      continue;
    }
    const std::string from = source + "/" + entry.relative;
    if (!exists && unchanged && unchanged->Link(entry.relative, from, to, request)) continue;
    if ((exists && !S_ISREG(info.st_mode)) || platform::CopyFile(from, to, request) == platform::CopyOutcome::kFailed) {
      throw CRvcException(msg::kCopyFailed, from, to);
    }
  }
}

// Links the installed files of `from` that the backup does not replace into `to`
// (mirrored folders), so that the staged folder holds the installed data the restore
// keeps without copying it.
void LinkKept(const std::string& from, const std::string& to, const std::string& relative,
              const std::vector<Entry>& entries) {
  const std::string folder = relative.empty() ? from : from + "/" + relative;
  const std::vector<std::string> names = EntryNames(folder);
  for (const std::string& name : names) {
    const std::string rel = relative.empty() ? name : relative + "/" + name;
    const std::string path = folder + "/" + name;
    const std::string linked = to + "/" + rel;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) throw CRvcException(msg::kOpenFailed, path);
    const auto replaced = std::find_if(entries.begin(), entries.end(), [&rel](const Entry& e) { return e.relative == rel; });
    if (replaced != entries.end() && replaced->folder != S_ISDIR(info.st_mode)) throw CRvcException(msg::kCopyFailed, path, linked);
    if (S_ISDIR(info.st_mode)) {
      if (::mkdir(linked.c_str(), info.st_mode & 07777) != 0) throw CRvcException(msg::kCreateFailed, linked);
      LinkKept(from, to, rel, entries);
      continue;
    }
    if (replaced != entries.end()) continue;
    if (::link(path.c_str(), linked.c_str()) == 0) continue;
    if (!S_ISREG(info.st_mode)) throw CRvcException(msg::kCopyFailed, path, linked);
    platform::CopyRequest request;
    request.followSourceLink = false;
    request.deferSync = true;
    if (platform::CopyFile(path, linked, request) == platform::CopyOutcome::kFailed) {
      throw CRvcException(msg::kCopyFailed, path, linked);
    }
  }
}

void CopyInto(const std::vector<Entry>& entries, const std::string& source, const std::string& target,
              const std::string& dataFolder, lifecycle::CIntentJournal& journal,
              const std::vector<std::string>& unchangedIn) {
  if (!Exists(target)) {
    NoteFolderToMake(journal, target);
    store::CRvcUtils().CreateFolderTree(target);
    CopyEntries(entries, source, target, dataFolder, /*staged=*/false);
    return;
  }
  // A folder is not changed file by file: the restored folder is staged beside it and
  // takes its place in two renames, the folder there set aside until the commit. This
  // holds for a folder the run made too (a re-created dispatcher's): the staged files are
  // written at their names, without a temporary file and a rename each.
  const std::string staged = FreeName(target, ".rvc-restoring");
  const std::string aside = FreeName(target, ".rvc-previous");
  store::RequireInsideDataFolder(dataFolder, staged);
  store::RequireInsideDataFolder(dataFolder, aside);
  // Both undo entries in one flushed write: until the renames are made, undoing the move
  // finds nothing set aside and leaves the folder in place.
  journal.NoteAll({{false, staged, {}, 0, {}}, {false, target, {}, 0, aside}});
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || ::mkdir(staged.c_str(), info.st_mode & 07777) != 0) {
    throw CRvcException(msg::kCreateFailed, staged);
  }
  LinkKept(target, staged, "", entries);
  UnchangedFiles unchanged(unchangedIn, dataFolder);
  CopyEntries(entries, source, staged, dataFolder, /*staged=*/true, &unchanged);
  if (::rename(target.c_str(), aside.c_str()) != 0) throw CRvcException(msg::kRenameFailed, target, aside);
  if (::rename(staged.c_str(), target.c_str()) != 0) throw CRvcException(msg::kRenameFailed, staged, target);
}

// Makes everything written so far durable: the copies defer their flushes to here.
void SyncFileSystemOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::syncfs(fd);
  ::close(fd);
}

// Runs `change` under `journal`; a failure it raises rolls its changes back first.
template <typename Change>
void Journaled(lifecycle::CIntentJournal& journal, Change change) {
  try {
    change();
  } catch (const std::exception&) {
    lifecycle::RollBackJournaled(journal.Record());
    journal.Finish();
    throw;
  } catch (const CRvcException&) {
    lifecycle::RollBackJournaled(journal.Record());
    journal.Finish();
    throw;
  }
}

}  // namespace

void RestoreDataFolder(const std::string& source, const std::string& target, const std::string& dataFolder,
                       const std::string& name, lifecycle::CIntentJournal* journal,
                       const std::vector<std::string>& unchangedIn) {
  store::RequireInsideDataFolder(dataFolder, target);
  std::vector<Entry> entries;
  ListTree(source, "", entries);  // refuses links before anything is written
  if (journal) {
    CopyInto(entries, source, target, dataFolder, *journal, unchangedIn);
    return;
  }
  lifecycle::CIntentJournal own(RestoreIntent(dataFolder, name, target));
  Journaled(own, [&] {
    CopyInto(entries, source, target, dataFolder, own, unchangedIn);
    SyncFileSystemOf(dataFolder);
  });
  lifecycle::CommitSetAside(own);
}

bool RestoreDispatcher(const std::string& source, const std::string& installedFolder, const std::string& dataFolder,
                       const std::string& name, IRvcTrace& trace, lifecycle::CIntentJournal* journal, bool* copied,
                       const std::vector<std::string>& unchangedIn) {
  if (copied) *copied = false;
  const std::string target = dataFolder + installedFolder + "/data";
  store::RequireInsideDataFolder(dataFolder, target);
  std::vector<Entry> refused;
  ListTree(source, "", refused);  // a backup with a link changes nothing, not even a folder
  std::optional<lifecycle::CIntentJournal> own;
  if (!journal) journal = &own.emplace(RestoreIntent(dataFolder, name, target));
  bool ok = true;
  auto restore = [&] {
    const BeforeCreate note = [journal](const std::string& folder) { NoteFolderToMake(*journal, folder); };
    ok = CheckRestoredFolders(source, dataFolder, true, note);
    if (!CheckRestoredIni(source + "/zv" + installedFolder + "_dispatcher.ini", dataFolder, true, note)) {
      ok = false;
      return;
    }
    RestoreDataFolder(source, target, dataFolder, name, journal, unchangedIn);
    if (copied) *copied = true;
    trace.Trace("Dispatcher:" + name + " restored.");
  };
  if (!own) {
    restore();
    return ok;
  }
  Journaled(*own, [&] {
    restore();
    SyncFileSystemOf(dataFolder);
  });
  lifecycle::CommitSetAside(*own);
  return ok;
}

void CommitRestore(lifecycle::CIntentJournal& journal, const std::string& dataFolder) {
  SyncFileSystemOf(dataFolder);
  lifecycle::CommitSetAside(journal);
}

}  // namespace rvc::backup
