#include "backup/restore_run.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "backup/recreation.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "lifecycle/creation_journal.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/recovery.h"
#include "lifecycle/list_file.h"
#include "lifecycle/running_dispatchers.h"
#include "platform/path.h"
#include "platform/sync_batch.h"
#include "store/dispatcher_list.h"
#include "store/confinement.h"
#include "store/installation_lock.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"
#include "platform/file_io.h"
#include "ui/user_interface.h"

namespace rvc::backup {
namespace {

constexpr char kTitle[] = "Ravlin Configurator";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}
bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

void Show(const std::string& text) { ui::ShowMessage(text, kTitle); }
bool Ask(const std::string& text) { return ui::ShowMessage(text, kTitle, ui::Buttons::YesNo, ui::Icon::Question) == ui::Answer::Yes; }

// ReadDispatcherItem: a missing item is told and read as "".
std::string Item(const IndexTopic& topic, const char* item) {
  std::optional<std::string> value = topic.Item(item);
  if (!value) {
    Show("There is no version specified for this Dispatcher!!");
    return {};
  }
  return *value;
}
int IntItem(const IndexTopic& topic, const char* item) { return std::atoi(Item(topic, item).c_str()); }
std::string TypeItem(const IndexTopic& topic) {
  std::optional<std::string> value = topic.Item("Type");
  if (!value) Show("There is no type specified for this Dispatcher!!");
  return value.value_or("");
}

// "The selected Dispatcher version (bv) to restore" + `between` + "is not compatible with
// installed version (version)" + `end`.
std::string NotCompatible(const std::string& bv, const std::string& version, const char* between, const char* end) {
  return "The selected Dispatcher version (" + bv + ") to restore" + between + "is not compatible with installed version (" +
         version + ")" + end;
}

void Refresh(RestoreContext& context) {
  if (context.Lifecycle.RefreshList) context.Lifecycle.RefreshList();
}

class Run {
 public:
  Run(RestoreContext& context, const BackupIndex& index, std::string backupFolder, std::string flavour,
      std::vector<std::string> names)
      : c_(context), index_(index), b_(std::move(backupFolder)), f_(std::move(flavour)), names_(std::move(names)) {}

  bool problems = false;

  const IndexTopic& Topic(const std::string& name) const {
    const IndexTopic* topic = index_.Find(f_, name);
    if (!topic) throw CRvcException(109, index_.Path() + ": no dispatcher " + name);
    return *topic;
  }
  store::CDispatcherList& List() { return *c_.Lifecycle.Dispatchers; }

  // False: the run ended.
  bool WholeFlavour() {
    if (!Ask("All the dispatchers present under the flavour '" + c_.DisplayName +
             "' will be replaced with backed-up dispatchers .\nDo you want to continue?")) {
      return false;
    }
    trace_.Trace("A flavour restore is requested for '" + c_.DisplayName + "'.");
    const std::string bv = names_.empty() ? std::string() : Item(Topic(names_.front()), "Version");
    if (!VersionsEqual(bv, c_.Version)) {
      const double installed = std::atof(c_.Version.c_str());
      const double backedUp = Lower(bv).rfind("v0", 0) == 0 ? 0.0 : std::atof(bv.c_str());
      if (installed <= backedUp) {
        Show(NotCompatible(bv, c_.Version, "\n", "!\nDowngrading is currently not supported."));
        Refresh(c_);
        return false;
      }
      return Convert(bv);
    }
    RemoveClones();
    AdjustOriginal();
    Refresh(c_);
    for (const std::string& name : names_) {
      const IndexTopic& topic = Topic(name);
      if (topic.IsOriginal()) continue;
      if (ReCreateDispatcher(c_.Lifecycle, name, TypeItem(topic), Item(topic, "Folder"), IntItem(topic, "Base"),
                             IntItem(topic, "Port"), &Journal(), BackedUpData(topic))) {
        trace_.Trace("Dispatcher:" + name + " recreated.");
        Note(&RestoreReport::Recreated, name);
      }
    }
    proofRestore_ = SameText(c_.Key, "Proof");
    return SingleDispatchers();
  }

  // The programs of other products run once the restore is committed: they cannot be
  // rolled back with it.
  void AfterCommit() {
    if (proofRestore_) RunProofRestore();
    if (plugin_ && c_.CallRestorePlugin) c_.CallRestorePlugin(plugin_->first, plugin_->second);
  }

