#include "lifecycle/list_file.h"

#include "core/messages.h"
#include "core/rvc_exception.h"

namespace rvc::lifecycle {

void SaveDispatcherListFile(store::CDispatcherList& list, CCreationJournal* undo) {
  if (!list.FromListFile()) return;
  if (undo != nullptr && !undo->Preserve(list.ListFile())) throw CRvcException(msg::kOpenFailed, list.ListFile());
  list.Write();
}

}  // namespace rvc::lifecycle
