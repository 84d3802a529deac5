// The composition of the program: which feature carries out which command of the main
// window, and which views show the features' dialogs. A new feature adds its
// registrations here and nowhere else.
#pragma once

#include "frame/commands.h"

// The table of the program's commands, filled on first use.
const rvc::frame::CCommandTable& TheCommands();

#ifdef RVC_WITH_QT
// Registers the Qt views of every feature's dialogs, and has each plug-in library register
// its own when it is loaded. Once, before the first dialog.
void RegisterTheViews();
#endif