  void RunProofRestore() {
    if (c_.RunProofTool) {
      c_.RunProofTool("cfgbackuprestore_setup", {"restore", b_ + "/Proof/ProofServer.BackUp", b_ + "/Proof//"});
    }
  }

  bool Convert(const std::string& bv) {
    const std::string older = b_ + "/" + c_.DisplayName + "/" + c_.Key;
    std::string pattern = "rvc1.cfg";
    store::CRvcUtils utils;
    if (!utils.FindNewestFile(older, pattern, true) || !c_.RunUpdateJob) {
      Show(NotCompatible(bv, c_.Version, "\n", ", \nand the necessary older templates are not available !"));
      return false;
    }
    const std::string temp = utils.ExpandFolder("%TMP%");
    store::CopyOptions options;
    options.stopAtErrors = false;
    utils.CopyTree(older, temp + c_.Key, options);
    c_.RunUpdateJob(c_);
    if (SameText(c_.Key, "Proof") && c_.RunProofTool) {
      const int from = std::atoi(bv.c_str());
      if (from == 7) c_.RunProofTool("cfgconvert_setup", {c_.DataFolder + "RavProofConfig"});
      if (from >= 10) RunProofRestore();
    }
    Show(List().GetCount() == static_cast<int>(names_.size())
             ? "Restore completed."
             : "Restore completed.\nTo see all newly created dispatchers, you have to restart this application.");
    Refresh(c_);
    return false;
  }

  // The backed-up folder the data restore copies over `topic`'s dispatcher; empty when it
  // cannot be used, which the data restore then reports.
  std::string BackedUpData(const IndexTopic& topic) const {
    try {
      return BackedUpDispatcherFolder(index_, b_, topic);
    } catch (...) {
      return {};
    }
  }

  void Note(std::vector<std::string> RestoreReport::*list, const std::string& name) {
    if (c_.Report) (c_.Report->*list).push_back(name);
  }

  // The restore's one journal, opened before its first change: every removal, adjustment,
  // re-creation and data copy of the run notes its undo entries there, so that a run cut
  // short is rolled back as a whole, and the commit at its end is the one point after
  // which the recovery completes it instead.
  lifecycle::CIntentJournal& Journal() {
    if (!journal_) {
      lifecycle::IntentRecord record;
      record.operation = "restore";
      record.dataFolder = c_.DataFolder;
      record.label = c_.Lifecycle.Label;
      record.name = "flavour " + c_.DisplayName;
      journal_.emplace(record);
    }
    return *journal_;
  }
  // The undo entry that keeps the bytes of `path`; nothing when there is no such file.
  static std::optional<lifecycle::UndoEntry> Preserved(const std::string& path) {
    const std::string resolved = platform::ResolveNoCase(path);
    struct stat info {};
    if (::lstat(resolved.c_str(), &info) != 0) return std::nullopt;
    std::string bytes;
    if (!platform::ReadWholeFile(resolved, bytes)) throw CRvcException(104, resolved);
    return lifecycle::UndoEntry{true, resolved, std::move(bytes), info.st_mode & 07777, {}};
  }
  // Notes the bytes of `path` before the run changes or removes it.
  void Keep(const std::string& path) {
    if (std::optional<lifecycle::UndoEntry> entry = Preserved(path)) Journal().NoteAll({std::move(*entry)});
  }
  void SaveListFile() {
    lifecycle::CCreationJournal undo;
    undo.WriteThrough(&Journal());
    lifecycle::SaveDispatcherListFile(List(), &undo);
    undo.Commit();
  }
  // Ends the run: what it did stays (a refusal on the way rolls nothing back).
  void Commit() {
    if (journal_) CommitRestore(*journal_, c_.DataFolder);
    journal_.reset();
  }
  // Undoes the run after a failure that left it.
  void RollBack() {
    if (!journal_) return;
    try {
      lifecycle::RollBackJournaled(journal_->Record());
      journal_->Finish();
    } catch (const CRvcException& e) {
      trace_.Trace("Rollback incomplete: " + e.Message());
    }
    journal_.reset();
  }

