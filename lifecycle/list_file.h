// The flavour's dispatcher list file ("rvc1.cfg" in its data folder) follows every change
// of its dispatchers: New, Delete, Change Type and Modify save it as part of their
// journaled change (Restore too), so that the next start reads
// the dispatchers as they are. A flavour whose list was rebuilt from the dispatcher ini
// files keeps no list file and gets none. See docs/lifecycle.md, "The list file".
#pragma once

#include "lifecycle/creation_journal.h"
#include "store/dispatcher_list.h"

namespace rvc::lifecycle {

// Writes the list file of `list` from the list in memory, atomically, when the flavour
// has one; nothing otherwise. With `undo`, the file's bytes are kept there first (and,
// through its durable journal, in the intent journal), so that a rollback, in process or
// by the recovery, puts the old list file back. Raises CRvcException when the file cannot
// be read for that or cannot be written (it is then left as it was).
void SaveDispatcherListFile(store::CDispatcherList& list, CCreationJournal* undo = nullptr);

}  // namespace rvc::lifecycle
