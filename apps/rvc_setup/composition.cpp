#include "apps/rvc_setup/composition.h"

#include "cups/queue_upkeep.h"
#include "lifecycle/commands.h"
#include "settings/commands.h"
#include "settings/plugin_pages.h"

#ifdef RVC_WITH_QT
#include "gui/feature_views.h"
#endif

const rvc::frame::CCommandTable& TheCommands() {
  static const rvc::frame::CCommandTable commands = [] {
    rvc::frame::CCommandTable table;
    rvc::lifecycle::RegisterLifecycleCommands(table);
    rvc::settings::RegisterSettingsCommands(table, rvc::settings::DeviceTypeServices());
    // Last: the print queues follow what the other commands do to dispatchers.
    rvc::cups::KeepQueuesRight(table);
    return table;
  }();
  return commands;
}

#ifdef RVC_WITH_QT
void RegisterTheViews() {
  rvc::ui::IViewRegistry& views = rvc::ui::Views();
  rvc::ui::RegisterFrameViews(views);
  rvc::ui::RegisterLifecycleViews(views);
  rvc::ui::RegisterSettingsViews(views);
  rvc::ui::RegisterWindowViews(views);
  rvc::ui::RegisterViewsOfLoadedPlugins();
}
#endif