  // The installed dispatchers but the first leave: their folders are set aside (removed at
  // the commit), their launchers and ini copies go with their bytes kept.
  void RemoveClones() {
    store::CShortcuts shortcuts;
    bool removed = false;
    for (int i = List().GetCount() - 1; i >= 1 && List().GetCount() > 1; --i) {
      const store::DispatcherRecord record = List().GetAt(i).Record;
      try {
        if (c_.IsRunning ? c_.IsRunning(record.Name) : lifecycle::IsDispatcherRunning(record.Name, c_.Lifecycle.ProductVersion)) {
          Show(lifecycle::RunningDispatcherMessage(record.Name));
          continue;
        }
        const std::string folder = c_.DataFolder + record.Folder;
        store::RequireInsideDataFolder(c_.DataFolder, folder);
        const std::string aside = c_.DataFolder + ".rvc-restore-previous-" + record.Folder;
        store::RequireInsideDataFolder(c_.DataFolder, aside);
        if (::access(aside.c_str(), F_OK) == 0) throw CRvcException(106, aside);
        // The ini copy's bytes and the folder's move in one flushed journal write: undoing
        // the move before it was made finds nothing set aside.
        const std::string iniCopy = List().IniFileOf(record.Folder);
        std::vector<lifecycle::UndoEntry> undo;
        if (std::optional<lifecycle::UndoEntry> ini = Preserved(iniCopy)) undo.push_back(std::move(*ini));
        undo.push_back({false, folder, {}, 0, aside});
        Journal().NoteAll(std::move(undo));
        for (bool desktop : {true, false}) {
          for (std::string link; !(link = shortcuts.FindDispatcherShortcut(c_.Lifecycle.Label, record.Name, desktop)).empty();) {
            Keep(link);
            if (::unlink(link.c_str()) != 0) throw CRvcException(107, link);
          }
        }
        ::unlink(platform::ResolveNoCase(iniCopy).c_str());
        if (::access(folder.c_str(), F_OK) == 0 && ::rename(folder.c_str(), aside.c_str()) != 0) {
          throw CRvcException(103, folder, aside);
        }
        setAside_[Lower(record.Folder)] = aside;
        List().SetSeparatorInUse(record.Base, false);
        List().Remove(List().GetAt(i));
        removed = true;
        trace_.Trace("Dispatcher:" + record.Name + " removed.");
        Note(&RestoreReport::Removed, record.Name);
      } catch (const CRvcException& e) {
        e.Report();
      }
    }
    if (removed) SaveListFile();
  }

  void AdjustOriginal() {
    if (List().GetCount() == 0) return;
    store::CDispatcher& original = List().GetAt(0);
    store::CRvcUtils utils;
    for (const std::string& name : names_) {
      const IndexTopic& topic = Topic(name);
      if (!topic.IsOriginal()) continue;
      try {
        const std::string ini = List().IniFileOf(original.Record.Folder);
        Keep(ini);
        const std::string folder = Item(topic, "Folder");
        if (!SameText(folder, original.Record.Folder)) utils.RenameIniFlavour(ini, original.Record.Folder, folder);
        if (name != original.Record.Name) utils.RenameIniFlavour(ini, original.Record.Name, name);
        const std::string type = Item(topic, "Type");
        if (type != original.Record.Type) original.Record.Type = type;
        const int base = IntItem(topic, "Base");
        if (base != original.Record.Base) {
          utils.SetIniCommandPort(ini, base);
          original.Record.Base = base;
        }
        original.Record.CommandPort = IntItem(topic, "Port");
        SaveListFile();
      } catch (const CRvcException& e) {
        e.Report();
      }
    }
  }

