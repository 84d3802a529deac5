#include "settings/modify_command.h"

#include <sys/stat.h>

#include <cstdio>
#include <set>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "frame/command_line.h"
#include "frame/rvc_app.h"
#include "lifecycle/creation_journal.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/list_file.h"
#include "lifecycle/scripted_commands.h"
#include "lifecycle/type_files.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "platform/window_lookup.h"
#include "store/confinement.h"
#include "store/installation_lock.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"
#include "store/swap_files.h"
#include "ui/user_interface.h"

namespace rvc::settings {
namespace {

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(platform::ResolveNoCase(path).c_str(), &st) == 0;
}

std::string Normalised(const std::string& text) {
  std::string result = store::CRvcUtils::BlanksToUnderscores(text);
  for (char& c : result) {
    if (c == '\t') c = '_';
  }
  return result;
}

// One application of a modified identity to a dispatcher.
class CModification {
 public:
  CModification(ModifyContext& context, int index, store::DispatcherRecord changed, std::optional<int> vdpMode)
      : context_(context),
        list_(*context.command.Dispatchers),
        index_(index),
        old_(list_.GetAt(index).Record),
        new_(std::move(changed)),
        vdpMode_(vdpMode),
        datadir_(platform::WithTrailingSeparator(list_.DataFolder())) {}

  void Check();
  void Apply(lifecycle::CIntentJournal& intent);
  bool RollBack() noexcept { return journal_.Rollback(); }
  void Commit() { journal_.Commit(); }
  void WriteThrough(lifecycle::CIntentJournal* intent) { journal_.WriteThrough(intent); }

  const store::DispatcherRecord& Old() const { return old_; }
  const store::DispatcherRecord& New() const { return new_; }

 private:
  void Step(ModifyStep step) const {
    if (context_.services.stepHook) context_.services.stepHook(step);
  }
  std::string Folder() const { return datadir_ + new_.Folder; }
  std::string In(std::string_view piece) const { return platform::ResolveNoCase(Folder() + platform::NativePath(piece)); }
  std::string Ini() const { return In("\\data\\zv" + new_.Folder + "_dispatcher.ini"); }
  // Notes `path` (once) before it changes.
  void Touch(const std::string& path) {
    const std::string resolved = platform::ResolveNoCase(path);
    if (!noted_.insert(resolved).second) return;
    if (!journal_.Preserve(resolved)) throw CRvcException(msg::kOpenFailed, resolved);
  }
  void RenameFolder(lifecycle::CIntentJournal& intent);
  void RenameIni();
  void RemakeShortcut(bool desktop, int number);
  void RefreshListCopy();
  void UpdateListEntry();

