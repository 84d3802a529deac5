#include "lifecycle/dispatcher_deletion.h"

#include <array>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "lifecycle/running_dispatchers.h"
#include "store/confinement.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {

bool RefuseFolderInUse(const std::string& dataFolder, const std::string& folder) {
  if (!store::CRvcUtils::FolderInUse(dataFolder + folder)) return false;
  const std::array<std::string, 2> arguments{dataFolder, folder};
  ui::ShowMessage(MessageText(172, arguments), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
  return true;
}

void OnDeleteDispatcher(CommandContext& context) {
  if (context.ViewOnly) return;
  store::CDispatcherList& list = *context.Dispatchers;
  if (context.CurrentIndex < 0 || context.CurrentIndex >= list.GetCount()) return;
  if (RefuseFolderInUse(list.DataFolder(), list.GetAt(context.CurrentIndex).Record.Folder)) return;
  DeleteDispatcher(context, true, true, false, true);
}

bool DeleteDispatcher(CommandContext& context, bool removeShortcuts, bool ask, bool allowFirst, bool freePort) {
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
    if (list.GetCount() <= 1) throw CRvcException(119, "this dispatcher");
    if (!allowFirst && index == 0) throw CRvcException(119, "this dispatcher");
    if (ask && ui::ShowMessage("Are you sure you want to delete dispatcher " + record.Name + "?",
                               frame::kApplicationName, ui::Buttons::YesNo, ui::Icon::Question) != ui::Answer::Yes) {
      return false;
    }
    if (freePort) list.SetSeparatorInUse(record.Base, false);

    // Both lie inside the flavour's data folder, or nothing is deleted at all.
    store::RequireInsideDataFolder(list.DataFolder(), list.DataFolder() + record.Folder);
    store::RequireInsideDataFolder(list.DataFolder(), list.IniFileOf(record.Folder));
    store::CRvcUtils utils;
    utils.DeleteTreeInside(list.DataFolder(), list.DataFolder() + record.Folder, true, true);
    // The copy of the ini file that a rebuild of the list looks for would otherwise name a
    // dispatcher without files, which the rebuild leaves out as broken.
    utils.DeleteTreeInside(list.DataFolder(), list.IniFileOf(record.Folder), true, true);

    if (removeShortcuts) {
      store::CShortcuts shortcuts;
      shortcuts.DeleteDispatcherShortcut(context.Label, record.Name, true);
      shortcuts.DeleteDispatcherShortcut(context.Label, record.Name, false);
    }

    list.Remove(dispatcher);
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
