#include "backup/recreation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "lifecycle/dispatcher_creation.h"
#include "store/dispatcher_list.h"
#include "ui/user_interface.h"

namespace rvc::backup {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// Whether `relative` (a file of the source dispatcher's folder) lies in a subfolder of its
// "data" folder and `backedUp` holds a file at the same place, which the restore's copy
// writes over it.
bool ReplacedByBackup(const std::string& backedUp, const std::string& relative) {
  const size_t slash = relative.find('/');
  if (slash == std::string::npos || Lower(relative.substr(0, slash)) != "data") return false;
  const std::string inData = relative.substr(slash + 1);
  if (inData.find('/') == std::string::npos) return false;
  struct stat info {};
  return ::lstat((backedUp + "/" + inData).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

int RecreatedCommandPort(int sourcePort, int base) { return (base + (sourcePort / 1000) * 10) * 100 + sourcePort % 100; }

std::string RecreatedFolder(const std::string& dataFolder, const std::string& folder, const std::string& type) {
  std::string chosen = folder.empty() ? type : folder;
  for (int n = 2; Exists(dataFolder + chosen); ++n) chosen = type + "_" + std::to_string(n);
  return chosen;
}

bool ReCreateDispatcher(lifecycle::CommandContext& context, const std::string& name, const std::string& type,
                        const std::string& folder, int base, int commandPort, lifecycle::CIntentJournal* journal,
                        const std::string& backedUp) {
  store::CDispatcherList& list = *context.Dispatchers;
  if (list.GetCount() == 0) return false;
  const int slot = base >= 0 ? base : list.LowestFreeSeparator();
  if (slot < 0) {
    ui::ShowMessage(CRvcException(msg::kTooManyClones).Message(), "Ravlin Configurator");
    return false;
  }
  std::string newName = name;
  for (int i = 0; i < list.GetCount(); ++i) {
    if (Lower(list.GetAt(i).Record.Name) == Lower(name)) {
      newName = name + std::to_string(slot);
      break;
    }
  }
  const store::CDispatcher& source = list.GetAt(0);
  store::CDispatcher target(source);
  target.Record.Name = newName;
  if (!type.empty()) target.Record.Type = type;
  target.Record.Base = slot;
  target.Record.CommandPort =
      commandPort >= 0 ? commandPort : RecreatedCommandPort(std::max(source.Record.CommandPort, 0), slot);
  target.Record.Folder = RecreatedFolder(list.DataFolder(), folder, target.Record.Type);
  target.SetPath(list.DataFolder() + target.Record.Folder);

  lifecycle::CreateDispatcherInputs inputs;
  inputs.source = &source;
  inputs.target = &target;
  inputs.dropQueueSetup = true;
  inputs.dispatchers = &list;
  inputs.templates = context.Templates;
  inputs.label = context.Label;
  inputs.ppdGenerator = nullptr;
  inputs.stepHook = context.CreationStepHook;
  inputs.intent = journal;
  inputs.keepIntentOpen = true;
  inputs.iconFailureNumber = 5;
  if (!backedUp.empty()) {
    inputs.leaveOutOfCopy = [&backedUp](const std::string& relative) { return ReplacedByBackup(backedUp, relative); };
  }
  const bool created = lifecycle::CreateDispatcher(inputs);
  if (created && context.RefreshList) context.RefreshList();
  return created;
}

}  // namespace rvc::backup