  ModifyContext& context_;
  store::CDispatcherList& list_;
  const int index_;
  const store::DispatcherRecord old_;
  store::DispatcherRecord new_;
  const std::optional<int> vdpMode_;
  const std::string datadir_;
  store::CRvcUtils utils_;
  lifecycle::CCreationJournal journal_;
  std::set<std::string> noted_;
};

void CModification::Check() {
  new_.Folder = Normalised(new_.Folder);
  new_.Name = Normalised(new_.Name);
  if (new_.Name.empty()) throw CRvcException(msg::kNameMissing);
  if (new_.Name.find_first_of(CDispatcher::kForbiddenNameCharacters) != std::string::npos) {
    throw CRvcException(msg::kForbiddenCharacters);
  }
  if (new_.Base == -1) throw CRvcException(msg::kPortMissing);
  for (int i = 0; i < list_.GetCount(); ++i) {
    if (i == index_) continue;
    const store::DispatcherRecord& other = list_.GetAt(i).Record;
    if (other.Base == new_.Base) throw CRvcException(msg::kPortSeparatorExists, std::to_string(new_.Base));
    if (platform::EqualsNoCase(other.Name, new_.Name)) throw CRvcException(msg::kNameExists, new_.Name);
    if (platform::EqualsNoCase(other.Folder, new_.Folder)) throw CRvcException(msg::kFolderExists, new_.Folder);
  }
  if (index_ == 0 && new_.Folder != old_.Folder) {
    new_.Folder = old_.Folder;
    throw CRvcException(msg::kFolderLocked, new_.Folder);
  }
  if (new_.Base < 0 || new_.Base > 9) throw CRvcException(msg::kPortMissing);
  if (const std::string problem = store::DispatcherNameProblem(new_.Name); !problem.empty()) {
    throw CRvcException(msg::kCannotCreate, "a dispatcher whose name " + problem);
  }
  if (new_.Folder != old_.Folder) {
    if (const std::string problem = store::FolderNameProblem(new_.Folder); !problem.empty()) {
      throw CRvcException(msg::kCannotCreate,
                          "the dispatcher folder \"" + store::Printable(new_.Folder) + "\": it " + problem);
    }
    // Another spelling of the same folder is a rename; any other folder there is taken.
    if (!platform::EqualsNoCase(new_.Folder, old_.Folder) && Exists(datadir_ + new_.Folder)) {
      throw CRvcException(msg::kFolderExists, new_.Folder);
    }
  }
  if (const store::CTemplateList& types = *context_.command.Templates;
      !platform::EqualsNoCase(new_.Type, old_.Type) && types.FindType(new_.Type) < 0) {
    throw CRvcException(msg::kConfigurationFailed, new_.Type);
  }
  if (new_.Base != old_.Base && old_.CommandPort >= 0) {
    new_.CommandPort = static_cast<int>(store::CRvcUtils::PortWithSeparator(old_.CommandPort, new_.Base));
  }
}

void CModification::RenameFolder(lifecycle::CIntentJournal& intent) {
  const std::string from = platform::ResolveNoCase(datadir_ + old_.Folder);
  const std::string to = datadir_ + new_.Folder;
  intent.Reached("renamed");
  journal_.OnRollback([from, to] {
    if (std::rename(to.c_str(), from.c_str()) != 0) throw CRvcException(msg::kRenameFailed, to, from);
    platform::SyncFolderOf(from);
  });
  if (std::rename(from.c_str(), to.c_str()) != 0) throw CRvcException(msg::kRenameFailed, old_.Folder, new_.Folder);
  platform::SyncFolderOf(to);
}

void CModification::RenameIni() {
  const std::string from = In("\\data\\zv" + old_.Folder + "_dispatcher.ini");
  const std::string to = Folder() + platform::NativePath("\\data\\zv" + new_.Folder + "_dispatcher.ini");
  Touch(from);
  if (from != to) {
    journal_.Created(to);
    noted_.insert(to);
  }
  if (std::rename(from.c_str(), to.c_str()) != 0) throw CRvcException(msg::kRenameFailed, old_.Folder, new_.Folder);
  utils_.RenameIniFlavour(to, old_.Folder, new_.Folder);
}

// The launcher of the new name made from the old one's (else from the first dispatcher's),
// which then goes; with the name unchanged only the arguments follow the folder. A
// failure is a warning only.
void CModification::RemakeShortcut(bool desktop, int number) {
  const std::string& label = context_.command.Label;
  store::CShortcuts shortcuts;
  const std::string folder = shortcuts.ShortcutFolder(desktop);
  if (!Exists(folder)) journal_.CreatingFolders(folder);
  bool made = false;
  try {
    if (const std::string found = shortcuts.FindDispatcherShortcut(label, old_.Name, desktop); !found.empty()) {
      Touch(found);
    }
    Touch(folder + store::CShortcuts::CurrentFormName(new_.Name, label));
    const std::string arguments = store::CShortcuts::DispatcherArguments(new_.Folder, new_.Name);
    if (new_.Name == old_.Name) {
      made = shortcuts.SetShortcutArguments(label, old_.Name, arguments, desktop);
    } else {
      for (const store::RecordText& source : {old_.Name, list_.GetAt(0).Record.Name}) {
        try {
          made = shortcuts.CopyDispatcherShortcut(source, new_.Name, arguments, label, desktop);
        } catch (const CRvcException& e) {
          Trace(e.Message());
        }
        if (made) break;
      }
      if (made && !platform::EqualsNoCase(old_.Name, new_.Name)) shortcuts.DeleteDispatcherShortcut(label, old_.Name, desktop);
    }
  } catch (const CRvcException& e) {
    if (e.Id() == msg::kOpenFailed) throw;  // a launcher that cannot be noted: no change without its undo
    Trace(e.Message());
  }
  if (made) return;
  const std::string text = "Cannot create icon (" + std::to_string(number) + ")";
  // A dispatcher without launchers keeps none when only its folder changes.
  if (new_.Name == old_.Name) {
    Trace(text);
    return;
  }
  ui::ShowMessage(text + "!", frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
  Trace(text);
}

// The flavour's data folder keeps a copy of each dispatcher's ini file, from which a
// flavour without a list file is rebuilt: it follows the ini file and its name.
void CModification::RefreshListCopy() {
  const std::string oldCopy = platform::ResolveNoCase(list_.IniFileOf(old_.Folder));
  if (!Exists(oldCopy)) return;
  const std::string newCopy = platform::ResolveNoCase(list_.IniFileOf(new_.Folder));
  Touch(oldCopy);
  Touch(newCopy);
  std::string bytes;
  if (!platform::ReadWholeFile(Ini(), bytes)) throw CRvcException(msg::kOpenFailed, Ini());
  if (newCopy != oldCopy) utils_.DeleteTreeInside(datadir_, oldCopy, true, false);
  std::string error;
  if (!platform::WriteFileAtomically(newCopy, bytes, &error)) throw CRvcException(msg::kCreateFailed, newCopy, error);
}

void CModification::UpdateListEntry() {
  store::CDispatcher& entry = list_.GetAt(index_);
  const store::DispatcherRecord saved = entry.Record;
  const std::string savedPath = entry.Path();
  const bool oldInUse = list_.SeparatorInUse(old_.Base), newInUse = list_.SeparatorInUse(new_.Base);
  store::CDispatcherList& list = list_;
  const int index = index_;
  const int oldBase = old_.Base, newBase = new_.Base;
  journal_.OnRollback([&list, index, saved, savedPath, oldBase, newBase, oldInUse, newInUse] {
    store::CDispatcher& restored = list.GetAt(index);
    restored.Record = saved;
    restored.SetPath(savedPath);
    list.SetSeparatorInUse(oldBase, oldInUse);
    list.SetSeparatorInUse(newBase, newInUse);
  });
  entry.Record.Name = new_.Name;
  entry.Record.Folder = new_.Folder;
  entry.Record.Base = new_.Base;
  entry.Record.Type = new_.Type;
  entry.Record.CommandPort = new_.CommandPort;
  entry.SetPath(Folder());
  if (old_.Base != new_.Base) {
    list_.SetSeparatorInUse(old_.Base, false);
    list_.SetSeparatorInUse(new_.Base, true);
  }
}

void CModification::Apply(lifecycle::CIntentJournal& intent) {
  const bool folderChanged = new_.Folder != old_.Folder;
  const bool typeChanged = !platform::EqualsNoCase(new_.Type, old_.Type);
  const bool baseChanged = new_.Base != old_.Base;
  const bool nameChanged = new_.Name != old_.Name;

  Step(ModifyStep::RenameFolder);
  if (folderChanged) RenameFolder(intent);

  Step(ModifyStep::SwapFiles);
  if (folderChanged) {
    std::vector<std::string> files;
    for (int n = 0; n < 3; ++n) {
      files.push_back(In("\\data\\swap_" + std::to_string(n) + ".sfd"));
      Touch(files.back());
      utils_.ReplaceInTextFile(files.back(), "\\" + old_.Folder + "\\", "\\" + new_.Folder + "\\");
    }
    store::CSwapfiles(files[0], files[1], files[2]).Save();
  }

  Step(ModifyStep::RenameIni);
  if (folderChanged) RenameIni();

  Step(ModifyStep::TypeFiles);
  if (typeChanged) {
    lifecycle::TypeFilesChange change;
    change.folder = Folder();
    change.ini = Ini();
    change.oldType = old_.Type;
    change.newType = new_.Type;
    change.templates = context_.command.Templates;
    change.journal = &journal_;
    Touch(change.ini);
    lifecycle::CarryIniOverToType(change);
    lifecycle::CopyTypeTemplates(change);
  }

  // The new type's ini and configuration templates carry the template's port separator.
  Step(ModifyStep::CommandPort);
  if (baseChanged || typeChanged) {
    Touch(Ini());
    utils_.SetIniCommandPort(Ini(), new_.Base);
    // The configuration's command port follows, as at creation: a flavour without a list
    // file takes the port separator from it.
    if (const std::string cfg = In("\\data\\zv_config.res"); Exists(cfg)) {
      Touch(cfg);
      utils_.SetIniCommandPort(cfg, new_.Base);
    }
  }

  Step(ModifyStep::VdpMode);
  if (vdpMode_ && platform::EqualsNoCase(context_.command.Templates->Flavor(), "Dedezi")) {
    Touch(Ini());
    utils_.SetEnvironmentItem(Ini(), "VDP_MODE", *vdpMode_ == 1 ? "VDP" : "STATIC");
  }

  Step(ModifyStep::IniName);
  if (nameChanged) {
    Touch(Ini());
    utils_.RenameIniDispatcher(Ini(), old_.Name, new_.Name);
  }

  Step(ModifyStep::Shortcuts);
  if (nameChanged || folderChanged) {
    RemakeShortcut(true, 1);
    RemakeShortcut(false, 2);
  }

  Step(ModifyStep::Queues);
  if (const std::string servers = In("\\data\\servers.ini"); Exists(servers)) {
    Touch(servers);
    store::CDispatcher from(datadir_ + old_.Folder);
    from.Record = old_;
    store::CDispatcher to(Folder());
    to.Record = new_;
    lifecycle::AdaptQueueSetup(servers, from, to, false, &journal_);
  }

  Step(ModifyStep::ListCopy);
  RefreshListCopy();

  Step(ModifyStep::ListEntry);
  UpdateListEntry();

  Step(ModifyStep::ListFile);
  lifecycle::SaveDispatcherListFile(list_, &journal_);
}

// After a change of port separator: the PPD of the dispatcher as it is now.
void MakePpdAfterNewSeparator(ModifyContext& context, const store::DispatcherRecord& record) {
  if (context.flavour == nullptr) return;
  std::string extra;
  std::optional<bool> made;
  try {
    made = lifecycle::GeneratePpd(*context.flavour, record, &extra);
  } catch (const CRvcException& e) {
    e.Report();
    made = false;
  }
  if (!made) {
    ui::ShowMessage(MessageText(msg::kResourceFilesError), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
    return;
  }
  if (!*made) {
    Trace("PPD files couldn't be created");
    return;
  }
  std::string text = "PPD file has been created for selected dispatcher: " + record.Name + "\nand stored under:" +
                     platform::ResolveNoCase(platform::WithTrailingSeparator(context.command.Dispatchers->DataFolder()) +
                                             record.Folder + platform::NativePath("\\Ppd"));
  if (!extra.empty()) text += "\nAnd a copy is available at :" + extra;
  ui::ShowMessage(text, frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Information);
}

// The PPD after the dialog's OK: always in a job mode; otherwise when the configuration
// changed, or for the "Proof" and "Approval" flavours.
void MakePpdAfterOk(ModifyContext& context, const CDispatcher& dialog, bool regeneratePpd) {
  if (context.flavour == nullptr) return;
  const store::DispatcherRecord& record = dialog.Context().record;
  const IPage* general = dialog.PageOf(PageKind::General);
  const bool changed = general != nullptr && general->HasChanges();
  const bool proof = platform::EqualsNoCase(record.Flavour, "Proof") || platform::EqualsNoCase(record.Flavour, "Approval");
  if (!regeneratePpd && !changed && !proof) return;
  std::optional<bool> made;
  try {
    made = lifecycle::GeneratePpd(*context.flavour, record, nullptr);
  } catch (const CRvcException& e) {
    Trace(e.Message());
    made = false;
  }
  if (!made) {
    ui::ShowMessage(MessageText(msg::kResourceFilesError), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
  } else if (regeneratePpd) {
    if (!*made) Trace("Ppd files couldn't be created");
  } else if (*made) {
    ui::ShowMessage("PPD file has been updated with changes made in Resource files", frame::kApplicationName,
                    ui::Buttons::Ok, ui::Icon::Information);
  } else {
    Trace("Ppd file could not be re-created");
  }
}

std::string FirstDispatcherName(const lifecycle::CommandContext& command, lifecycle::NewDispatcherKind kind) {
  if (kind == lifecycle::NewDispatcherKind::VdpMode && !command.PreferredFlavour.empty()) return "VE050_D&A_Dadudi";
  return command.Dispatchers->GetAt(0).Record.Name;
}

}  // namespace

std::string RunningWindowTitle(const std::string& name, const std::string& productVersion) {
  long major = 0;
  if (store::CRvcUtils::ParseFirstNumber(productVersion, major) >= 0 && major < 10) {
    return "Dispatcher for " + name + " (" + productVersion + ")";
  }
  return name + " Dispatcher " + productVersion;
}

bool ApplyModification(ModifyContext& context, int index, store::DispatcherRecord changed, std::optional<int> vdpMode) {
  store::CDispatcherList& list = *context.command.Dispatchers;
  if (index < 0 || index >= list.GetCount()) return false;
  CModification modification(context, index, std::move(changed), vdpMode);
  std::optional<store::CInstallationLock> lock;
  std::optional<lifecycle::CIntentJournal> intent;
  try {
    modification.Check();
    lock.emplace("modify");
    lifecycle::IntentRecord record;
    record.operation = "modify";
    record.dataFolder = platform::WithTrailingSeparator(list.DataFolder());
    record.label = context.command.Label;
    record.name = modification.Old().Name;
    record.folder = modification.Old().Folder;
    record.built = modification.New().Folder;
    intent.emplace(record);
  } catch (const CRvcException& e) {
    e.Report();
    return false;
  } catch (const std::exception& e) {
    ui::ShowMessage(e.what(), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
    return false;
  }
  modification.WriteThrough(&*intent);
  try {
    modification.Apply(*intent);
  } catch (const CRvcException& e) {
    e.Report();
    // An undo that left something behind leaves the journal for the recovery.
    if (modification.RollBack()) intent->Finish();
    return false;
  } catch (...) {
    if (modification.RollBack()) intent->Finish();
    throw;
  }
  modification.WriteThrough(nullptr);
  modification.Commit();
  const store::DispatcherRecord& done = modification.New();
  const store::DispatcherRecord& was = modification.Old();
  Trace("Dispatcher " + was.Name + " modified: name " + done.Name + ", type " + done.Type + ", folder " + done.Folder +
        ", port separator " + std::to_string(done.Base));
  // From here on the change stands: a killed run leaves only the PPD for the recovery.
  if (done.Base != was.Base) {
    try {
      intent->Edit().type = done.Type;
      intent->Edit().undo.clear();
      intent->Reached("ppd");
    } catch (const CRvcException& e) {
      Trace(e.Message());
    }
    MakePpdAfterNewSeparator(context, list.GetAt(index).Record);
  }
  intent->Finish();
  return true;
}

bool OnModify(ModifyContext& context) {
  lifecycle::CommandContext& command = context.command;
  store::CDispatcherList& list = *command.Dispatchers;
  const int k = command.CurrentIndex;
  if (command.ViewOnly || k < 0 || k >= list.GetCount()) return false;
  store::DispatcherRecord copy = list.GetAt(k).Record;

  if (platform::CurrentWindowLookup().TopLevelWindowExists(RunningWindowTitle(copy.Name, command.ProductVersion))) {
    ui::ShowMessage("Dispatcher " + copy.Name + " is running.\nYou cannot modify a running dispatcher.",
                    frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
    return false;
  }

  const bool atStart = context.openModifyAtStart && context.mode != frame::kModeUpdate;
  std::optional<int> vdpMode;
  if (atStart) {
    std::unique_ptr<lifecycle::CNewDispatcherDialog> retype =
        lifecycle::MakeNewDispatcherDialog(*command.Templates, list, true);
    retype->queueSetupEnabled = false;
    retype->installedDispatchers = command.InstalledDispatchers;
    retype->Name = FirstDispatcherName(command, lifecycle::NewDispatcherKindOf(command.Templates->Flavor()));
    if (retype->Run() != ui::DialogResult::Ok) return false;
    copy.Name = retype->Name;
    copy.Type = retype->ChosenType();
    vdpMode = retype->VdpIndex();
  }

  if (context.services.synchronize) {
    SynchronizeRequest request;
    request.type = copy.Type;
    request.dataFolder = platform::WithTrailingSeparator(list.DataFolder()) + copy.Folder + platform::kSeparator + "Data";
    request.programFolder = command.Templates->ProgramFolder();
    if (!context.services.synchronize(request)) return false;
  }

  const bool regeneratePpd = context.mode != frame::kModeInteractive;
  bool applied = false;
  if (atStart) {
    applied = ApplyModification(context, k, copy, vdpMode);
  } else {
    CDispatcher dialog(list, k, command.InstalledDispatchers, false, context.services.pages, context.services.plugins);
    if (dialog.Run() == ui::DialogResult::Ok && !dialog.Result.Type.empty()) {
      MakePpdAfterOk(context, dialog, regeneratePpd);
      applied = ApplyModification(context, k, dialog.Result);
    }
  }
  if (applied) {
    command.CurrentIndex = -1;
    if (command.RefreshList) command.RefreshList();
  }
  return applied;
}

void OnView(ModifyContext& context) {
  lifecycle::CommandContext& command = context.command;
  store::CDispatcherList& list = *command.Dispatchers;
  const int k = command.CurrentIndex;
  if (k < 0 || k >= list.GetCount()) return;
  CDispatcher dialog(list, k, command.InstalledDispatchers, true, context.services.pages, context.services.plugins);
  dialog.Run();
}

}  // namespace rvc::settings
