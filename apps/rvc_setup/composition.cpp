#include "apps/rvc_setup/composition.h"

#include "backup/commands.h"
#include "backup/restore_command.h"
#include "cups/queue_upkeep.h"
#include "lifecycle/commands.h"
#include "ripconfig/configuration_dialog.h"
#include "settings/commands.h"
#include "settings/general_page.h"
#include "settings/plugin_pages.h"

#ifdef RVC_WITH_QT
#include "gui/feature_views.h"
#endif

const rvc::frame::CCommandTable& TheCommands() {
  static const rvc::frame::CCommandTable commands = [] {
    rvc::frame::CCommandTable table;
    // The General page's New, Modify and View open the built-in configuration dialog when
    // the device type has no configuration plug-in.
    rvc::settings::SetBuiltInConfigurationDialog([](const rvc::settings::ConfigurationEditRequest& request) {
      rvc::ripconfig::RunConfigurationDialog(request.config, static_cast<rvc::ripconfig::EditorMode>(request.mode),
                                             request.name, request.programFolder, request.type, request.configPath);
    });
    rvc::lifecycle::RegisterLifecycleCommands(table);
    rvc::settings::RegisterSettingsCommands(table, rvc::settings::DeviceTypeServices());
    rvc::backup::RegisterBackupCommands(table);
    rvc::backup::RegisterRestoreCommand(table);
    // Last: the print queues follow what the other commands do to dispatchers.
    rvc::cups::KeepQueuesRight(table);
    return table;
  }();
  return commands;
}

#ifdef RVC_WITH_QT
void RegisterTheViews() {
  rvc::ui::IViewRegistry& views = rvc::ui::Views();
  rvc::ui::RegisterBackupViews(views);
  rvc::ui::RegisterFrameViews(views);
  rvc::ui::RegisterLifecycleViews(views);
  rvc::ui::RegisterSettingsViews(views);
  rvc::ui::RegisterRipconfigViews(views);
  rvc::ui::RegisterWindowViews(views);
  rvc::ui::RegisterViewsOfLoadedPlugins();
}
#endif
