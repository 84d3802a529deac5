#include "settings/commands.h"

#include "lifecycle/scripted_commands.h"

namespace rvc::settings {
namespace {

ModifyContext MakeContext(frame::CommandRequest& request, const SettingsServices& services) {
  ModifyContext context;
  context.command = lifecycle::MakeCommandContext(request.Flavours, request.FlavourIndex, request.CurrentIndex,
                                                  request.PreferredFlavour);
  context.command.ViewOnly = request.ViewOnly;
  context.command.RefreshList = request.RefreshList;
  context.flavour = &request.Flavour();
  context.mode = request.Mode;
  context.openModifyAtStart = request.OpenModifyAtStart;
  context.services = services;
  return context;
}

}  // namespace

void RegisterSettingsCommands(frame::CCommandTable& table, SettingsServices services) {
  table.Register(frame::Command::Modify, [services](frame::CommandRequest& request) {
    ModifyContext context = MakeContext(request, services);
    if (!OnModify(context)) return;
    request.CurrentIndex = context.command.CurrentIndex;
    request.ListChanged = true;
  });
  table.Register(frame::Command::View, [services](frame::CommandRequest& request) {
    ModifyContext context = MakeContext(request, services);
    OnView(context);
  });
}

}  // namespace rvc::settings
