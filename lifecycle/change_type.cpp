#include "lifecycle/change_type.h"

#include <unistd.h>

#include <array>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/creation_journal.h"
#include "lifecycle/dispatcher_creation.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/list_file.h"
#include "lifecycle/recovery.h"
#include "lifecycle/running_dispatchers.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"
#include "store/swap_files.h"

namespace rvc::lifecycle {
namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(platform::ResolveNoCase(path), error);
}

int IndexOfFolder(const store::CDispatcherList& list, const std::string& folder) {
  for (int i = 0; i < list.GetCount(); ++i) {
    if (platform::EqualsNoCase(list.GetAt(i).Record.Folder, folder)) return i;
  }
  return -1;
}

// Renames within the data folder `dataFolder` only.
void Rename(const std::string& dataFolder, const std::string& from, const std::string& to, const std::string& fromName,
            const std::string& toName) {
  const std::string resolved = platform::ResolveNoCase(from);
  for (const std::string& path : {resolved, to}) {
    if (const std::string reason = store::OutsideDataFolder(dataFolder, path); !reason.empty()) {
      throw CRvcException(msg::kRenameFailed, fromName, toName + " (" + store::Printable(path) + ": " + reason + ")");
    }
  }
  std::error_code error;
  std::filesystem::rename(resolved, to, error);
  if (error) throw CRvcException(msg::kRenameFailed, fromName, toName);
}

