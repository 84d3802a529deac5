#include "lifecycle/dispatcher_deletion.h"

#include <sys/stat.h>

#include <array>
#include <memory>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/creation_journal.h"
#include "lifecycle/list_file.h"
#include "lifecycle/running_dispatchers.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// The ini copy of the deletion's dispatcher. Refused (107) unless it and the dispatcher's
// folder lie inside the flavour's data folder: then nothing is deleted at all.
std::string CheckedDeletionTargets(const IntentRecord& record) {
  if (!store::FolderNameProblem(record.folder).empty()) throw CRvcException(msg::kDeleteFailed, record.dataFolder + record.folder);
  store::RequireInsideDataFolder(record.dataFolder, record.dataFolder + record.folder);
  const std::string iniCopy =
      platform::ResolveNoCase(record.dataFolder + platform::NativePath("data\\zv" + record.folder + "_dispatcher.ini"));
  store::RequireInsideDataFolder(record.dataFolder, iniCopy);
  return iniCopy;
}

}  // namespace

bool RefuseFolderInUse(const std::string& dataFolder, const std::string& folder) {
  if (!store::CRvcUtils::FolderInUse(dataFolder + folder)) return false;
  const std::array<std::string, 2> arguments{dataFolder, folder};
  ui::ShowMessage(MessageText(msg::kFolderInUse, arguments), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
  return true;
}

void OnDeleteDispatcher(CommandContext& context) {
  if (context.ViewOnly) return;
  store::CDispatcherList& list = *context.Dispatchers;
  if (context.CurrentIndex < 0 || context.CurrentIndex >= list.GetCount()) return;
  if (RefuseFolderInUse(list.DataFolder(), list.GetAt(context.CurrentIndex).Record.Folder)) return;
  DeleteDispatcher(context);
}

void CompleteDeletion(CIntentJournal& journal) {
  const IntentRecord record = journal.Record();
  const std::string iniCopy = CheckedDeletionTargets(record);
  store::CRvcUtils utils;
  // The copy of the ini file goes first: a rebuild of the list that finds it names a
  // dispatcher, and one without files would be listed as broken.
  utils.DeleteTreeInside(record.dataFolder, iniCopy, true, true);
  if (Exists(iniCopy)) throw CRvcException(msg::kDeleteFailed, iniCopy);
  platform::SyncFolderOf(iniCopy);
  journal.Reached("ini-copy-removed");
  utils.DeleteTreeInside(record.dataFolder, record.dataFolder + record.folder, true, true);
  journal.Reached("folder-removed");
  if (record.removeShortcuts) {
    store::CShortcuts shortcuts;
    shortcuts.DeleteDispatcherShortcut(record.label, record.name, true);
    shortcuts.DeleteDispatcherShortcut(record.label, record.name, false);
  }
}

bool DeleteDispatcher(CommandContext& context, const DeletionOptions& options) {
  store::CDispatcherList& list = *context.Dispatchers;
  const int index = context.CurrentIndex;
  if (index < 0 || index >= list.GetCount()) return false;
  const store::CDispatcher& dispatcher = list.GetAt(index);
  const store::DispatcherRecord record = dispatcher.Record;

  if (IsDispatcherRunning(record.Name, context.ProductVersion)) {
    ui::ShowMessage(RunningDispatcherMessage(record.Name), frame::kApplicationName, ui::Buttons::Ok,
                    ui::Icon::Exclamation);
    return false;
  }
  try {
    if (list.GetCount() <= 1) throw CRvcException(msg::kCannotDelete, "this dispatcher");
    if (!options.allowFirst && index == 0) throw CRvcException(msg::kCannotDelete, "this dispatcher");
    if (options.ask && ui::ShowMessage("Are you sure you want to delete dispatcher " + record.Name + "?",
                               frame::kApplicationName, ui::Buttons::YesNo, ui::Icon::Question) != ui::Answer::Yes) {
      return false;
    }
    IntentRecord intent;
    intent.operation = "delete";
    intent.dataFolder = list.DataFolder();
    intent.label = context.Label;
    intent.name = record.Name;
    intent.folder = record.Folder;
    intent.removeShortcuts = options.removeShortcuts;
    CheckedDeletionTargets(intent);
    CIntentJournal journal(intent);
    // The list file is saved without the dispatcher before anything of it goes: up to the
    // step "list-saved" the recovery puts the old list file back, after it the recovery
    // completes the deletion.
    const std::unique_ptr<store::CDispatcher> removed = list.Remove(dispatcher);
    {
      CCreationJournal undo;
      undo.WriteThrough(&journal);
      try {
        SaveDispatcherListFile(list, &undo);
        journal.Reached("list-saved");
        undo.Commit();
      } catch (...) {
        undo.Rollback();
        list.Insert(*removed, index);
        journal.Finish();
        throw;
      }
    }
    CompleteDeletion(journal);

    if (options.freePort) list.SetSeparatorInUse(record.Base, false);
    journal.Finish();
    CRvcTrace("").Trace("Dispatcher " + record.Name + " deleted");
    context.CurrentIndex = -1;
    if (context.RefreshList) context.RefreshList();
    return true;
  } catch (const CRvcException& e) {
    e.Report();
    return false;
  }
}

}  // namespace rvc::lifecycle
