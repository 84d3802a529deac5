#include "lifecycle/dispatcher_properties.h"

namespace rvc::lifecycle {

CDispatcherProperties::CDispatcherProperties(const store::CDispatcher& dispatcher, std::string dataFolder)
    : dispatcher_(dispatcher), dataFolder_(std::move(dataFolder)) {}

void CDispatcherProperties::OnInitDialog() {
  const store::DispatcherRecord& record = dispatcher_.Record;
  Name = record.Name;
  Type = record.Type;
  Folder = dataFolder_ + record.Folder;
  Port = std::to_string(record.Base);
}

void OnDispatcherProperties(const CommandContext& context) {
  const store::CDispatcherList& list = *context.Dispatchers;
  if (context.CurrentIndex < 0 || context.CurrentIndex >= list.GetCount()) return;
  CDispatcherProperties dialog(list.GetAt(context.CurrentIndex), list.DataFolder());
  dialog.OnInitDialog();
  ui::Current().RunDialog(dialog);
}

}  // namespace rvc::lifecycle
