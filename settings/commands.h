// The main window commands that the dispatcher settings editor carries out: Modify (the
// button and the double-click) and View.
#pragma once

#include "frame/commands.h"
#include "settings/modify_command.h"

namespace rvc::settings {

void RegisterSettingsCommands(frame::CCommandTable& table, SettingsServices services = {});

}  // namespace rvc::settings
