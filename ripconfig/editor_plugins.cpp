// The plug-in editors of a device type, loaded from the device-type table for each call
// and released after it.
#include "plugins/plugin_api.h"
#include "plugins/type_plugin.h"
#include "ripconfig/editor_context.h"

namespace rvc::ripconfig {
namespace {

PluginOutcome CallTypePlugin(const EditorContext& context, const PluginRequest& request,
                             std::optional<AddedResolution>* added) {
  const plugins::TypePlugin plugin = plugins::TypePlugin::Load(context.programFolder, context.deviceType, request.item);
  if (plugin.IsAbsent()) return PluginOutcome::Absent;
  // A library below version 1.0, or without the export, shows nothing.
  if (plugin.IsUnusable()) return PluginOutcome::Used;
  void* handle = context.handle;
  const char* folder = context.programFolder.c_str();
  if (request.item == plugins::kResAndCalDll) {
    const auto called = plugin.Call<RvcModifyResAndCalDlgFn, RvcModifyResAndCalDlgTraceFn>(
        request.function.c_str(), handle, request.set.c_str(), request.value);
    auto* addedSet = plugin.Find<RvcGetAddedSetFn>("getAddedSet");
    auto* addedRes = plugin.Find<RvcGetAddedResFn>("getAddedRes");
    if (called && added != nullptr && addedSet != nullptr && addedRes != nullptr) {
      const char* set = addedSet();
      const double dpi = addedRes();
      if (set != nullptr && *set != '\0' && dpi != 0) *added = AddedResolution{set, dpi};
    }
  } else if (request.newFlag == 1) {
    plugin.Call<RvcNewEditorDlgFn, RvcNewEditorDlgTraceFn>(request.function.c_str(), handle, 1, folder);
  } else {
    plugin.Call<RvcModifyEditorDlgFn, RvcModifyEditorDlgTraceFn>(request.function.c_str(), request.selected.c_str(),
                                                                 handle, 0, folder);
  }
  return PluginOutcome::Used;
}

}  // namespace

PluginOutcome EditorContext::CallPlugin(const PluginRequest& request, std::optional<AddedResolution>* added) const {
  if (plugins != nullptr) return plugins->Call(*this, request, added);
  if (programFolder.empty()) return PluginOutcome::Absent;
  return CallTypePlugin(*this, request, added);
}

}  // namespace rvc::ripconfig
