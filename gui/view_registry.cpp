#include "gui/view_registry.h"

#include <unordered_map>

#include "gui/fresh_memory.h"
#include "platform/plugin_library.h"

namespace rvc::ui {
namespace {

// The registered views, each with the plug-in library that registered it (nullptr for the
// program's own).
class CViewRegistry : public IViewRegistry {
 public:
  void Add(std::type_index model, ViewFactory factory) override { AddFor(model, std::move(factory), nullptr); }

  void AddFor(std::type_index model, ViewFactory factory, const void* owner) {
    views_.insert_or_assign(model, Entry{std::move(factory), owner});
  }

  void Forget(const void* owner) {
    std::erase_if(views_, [owner](const auto& view) { return view.second.owner == owner; });
  }

  const ViewFactory* Find(std::type_index model) const {
    const auto found = views_.find(model);
    return found == views_.end() ? nullptr : &found->second.factory;
  }

 private:
  struct Entry {
    ViewFactory factory;
    const void* owner;
  };
  std::unordered_map<std::type_index, Entry> views_;
};

CViewRegistry& TheViews() {
  static CViewRegistry views;
  return views;
}

// What a plug-in's RvcRegisterViews registers into: the views, marked as the library's.
class CPluginViews : public IViewRegistry {
 public:
  explicit CPluginViews(const platform::PluginLibrary& library) : library_(library) {}
  void Add(std::type_index model, ViewFactory factory) override {
    TheViews().AddFor(model, std::move(factory), &library_);
  }

 private:
  const platform::PluginLibrary& library_;
};

class CPluginWatch : public platform::PluginLibrary::IObserver {
 public:
  void Loaded(const platform::PluginLibrary& library) override { RegisterPluginViews(library); }
  void Unloading(const platform::PluginLibrary& library) override { ForgetPluginViews(library); }
};

}  // namespace

IViewRegistry& Views() { return TheViews(); }

std::unique_ptr<CDialogView> MakeView(IDialogModel& model, QWidget* parent) {
  const ViewFactory* factory = TheViews().Find(typeid(model));
  if (factory == nullptr) return nullptr;
  std::unique_ptr<CDialogView> view = (*factory)(model, parent);
  if (view != nullptr) MakePresentWhenShown(*view);
  return view;
}

bool RegisterPluginViews(const platform::PluginLibrary& library) {
  RegisterViewsFunction* registerViews = library.Export<RegisterViewsFunction>(kRegisterViewsExport);
  if (registerViews == nullptr) return false;
  CPluginViews views(library);
  registerViews(&views);
  return true;
}

void ForgetPluginViews(const platform::PluginLibrary& library) { TheViews().Forget(&library); }

void RegisterViewsOfLoadedPlugins() {
  static CPluginWatch watch;
  platform::PluginLibrary::SetObserver(&watch);
}

}  // namespace rvc::ui