// The launcher of `name` made again with the arguments of its final folder, from its own
// launcher or else from the first dispatcher's. A failure is a warning only.
void RemakeShortcut(const store::DispatcherRecord& record, const std::string& firstName, const std::string& label,
                    bool desktop, int number) {
  store::CShortcuts shortcuts;
  const std::string arguments = store::CShortcuts::DispatcherArguments(record.Folder, record.Name);
  for (const std::string& source : {std::string(record.Name), firstName}) {
    try {
      if (shortcuts.CopyDispatcherShortcut(source, record.Name, arguments, label, desktop)) return;
    } catch (const CRvcException& e) {
      CRvcTrace("").Trace(e.Message());
    }
  }
  const std::string text = "Cannot create icon (" + std::to_string(number) + ")";
  ui::ShowMessage(text + "!", frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
  CRvcTrace("").Trace(text);
}

// Whether `path` is `folder` or lies inside it.
bool WithinNoCase(const std::string& path, const std::string& folder) {
  if (path.size() < folder.size() || !platform::EqualsNoCase(path.substr(0, folder.size()), folder)) return false;
  return path.size() == folder.size() || path[folder.size()] == platform::kSeparator;
}

// Removes the hot folders `left`, made for the folder name `temporary`, that are empty and
// hold none of `kept`, with their empty parents up to the one named after `temporary`.
// Only empty folders go: anything put into them stays, and so do folders above.
void RemoveEmptyHotFolders(const std::vector<std::string>& left, const std::vector<std::string>& kept,
                           const std::string& temporary) {
  auto holdsKept = [&kept](const std::string& folder) {
    for (const std::string& k : kept) {
      if (WithinNoCase(k, folder)) return true;
    }
    return false;
  };
  const std::string name = platform::ToLowerAscii(temporary);
  for (std::string folder : left) {
    while (folder.size() > 1 && folder.back() == platform::kSeparator) folder.pop_back();
    // The outermost folder whose name holds the temporary name; without one, the hot
    // folder alone.
    std::string top = folder;
    for (size_t end = folder.find(platform::kSeparator, 1);; end = folder.find(platform::kSeparator, end + 1)) {
      const std::string prefix = folder.substr(0, end);
      const std::string component = prefix.substr(prefix.rfind(platform::kSeparator) + 1);
      if (platform::ToLowerAscii(component).find(name) != std::string::npos) {
        top = prefix;
        break;
      }
      if (end == std::string::npos) break;
    }
    while (!holdsKept(folder) && ::rmdir(platform::ResolveNoCase(folder).c_str()) == 0 && folder != top) {
      folder = folder.substr(0, folder.rfind(platform::kSeparator));
    }
  }
}

// The replacement, built under record.built, gets the old folder name back: the folder,
// its swap files, its ini file, its launchers and its queues. Each part tolerates its own
// earlier run.
void RenameBackFiles(const IntentRecord& record) {
  const std::string& temporary = record.built;
  const std::string& final = record.folder;
  const std::string folder = record.dataFolder + final;
  store::CRvcUtils utils;

  std::array<std::string, 3> swapFiles;
  for (size_t n = 0; n < swapFiles.size(); ++n) {
    swapFiles[n] = platform::ResolveNoCase(folder + platform::NativePath("\\Data\\swap_" + std::to_string(n) + ".sfd"));
    utils.ReplaceInTextFile(swapFiles[n], "\\" + temporary + "\\", "\\" + final + "\\");
  }
  store::CSwapfiles(swapFiles[0], swapFiles[1], swapFiles[2]).Save();  // the canonical form again

  const std::string ini = folder + platform::NativePath("\\data\\zv" + final + "_dispatcher.ini");
  const std::string builtIni = folder + platform::NativePath("\\data\\zv" + temporary + "_dispatcher.ini");
  if (Exists(builtIni) || !Exists(ini)) Rename(record.dataFolder, builtIni, ini, temporary, final);
  utils.RenameIniFlavour(ini, temporary, final);

  store::DispatcherRecord renamed;
  renamed.Name = record.name;
  renamed.Folder = final;
  RemakeShortcut(renamed, record.firstName, record.label, true, 3);
  RemakeShortcut(renamed, record.firstName, record.label, false, 4);

  const std::string serversIni = folder + platform::NativePath("\\data\\servers.ini");
  if (Exists(serversIni)) {
    store::CDispatcher built(record.dataFolder + temporary);
    built.Record = renamed;
    built.Record.Folder = temporary;
    store::CDispatcher target(folder);
    target.Record = renamed;
    const std::string queues = platform::ResolveNoCase(serversIni);
    AdaptQueueSetup(queues, built, target, false);
    // The hot folders made under the temporary name are left empty.
    RemoveEmptyHotFolders(record.hotFolders, HotFolders(queues), temporary);
  }
}

std::string IniCopyOf(const IntentRecord& record, const std::string& folder) {
  return platform::ResolveNoCase(record.dataFolder + platform::NativePath("data\\zv" + folder + "_dispatcher.ini"));
}

// 1 when the dispatcher's ini sets VDP_MODE to "VDP", else 0: the variable-data mode
// a change of type keeps.
int VdpModeOf(const store::CDispatcherList& list, const std::string& folder) {
  const std::string ini = platform::ResolveNoCase(list.DataFolder() + folder +
                                                  platform::NativePath("\\data\\zv" + folder + "_dispatcher.ini"));
  const std::optional<store::ResourceDb> db = store::ResourceDb::Open(ini);
  return db && db->Find("environment", "VDP_MODE").value_or("") == "VDP" ? 1 : 0;
}

}  // namespace

// --- CChangeDevType ---

CChangeDevType::CChangeDevType(const store::CTemplateList& templates, std::string currentType)
    : templates_(templates), currentType_(std::move(currentType)) {}

bool CChangeDevType::IsPpdType(const std::string& typeName) {
  return platform::EqualsNoCase(typeName, "_FromPPD") || Contains(typeName, "_FromPPD") ||
         Contains(typeName, "_fromppd");
}

ui::DialogResult CChangeDevType::Run() {
  OnInitDialog();
  return ui::Current().RunDialog(*this);
}

void CChangeDevType::OnInitDialog() {
  DeviceTypes.clear();
  DeviceType = 0;
  for (int i = 0; i < templates_.GetCount(); ++i) {
    DeviceTypes.push_back(templates_.GetAt(i)->Name);
    if (DeviceType == 0 && platform::EqualsNoCase(DeviceTypes.back(), currentType_)) DeviceType = i;
  }
  PpdEnabled = IsPpdType(currentType_);
}

void CChangeDevType::OnTypeChanged() {
  PpdEnabled = IsPpdType(ChosenType());
  if (!PpdEnabled) PpdPath.clear();
}