  bool SingleDispatchers() {
    for (std::size_t at = 0; at < names_.size(); ++at) {
      const std::string& n = names_[at];
      const IndexTopic& topic = Topic(n);
      if (List().GetCount() == 0) Show("There is no dispatcher present under this flavour");
      const store::CDispatcher* matched = nullptr;
      std::string differences;
      for (int i = 0; i < List().GetCount() && !matched; ++i) {
        const InstalledDispatcher installed = DescribeInstalled(List().GetAt(i), c_.DataFolder);
        if (PortMatches(installed, topic)) {
          matched = &List().GetAt(i);
          differences = MatchDifferences(installed, topic);
        }
      }
      if (matched && !differences.empty()) {
        Show("The Dispatcher '" + matched->Record.Name + "' uses same port number, but there are following differences\n" +
             differences + "Please resolve above differences and try again");
        return false;
      }
      const std::string bv = Item(topic, "Version");
      if (!matched) {
        const int selected = c_.Lifecycle.CurrentIndex;
        if (selected >= 0 && selected < List().GetCount()) {
          const store::CDispatcher& d = List().GetAt(selected);
          Show("The selected dispatcher " + d.Record.Name + " uses different port number! " + "\nPort Separator " +
               std::to_string(d.Record.Base) + " <> " + Item(topic, "Base") +
               " \nPlease resolve above differences and try again");
          return false;
        }
        if (!Ask("The selected dispatcher " + n + " with port number: " + Item(topic, "Port") +
                 " is not found in the system.\nDo you want to recreate the dispatcher and then restore data??" +
                 "\n(NOTE: By pressing 'No', one can later change 'Port Separator' of one of the dispatchers back to " +
                 Item(topic, "Base") + ", and then restore!)")) {
          return false;
        }
        if (!VersionsEqual(bv, c_.Version)) {
          Show(NotCompatible(bv, c_.Version, " ",
                             "!\nRestores with version differences are only allowed for complete flavours, not for "
                             "single dispatchers."));
          return false;
        }
        if (ReCreateDispatcher(c_.Lifecycle, n, TypeItem(topic), Item(topic, "Folder"), IntItem(topic, "Base"),
                               IntItem(topic, "Port"), &Journal(), BackedUpData(topic))) {
          trace_.Trace("Dispatcher:" + n + " recreated.");
          Note(&RestoreReport::Recreated, n);
        }
        continue;
      }
      if (!VersionsEqual(bv, c_.Version)) {
        Show(NotCompatible(bv, c_.Version, " ",
                           "!\n\nRestores with version differences are only allowed for complete flavours, not for "
                           "single dispatchers."));
        return false;
      }
      const bool running = c_.IsRunning ? c_.IsRunning(matched->Record.Name)
                                        : lifecycle::IsDispatcherRunning(matched->Record.Name, c_.Lifecycle.ProductVersion);
      if (running) {
        Show("Dispatcher " + matched->Record.Name + " is running.\nYou cannot restore a running dispatcher.");
        return false;
      }
      break;
    }
    return DataRestore();
  }

  // Where the data restore of `d` may find backed-up files already in place: the folder
  // its removed namesake was set aside to, then its own data folder. None for a running
  // dispatcher, which may write into its files.
  std::vector<std::string> UnchangedIn(const store::CDispatcher& d) const {
    const bool running = c_.IsRunning ? c_.IsRunning(d.Record.Name)
                                      : lifecycle::IsDispatcherRunning(d.Record.Name, c_.Lifecycle.ProductVersion);
    if (running) return {};
    std::vector<std::string> folders;
    const auto aside = setAside_.find(Lower(d.Record.Folder));
    if (aside != setAside_.end()) folders.push_back(aside->second + "/data");
    folders.push_back(c_.DataFolder + d.Record.Folder + "/data");
    return folders;
  }

  bool DataRestore() {
    const store::CDispatcher* last = nullptr;
    std::string lastSource;
    const std::unique_ptr<ui::IProgress> progress = ui::Current().BeginProgress("Restoring", static_cast<int>(names_.size()));
    for (const std::string& m : names_) {
      const store::CDispatcher* d = nullptr;
      for (int i = 0; i < List().GetCount() && !d; ++i) {
        if (SameText(List().GetAt(i).Record.Name, m)) d = &List().GetAt(i);
      }
      if (!d) {
        Show("No Dispatchers found to restore!!");
        return false;
      }
      const std::string source = BackedUpDispatcherFolder(index_, b_, Topic(m));
      bool copied = false;
      if (!RestoreDispatcher(source, d->Record.Folder, c_.DataFolder, m, trace_, &Journal(), &copied, UnchangedIn(*d))) {
        problems = true;
      }
      Note(copied ? &RestoreReport::Restored : &RestoreReport::Skipped, m);
      last = d;
      lastSource = source;
      if (progress) progress->Step();
    }
    if (last) plugin_ = {*last, lastSource};
    return true;
  }

 private:
  RestoreContext& c_;
  const BackupIndex& index_;
  std::string b_, f_;
  std::vector<std::string> names_;
  CRvcTrace trace_{""};
  std::optional<lifecycle::CIntentJournal> journal_;
  bool proofRestore_ = false;
  std::optional<std::pair<store::CDispatcher, std::string>> plugin_;
  std::map<std::string, std::string> setAside_;  // removed dispatchers' folders (lower case) and where they went
};

}  // namespace

