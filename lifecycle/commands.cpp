#include "lifecycle/commands.h"

#include <memory>

#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/dispatcher_properties.h"
#include "lifecycle/ppd_preferences.h"
#include "lifecycle/scripted_commands.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {
namespace {

// Runs `command` with the lifecycle's context of the request; the commands that change the
// list leave nothing selected.
void RunChanging(frame::CommandRequest& request, const LifecycleCommandOptions& options,
                 bool (*command)(CommandContext&)) {
  CommandContext context =
      MakeCommandContext(request.Flavours, request.FlavourIndex, request.CurrentIndex, request.PreferredFlavour);
  context.ViewOnly = request.ViewOnly;
  context.RefreshList = request.RefreshList;
  frame::CFlavour& flavour = request.Flavour();
  context.CreatePpd = [&flavour](int index) { CreatePpdCommand(flavour, index); };
  std::unique_ptr<IPpdGenerator> flavourGenerator;
  if (options.ppdGenerator == nullptr) flavourGenerator = MakePpdGenerator(flavour);
  context.PpdGenerator = options.ppdGenerator != nullptr ? options.ppdGenerator : flavourGenerator.get();
  context.CreationStepHook = options.creationStepHook;
  command(context);
  request.CurrentIndex = context.CurrentIndex;
  request.ListChanged = true;
}

bool DeleteCommand(CommandContext& context) {
  OnDeleteDispatcher(context);
  return true;
}

}  // namespace

void RegisterLifecycleCommands(frame::CCommandTable& table, LifecycleCommandOptions options) {
  using frame::Command;
  const auto changing = [options](bool (*command)(CommandContext&)) {
    return [options, command](frame::CommandRequest& request) { RunChanging(request, options, command); };
  };
  table.Register(Command::New, changing(&OnNewDispatcher));
  table.Register(Command::NewDispatcher, changing(&OnNewDispatcher));
  table.Register(Command::Delete, changing(&DeleteCommand));
  table.Register(Command::ChangeType, changing(&OnChangeType));
  table.Register(Command::DispatcherProperties, [](frame::CommandRequest& request) {
    OnDispatcherProperties(MakeCommandContext(request.Flavours, request.FlavourIndex, request.CurrentIndex,
                                              request.PreferredFlavour));
  });
  table.Register(Command::CreatePpd, [](frame::CommandRequest& request) {
    ui::WaitCursor busy;
    CreatePpdCommand(request.Flavour(), request.CurrentIndex);
  });
  table.Register(Command::CreateAllPpds, [](frame::CommandRequest& request) {
    ui::WaitCursor busy;
    CreateAllPpdsCommand(request.Flavours);
  });
  table.Register(Command::PpdPreferences, [](frame::CommandRequest&) { PpdPreferencesCommand(); });
}

}  // namespace rvc::lifecycle
