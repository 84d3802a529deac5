// The commands of the main window and the table through which the features provide them.
//
// The main window knows its controls and their enabling rules, not what the commands do:
// each feature registers the commands it carries out, and the program composes the table
// before the window opens. A command that nobody registered shows disabled.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "frame/flavour.h"

namespace rvc::frame {

// Every control and menu entry of the main window that carries out a command.
enum class Command {
  // Buttons.
  New,         // "&New..."
  Delete,      // "&Delete"
  Modify,      // "&Modify..."
  View,        // "&View..."
  ChangeType,  // "Change Type"
  Backup,      // "&Backup..."
  Close,       // "&Exit" or "&Continue"
  // File menu.
  NewDispatcher,         // "&New Dispatcher", Ctrl+N
  DispatcherProperties,  // "Dispatcher Properties"
  Restore,               // "&Restore"
  CreatePpd,             // "&Create PPD"
  CreateAllPpds,         // "Create All PPDs"
  PpdPreferences,        // "&PPD Preferences..."
  Exit,                  // "Exit"
  // Help menu. The window manager's system menu cannot be extended, so "&About Rvc..."
  // joins the Help menu.
  AboutRavlin,  // "About Ravlin Configurator"
  AboutRvc,     // "&About Rvc..."
};

// What the main window hands a command, and what the command tells it back.
struct CommandRequest {
  FlavourList& Flavours;
  int FlavourIndex = 0;  // the flavour shown
  // The selected row of the dispatcher list, -1 when none.
  int CurrentIndex = -1;
  bool ViewOnly = false;
  std::string PreferredFlavour;  // the main window's preferred flavour, or empty
  // Reloads the window's dispatcher list. May be empty.
  std::function<void()> RefreshList;
  int Mode = 0;  // the program's job mode (frame/command_line.h)
  // Set for the modify dialog that the install job opens at start.
  bool OpenModifyAtStart = false;

  // Set by a command that changed the list: the row to select afterwards, or -1 for none.
  bool ListChanged = false;

  CFlavour& Flavour() const { return *Flavours[static_cast<size_t>(FlavourIndex)]; }
};

using CommandHandler = std::function<void(CommandRequest& request)>;

class CCommandTable {
 public:
  // Makes `handler` carry out `id` (replacing an earlier one). Several controls may share
  // one handler ("&New..." and "&New Dispatcher").
  void Register(Command id, CommandHandler handler) { handlers_[id] = std::move(handler); }
  bool Has(Command id) const { return handlers_.contains(id); }
  // The handler of `id`, or nullptr; for a feature that wraps another's command.
  const CommandHandler* Find(Command id) const {
    const auto handler = handlers_.find(id);
    return handler == handlers_.end() ? nullptr : &handler->second;
  }
  // Runs the handler of `id`; false when there is none.
  bool Run(Command id, CommandRequest& request) const {
    const auto handler = handlers_.find(id);
    if (handler == handlers_.end()) return false;
    handler->second(request);
    return true;
  }

 private:
  std::map<Command, CommandHandler> handlers_;
};

}  // namespace rvc::frame