InstalledDispatcher DescribeInstalled(const store::CDispatcher& dispatcher, const std::string& dataFolder) {
  InstalledDispatcher installed;
  installed.Name = dispatcher.Record.Name;
  installed.Folder = dispatcher.Record.Folder;
  installed.Type = dispatcher.Record.Type;
  installed.Base = dispatcher.Record.Base;
  store::CRvcUtils utils;
  const std::string ini = dataFolder + dispatcher.Record.Folder + "/data/zv" + dispatcher.Record.Folder + "_dispatcher.ini";
  try {
    installed.CommandPort = utils.GetPavoNetCommandPort(ini);
  } catch (const CRvcException&) {
    installed.CommandPort = dispatcher.Record.CommandPort;
  }
  if (IsPpdBasedType(installed.Type)) {
    const std::string data = dataFolder + dispatcher.Record.Folder + "/data";
    if (utils.FindFirstMatch(data, "*.ppd")) installed.PpdUsed = utils.FoundName();
  }
  return installed;
}

RestoreResult RunRestore(RestoreContext& context, const std::string& backupFolder,
                         const std::vector<std::string>& selectedFlavours,
                         const std::vector<std::string>& selectedDispatchers, bool wholeFlavour) {
  CRvcTrace trace("");
  if (selectedFlavours.empty()) {
    trace.Trace("Dispatcher successfully restored");
    Show("Dispatcher successfully restored!");
    return RestoreResult::Restored;
  }
  const BackupIndex index = BackupIndex::Read(backupFolder);
  const std::string& f = selectedFlavours.front();
  if (!SameText(f, context.DisplayName)) {
    Show("The requested flavour (" + f + ") does not match the active flavour (" + context.DisplayName +
         ") in Ravlin Configurator.\nPlease select " + f + " in main dialog and try again.");
    return RestoreResult::Ended;
  }
  for (const std::string& name : selectedDispatchers) {
    const IndexTopic* topic = index.Find(f, name);
    if (!topic) throw CRvcException(109, index.Path() + ": no dispatcher " + name);
    CheckFolderInside(index, *topic, context.DataFolder);
  }
  store::CInstallationLock lock("restore", std::chrono::milliseconds(context.LockWaitMs));
  Run run(context, index, backupFolder, f, selectedDispatchers);
  bool finished = false;
  try {
    {
      // The run's removals, re-creations and copies are flushed together when it ends,
      // before the commit; the journal keeps flushing ahead of each change, so a power
      // loss before the commit is rolled back like a kill (docs/reliability.md).
      platform::SyncBatch batch;
      finished = wholeFlavour ? run.WholeFlavour() : run.SingleDispatchers();
    }
    run.Commit();
  } catch (...) {
    run.RollBack();
    Refresh(context);
    throw;
  }
  run.AfterCommit();
  if (!finished) return RestoreResult::Ended;
  Refresh(context);
  if (run.problems) {
    trace.Trace("Problems detected while restoring the Dispatcher");
    Show("Some problems detected while restoring the dispatcher.\nPlease check 'trace_rvc.txt' file and fix the "
         "problems before using it");
    return RestoreResult::Problems;
  }
  trace.Trace("Dispatcher successfully restored");
  Show("Dispatcher successfully restored!");
  return RestoreResult::Restored;
}

void OnRestore(RestoreContext& context, const std::string& lastBackup) {
  CRestoreDlg dlg;
  if (lastBackup.empty()) {
    if (ui::ShowMessage("Ravlin Configurator could not locate any backup folder.\nPress 'OK' to browse to a valid "
                        "backup location.\nOtherwise press 'Cancel' and perform a backup operation first",
                        kTitle, ui::Buttons::OkCancel) != ui::Answer::Ok) {
      return;
    }
  }
  dlg.BackupFolder = lastBackup;
  const int row = context.Lifecycle.CurrentIndex;
  if (row >= 0 && row < context.Lifecycle.Dispatchers->GetCount()) {
    dlg.PreselectedDispatcher = context.Lifecycle.Dispatchers->GetAt(row).Record.Name;
  }
  dlg.PreselectedFlavour = context.DisplayName;
  dlg.OnInitDialog();
  if (ui::Current().RunDialog(dlg) != ui::DialogResult::Ok) return;
  RunRestore(context, dlg.BackupFolder, dlg.SelectedFlavours, dlg.SelectedDispatchers, dlg.WholeFlavour);
}

}  // namespace rvc::backup
