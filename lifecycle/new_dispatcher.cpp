#include "lifecycle/new_dispatcher.h"

#include <filesystem>
#include <memory>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/path.h"
#include "ppd/ppd_options.h"
#include "store/rvc_utils.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {

std::string ProposedDispatcherName(const store::CDispatcherList& dispatchers, NewDispatcherKind kind,
                                   const std::string& preferredFlavour) {
  const std::string number = std::to_string(dispatchers.LowestFreeSeparator());
  if (kind == NewDispatcherKind::VdpMode && !preferredFlavour.empty()) return "VE050_D&A_Dadudi" + number;
  if (dispatchers.GetCount() == 0) return number;
  return dispatchers.GetAt(0).Record.Name + number;
}

std::string UniqueFolderName(const std::string& dataFolder, const std::string& base) {
  auto taken = [&dataFolder](const std::string& folder) {
    return std::filesystem::exists(platform::ResolveNoCase(dataFolder + folder));
  };
  if (!taken(base)) return base;
  for (int n = 2;; ++n) {
    std::string candidate = base + "_" + std::to_string(n);
    if (!taken(candidate)) return candidate;
  }
}

std::optional<PpdOptions> ParsePpd(const std::string& path) {
  return ppd::ReadPpdOptions(path);  // shows the parse error itself
}

bool OnNewDispatcher(CommandContext& context) {
  if (context.ViewOnly) return false;
  store::CDispatcherList& list = *context.Dispatchers;
  const store::CTemplateList& types = *context.Templates;

  const NewDispatcherKind kind = NewDispatcherKindOf(types.Flavor());
  std::unique_ptr<CNewDispatcherDialog> dialog = MakeNewDispatcherDialog(types, list, false);
  dialog->Name = ProposedDispatcherName(list, kind, context.PreferredFlavour);
  dialog->installedDispatchers = context.InstalledDispatchers;
  if (dialog->Run() != ui::DialogResult::Ok) return false;

  std::string name = dialog->Name;
  const std::string ppdPath = dialog->Ppd();
  std::optional<PpdOptions> ppdOptions;
  if (!ppdPath.empty()) {
    ppdOptions = ParsePpd(ppdPath);
    if (!ppdOptions) return false;
    if (name.find(ppdOptions->ModelName) == std::string::npos) name += " " + ppdOptions->ModelName;
  }

  const int queueSetup = dialog->QueueSetup;
  const store::CDispatcher& source = list.GetAt(queueSetup == 0 ? 0 : queueSetup - 1);

  const int base = list.LowestFreeSeparator();
  if (base < 0) {
    ui::ShowMessage(MessageText(msg::kTooManyClones), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
    return false;
  }
  list.SetSeparatorInUse(base, true);

  store::CDispatcher target(source.Path());
  target.Record = source.Record;
  target.Record.Base = base;
  target.Record.CommandPort = static_cast<int>(store::CRvcUtils::PortWithSeparator(source.Record.CommandPort, base));
  target.Record.Name = name;
  target.Record.Type = dialog->ChosenType();
  target.Record.Folder = UniqueFolderName(list.DataFolder(), target.Record.Type);
  target.SetPath(list.DataFolder() + target.Record.Folder);

  CreateDispatcherInputs inputs;
  inputs.source = &source;
  inputs.target = &target;
  inputs.vdpMode = dialog->VdpIndex();
  inputs.dropQueueSetup = queueSetup == 0;
  inputs.ppdPath = ppdPath;
  inputs.ppdOptions = ppdOptions;
  inputs.skipChecks = false;
  inputs.announce = true;
  inputs.appendToList = true;
  inputs.renumberHotFolders = true;
  inputs.dispatchers = &list;
  inputs.templates = &types;
  inputs.label = context.Label;
  inputs.ppdGenerator = context.PpdGenerator;
  inputs.stepHook = context.CreationStepHook;
  const bool created = CreateDispatcher(inputs);
  // A failed creation left everything as it was; the separator is free again.
  if (!created) list.SetSeparatorInUse(base, false);

  context.CurrentIndex = -1;
  if (context.RefreshList) context.RefreshList();
  return created;
}

}  // namespace rvc::lifecycle
