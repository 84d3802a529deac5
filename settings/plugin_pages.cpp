#include "settings/plugin_pages.h"

#include <utility>

#include "plugins/type_plugin.h"
#include "settings/dispatcher_pages.h"

namespace rvc::settings {
namespace {

using plugins::TypePlugin;

class CDeviceTypePlugins : public IPluginPages {
 public:
  CDeviceTypePlugins(PluginContext context, TypePlugin general, TypePlugin dispatcher)
      : context_(std::move(context)), general_(std::move(general)), dispatcher_(std::move(dispatcher)) {}

  bool GeneralPage(void* tabs, void*& page) override {
    if (!general_.IsUsable()) return false;
    const std::optional<void*> made = general_.Call<RvcGetGeneralTabFn, RvcGetGeneralTabTraceFn>(
        context_.viewOnly ? "ViewGeneralTab" : "GetGeneralTab", tabs, context_.dataFolder.c_str(),
        context_.type.c_str(), context_.programFolder.c_str());
    if (!made) return false;  // without the export the built-in page stays
    generalPage_ = page = *made;
    return true;
  }

  std::vector<PluginPage> ExtraPages(void* tabs) override {
    extras_.clear();
    if (!dispatcher_.IsUsable()) return {};
    const std::optional<void**> pages = dispatcher_.Call<RvcGetExtraTabSheetsFn, RvcGetExtraTabSheetsTraceFn>(
        context_.viewOnly ? "ViewExtraTabSheets" : "GetExtraTabSheets", tabs, context_.configuration,
        context_.programFolder.c_str(), context_.dataFolder.c_str(), context_.type.c_str());
    if (!pages || *pages == nullptr) return {};
    const char** captions = nullptr;
    if (auto* getCaptions = dispatcher_.Find<RvcGetCaptionsFn>("GetCaptions")) captions = getCaptions();
    for (int i = 0; i < RVC_PLUGIN_MAX_PAGES && (*pages)[i] != nullptr; ++i) {
      PluginPage page;
      page.widget = (*pages)[i];
      if (captions != nullptr && captions[i] != nullptr) page.caption = captions[i];
      extras_.push_back(page);
    }
    return extras_;
  }

  bool OnOk() override {
    if (generalPage_ != nullptr) {
      if (auto* onOk = general_.Find<RvcOnOKFn>("OnOK")) onOk(generalPage_);
    }
    for (const PluginPage& page : extras_) {
      if (dispatcher_.WithTrace()) {
        auto* onOkExt = dispatcher_.Find<RvcOnOKExtFn>("OnOKExt");
        if (onOkExt != nullptr && onOkExt(page.widget) < 0) return false;
      } else if (auto* onOk = dispatcher_.Find<RvcOnOKFn>("OnOK")) {
        onOk(page.widget);
      }
    }
    return true;
  }

  void OnCancel() override {
    auto* onCancel = dispatcher_.Find<RvcOnCancelFn>("OnCancel");
    if (onCancel == nullptr) return;
    for (const PluginPage& page : extras_) onCancel(page.widget);
  }

 private:
  PluginContext context_;
  TypePlugin general_, dispatcher_;
  void* generalPage_ = nullptr;
  std::vector<PluginPage> extras_;
};

}  // namespace

PluginFactory DeviceTypePlugins() {
  return [](const PluginContext& context) -> std::unique_ptr<IPluginPages> {
    TypePlugin general = TypePlugin::Load(context.programFolder, context.type, plugins::kGeneralDll);
    TypePlugin dispatcher = TypePlugin::Load(context.programFolder, context.type, plugins::kDispatcherDll);
    if (!general.IsUsable() && !dispatcher.IsUsable()) return nullptr;
    return std::make_unique<CDeviceTypePlugins>(context, std::move(general), std::move(dispatcher));
  };
}

Synchronizer DeviceTypeSynchronizer() {
  return [](const SynchronizeRequest& request) {
    const TypePlugin plugin = TypePlugin::Load(request.programFolder, request.type, plugins::kSynchronizeDll);
    const std::optional<int> result = plugin.Call<RvcGetSynchronizeDlgFn, RvcGetSynchronizeDlgTraceFn>(
        "GetSynchronizeDlg", static_cast<void*>(nullptr), request.dataFolder.c_str(), request.programFolder.c_str(),
        request.type.c_str());
    return !(result && plugin.WithTrace() && *result == 0);
  };
}

SettingsServices DeviceTypeServices() {
  SettingsServices services;
  services.pages = BuiltInPageFactory();
  services.plugins = DeviceTypePlugins();
  services.synchronize = DeviceTypeSynchronizer();
  return services;
}

}  // namespace rvc::settings
