#include "apps/rvc_setup/composition.h"

#include "lifecycle/commands.h"

const rvc::frame::CCommandTable& TheCommands() {
  static const rvc::frame::CCommandTable commands = [] {
    rvc::frame::CCommandTable table;
    rvc::lifecycle::RegisterLifecycleCommands(table);
    return table;
  }();
  return commands;
}