void CChangeDevType::OnBrowse() {
  ui::FileOpenRequest request;
  request.title = kBrowseTitle;
  request.startFolder = PpdFolder;
  request.filters = {{"Ppd files", "*.PPD"}};
  std::string path = ui::Current().OpenFile(request);
  if (!path.empty()) PpdPath = std::move(path);
}

bool CChangeDevType::OnOk() {
  if (IsPpdType(ChosenType()) && PpdPath.empty()) {
    ui::ShowMessage(MessageText(msg::kPpdMissing), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
    BrowseFocused = true;
    SetFocusField(kBrowseField);
    return false;
  }
  return true;
}

std::string CChangeDevType::ChosenType() const {
  if (DeviceType < 0 || DeviceType >= static_cast<int>(DeviceTypes.size())) return {};
  return DeviceTypes[static_cast<size_t>(DeviceType)];
}

// --- OnChangeType ---

bool OnChangeType(CommandContext& context) {
  store::CDispatcherList& list = *context.Dispatchers;
  const int k = context.CurrentIndex;
  if (context.ViewOnly || k < 0 || k >= list.GetCount()) return false;
  const store::DispatcherRecord old = list.GetAt(k).Record;
  const std::string& dataFolder = list.DataFolder();

  if (RefuseFolderInUse(dataFolder, old.Folder)) return false;
  if (IsDispatcherRunning(old.Name, context.ProductVersion)) {
    ui::ShowMessage(RunningDispatcherMessage(old.Name), frame::kApplicationName, ui::Buttons::Ok,
                    ui::Icon::Exclamation);
    return false;
  }

  CChangeDevType dialog(*context.Templates, old.Type);
  dialog.PpdFolder = dataFolder;
  if (dialog.Run() != ui::DialogResult::Ok) return false;

  store::CDispatcher target(dataFolder + old.Folder);
  target.Record = old;
  target.Record.Type = dialog.ChosenType();
  // The first dispatcher keeps its folder (named after the flavour), and so does one that
  // keeps its type: both are built beside the old folder and renamed afterwards.
  const bool keepFolder = k == 0 || target.Record.Type == old.Type;
  target.Record.Folder = keepFolder ? old.Folder + "_dub" : UniqueFolderName(dataFolder, target.Record.Type);
  target.SetPath(dataFolder + target.Record.Folder);

  std::optional<PpdOptions> ppdOptions;
  if (!dialog.PpdPath.empty()) {
    ppdOptions = ParsePpd(dialog.PpdPath);
    if (!ppdOptions) return false;
  }

  // A rebuild of the list finds dispatchers by this copy of their ini file; the retyped
  // dispatcher keeps one when the old one had it.
  IntentRecord intent;
  intent.operation = "change-type";
  intent.dataFolder = dataFolder;
  intent.label = context.Label;
  intent.name = old.Name;
  intent.folder = old.Folder;
  intent.built = target.Record.Folder;
  intent.type = target.Record.Type;
  intent.firstName = list.GetAt(0).Record.Name;
  intent.keepFolder = keepFolder;
  intent.hadListCopy = Exists(list.IniFileOf(old.Folder));
  std::optional<CIntentJournal> journal;
  try {
    journal.emplace(intent);
  } catch (const CRvcException& e) {
    e.Report();
    return false;
  }

  CreateDispatcherInputs inputs;
  inputs.source = &list.GetAt(k);
  inputs.target = &target;
  inputs.dropQueueSetup = false;
  inputs.ppdPath = dialog.PpdPath;
  inputs.ppdOptions = ppdOptions;
  inputs.skipChecks = true;
  inputs.announce = false;
  inputs.appendToList = k != 0;
  inputs.renumberHotFolders = false;
  inputs.dispatchers = &list;
  inputs.templates = context.Templates;
  inputs.label = context.Label;
  inputs.ppdGenerator = context.PpdGenerator;
  inputs.stepHook = context.CreationStepHook;
  inputs.intent = &*journal;
  inputs.vdpMode = VdpModeOf(list, old.Folder);
  inputs.saveListFile = false;
  // Without a replacement the old dispatcher stays as it is (the creation rolled back and
  // finished the journal, or left it for the recovery when the rollback was incomplete).
  if (!CreateDispatcher(inputs)) return false;
  const std::string built = target.Record.Folder;
  const std::string final = keepFolder ? std::string(old.Folder) : built;

  // The list takes the form the change gives it: row k, the old dispatcher, goes; the
  // replacement keeps its launchers and port separator and, with keepFolder, the old
  // folder name. The list file is saved so before the step "replace": up to there the
  // recovery rolls the change back, the old list file among the undo entries.
  const std::unique_ptr<store::CDispatcher> replaced = list.Remove(list.GetAt(k));
  const int index = IndexOfFolder(list, built);
  if (index < 0) return false;
  list.GetAt(index).Record.Folder = final;
  list.GetAt(index).SetPath(dataFolder + final);
  {
    CCreationJournal undo;
    undo.WriteThrough(&*journal);
    try {
      SaveDispatcherListFile(list, &undo);
      journal->Edit().built = built;
      const std::string serversIni =
          platform::ResolveNoCase(dataFolder + built + platform::NativePath("\\data\\servers.ini"));
      if (keepFolder && Exists(serversIni)) journal->Edit().hotFolders = HotFolders(serversIni);
      journal->Reached("replace");
      undo.Commit();
    } catch (const CRvcException& e) {
      e.Report();
      undo.Rollback();
      // The replacement goes again, as a recovery would roll it back.
      list.GetAt(index).Record.Folder = built;
      list.GetAt(index).SetPath(dataFolder + built);
      list.Remove(list.GetAt(index));
      list.Insert(*replaced, k);
      try {
        RollBackJournaled(journal->Record());
        journal->Finish();
      } catch (const std::exception& rollback) {
        // The journal stays: the next start rolls the change back.
        CRvcTrace("").Trace(rollback.what());
      }
      return false;
    }
  }

  // From here on the change is completed, never undone: the replacement takes the old
  // dispatcher's place.
  try {
    CompleteReplacement(*journal);
    journal->Reached("ppd");
  } catch (const CRvcException& e) {
    e.Report();
    // The journal stays: the next start completes the change.
    return false;
  }

  CRvcTrace("").Trace("Dispatcher " + old.Name + " changed from type " + old.Type + " to " + target.Record.Type);

  if (context.CreatePpd) context.CreatePpd(index);
  journal->Finish();
  context.CurrentIndex = -1;
  if (context.RefreshList) context.RefreshList();
  return true;
}

void CompleteReplacement(CIntentJournal& journal) {
  const IntentRecord record = journal.Record();
  if (!store::FolderNameProblem(record.folder).empty() || !store::FolderNameProblem(record.built).empty()) {
    throw CRvcException(msg::kDeleteFailed, record.dataFolder + record.folder);
  }
  const std::string& data = record.dataFolder;
  // The old dispatcher goes; its launchers stay with the replacement (the change's intent
  // never removes launchers).
  if (!record.keepFolder) {
    CompleteDeletion(journal);
  } else {
    if (Exists(data + record.built)) {
      CompleteDeletion(journal);
      // No ini copy may name the folder about to be renamed.
      store::CRvcUtils().DeleteTreeInside(data, IniCopyOf(record, record.built), true, true);
      Rename(data, data + record.built, data + record.folder, record.built, record.folder);
      platform::SyncFolderOf(data + record.folder);
      journal.Reached("renamed");
    } else if (!Exists(data + record.folder)) {
      throw CRvcException(msg::kRenameFailed, record.built, record.folder);
    }
    RenameBackFiles(record);
    journal.Reached("files-renamed");
  }
  if (record.hadListCopy) {
    const std::string final = record.keepFolder ? record.folder : record.built;
    std::string bytes;
    const std::string ini =
        platform::ResolveNoCase(data + final + platform::NativePath("\\data\\zv" + final + "_dispatcher.ini"));
    std::string error;
    if (!platform::ReadWholeFile(ini, bytes)) throw CRvcException(msg::kOpenFailed, ini);
    if (!platform::WriteFileAtomically(IniCopyOf(record, final), bytes, &error)) {
      throw CRvcException(msg::kCreateFailed, IniCopyOf(record, final), error);
    }
  }
}

}  // namespace rvc::lifecycle
