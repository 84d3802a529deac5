// The composition of the program: which feature carries out which command of the main
// window. A new feature adds its registration here and nowhere else.
#pragma once

#include "frame/commands.h"

// The table of the program's commands, filled on first use.
const rvc::frame::CCommandTable& TheCommands();
