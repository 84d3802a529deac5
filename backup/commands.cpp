#include "backup/commands.h"

#include "backup/backup.h"

namespace rvc::backup {

void RegisterBackupCommands(frame::CCommandTable& table, BackupCommandOptions options) {
  table.Register(frame::Command::Backup, [options](frame::CommandRequest& request) {
    CBackup(request.Flavours, options.configurator).OnBackup();
  });
}

}  // namespace rvc::backup
