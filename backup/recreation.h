// Re-creation of a backed-up dispatcher that is not installed: a creation from the
// flavour's first dispatcher with the backed-up identity (name, device type, folder, port
// separator, command port), so that the data restore can then copy the backed-up data
// folder over it. No PPD is made and no variable-data mode is set.
#pragma once

#include <string>

#include "lifecycle/new_dispatcher.h"

namespace rvc::lifecycle {
class CIntentJournal;
}

namespace rvc::backup {

// The command port of a dispatcher made from one with command port `sourcePort` under
// the port separator `base`: the hundreds digit becomes the separator (9205, 1: 9105).
int RecreatedCommandPort(int sourcePort, int base);

// The folder of a re-created dispatcher: `folder`, or the type when it is empty; when
// that exists in `dataFolder`, type + "_2", "_3", ... until one does not.
std::string RecreatedFolder(const std::string& dataFolder, const std::string& folder, const std::string& type);

// Re-creates the dispatcher in context.Dispatchers, journaled in `journal` (the restore's,
// which stays open when the creation fails and rolls itself back) or, without one, as a
// creation of its own: a killed run is rolled back by the recovery. `base` -1 chooses the
// lowest free separator (138 when none is free); a name already in the list gets the
// separator appended. `backedUp`: the backed-up "data" folder the restore copies over
// the new dispatcher next; the first dispatcher's files inside subfolders of "data" that
// it replaces are not copied first (the files the creation adapts lie directly in "data").
// False when nothing was created (the reason was shown).
bool ReCreateDispatcher(lifecycle::CommandContext& context, const std::string& name, const std::string& type,
                        const std::string& folder, int base, int commandPort,
                        lifecycle::CIntentJournal* journal = nullptr, const std::string& backedUp = {});

}  // namespace rvc::backup
