// The main window command that the backup carries out: "&Backup...".
#pragma once

#include <string>

#include "frame/commands.h"

namespace rvc::backup {

struct BackupCommandOptions {
  // The rvc_setup started for the backup jobs; empty: the one beside the running program,
  // else the first on PATH.
  std::string configurator;
};

void RegisterBackupCommands(frame::CCommandTable& table, BackupCommandOptions options = {});

}  // namespace rvc::backup
