// "Dispatcher Properties" of the File menu: the identity of the selected dispatcher in a
// small read-only dialog with an OK button.
#pragma once

#include <string>

#include "lifecycle/new_dispatcher.h"
#include "store/dispatcher_list.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {

// The "Dispatcher properties" dialog. The view shows the four texts; nothing is written.
class CDispatcherProperties : public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "Dispatcher properties";

  // `dataFolder` ends with the separator.
  CDispatcherProperties(const store::CDispatcher& dispatcher, std::string dataFolder);
  std::string DialogName() const override { return "DispatcherProperties"; }

  // Fills the texts from the dispatcher's record.
  void OnInitDialog();

  std::string Name;    // "Name"
  std::string Type;    // "Type"
  std::string Folder;  // "Folder": the data folder + the dispatcher's Folder
  std::string Port;    // "Port separator", decimal

 private:
  const store::CDispatcher& dispatcher_;
  std::string dataFolder_;
};

// Shows the properties of the dispatcher at context.CurrentIndex (none: nothing happens).
void OnDispatcherProperties(const CommandContext& context);

}  // namespace rvc::lifecycle
