// The main window command "&Restore" and the context it runs the restore in.
#pragma once

#include "backup/restore_run.h"
#include "frame/commands.h"

namespace rvc::backup {

// The restore context of the flavour shown by `request`: the lifecycle context, the
// flavour's folders and the update job started as rvc_setup beside this program (else on
// PATH) and waited for.
RestoreContext MakeRestoreContext(frame::CommandRequest& request);

// "_internal_"/"LastSuccessfulBackup" of the catalogue, or "" when it has none. Raises
// CRvcException 109 with the catalogue's path when it cannot be opened.
std::string LastSuccessfulBackup();

// Registers "&Restore".
void RegisterRestoreCommand(frame::CCommandTable& table);

}  // namespace rvc::backup
