#include "settings/configuration_plugin.h"

#include "plugins/type_plugin.h"

namespace rvc::settings {

PluginOutcome RunConfigurationPlugin(const ConfigurationEditRequest& request) {
  const plugins::TypePlugin plugin =
      plugins::TypePlugin::Load(request.programFolder, request.type, plugins::kConfigurationDll);
  if (plugin.IsAbsent()) return PluginOutcome::Absent;
  void* config = request.config;
  const char* programFolder = request.programFolder.c_str();
  const char* configPath = request.configPath.c_str();
  const char* type = request.type.c_str();
  // Results are not used; an unusable library or a missing export makes Call do nothing.
  switch (request.mode) {
    case ConfigurationEditorMode::New:
      plugin.Call<RvcNewConfigurationDlgFn, RvcNewConfigurationDlgTraceFn>("NewConfigurationDlg", config, 1,
                                                                           programFolder, configPath, type);
      break;
    case ConfigurationEditorMode::Modify:
      plugin.Call<RvcModifyConfigurationDlgFn, RvcModifyConfigurationDlgTraceFn>(
          "ModifyConfigurationDlg", request.name.c_str(), config, 0, programFolder, configPath, type);
      break;
    case ConfigurationEditorMode::View:
      plugin.Call<RvcViewConfigurationDlgFn, RvcViewConfigurationDlgTraceFn>(
          "ViewConfigurationDlg", request.name.c_str(), config, 0, programFolder, configPath, type);
      break;
  }
  return PluginOutcome::Done;
}

}  // namespace rvc::settings
