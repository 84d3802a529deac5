// Which Qt view shows which dialog model: views are registered by the model's concrete
// type, each feature registering its own (gui/feature_views.h), a plug-in library through
// its exported RvcRegisterViews. CQtUserInterface::RunDialog makes the registered view.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <typeindex>
#include <typeinfo>
#include <utility>

#include "gui/dialog_view.h"
#include "ui/user_interface.h"

namespace rvc::platform {
class PluginLibrary;
}  // namespace rvc::platform

namespace rvc::ui {

using ViewFactory = std::function<std::unique_ptr<CDialogView>(IDialogModel& model, QWidget* parent)>;

// The registry as the features and plug-ins see it. Add is virtual, so that a plug-in's
// registration runs the host's code (the plug-in needs only this header).
class IViewRegistry {
 public:
  // The view of the dialogs whose model's concrete type is `model`; a later registration
  // for the same type replaces an earlier one.
  virtual void Add(std::type_index model, ViewFactory factory) = 0;

  // `factory(Model&, QWidget* parent)` makes the view of a `Model`.
  template <typename Model, typename Factory>
  void Register(Factory factory) {
    Add(typeid(Model), [factory](IDialogModel& model, QWidget* parent) -> std::unique_ptr<CDialogView> {
      return factory(static_cast<Model&>(model), parent);  // the key is Model's exact type
    });
  }
  // `View(Model&, QWidget* parent)` is the view of a `Model`.
  template <typename Model, typename View>
  void Register() {
    Register<Model>([](Model& model, QWidget* parent) { return std::make_unique<View>(model, parent); });
  }

 protected:
  ~IViewRegistry() = default;
};

// The views of this process.
IViewRegistry& Views();
template <typename Model, typename Factory>
void RegisterView(Factory factory) {
  Views().Register<Model>(std::move(factory));
}

// The view registered for the concrete type of `model`, made over it; nullptr for none.
std::unique_ptr<CDialogView> MakeView(IDialogModel& model, QWidget* parent);

// The export of a plug-in library that registers its views, called by the host right
// after loading it:  extern "C" void RvcRegisterViews(rvc::ui::IViewRegistry* views);
inline constexpr const char* kRegisterViewsExport = "RvcRegisterViews";
using RegisterViewsFunction = void(IViewRegistry* views);

// Calls the library's RvcRegisterViews, if it has one (false when not). The views stay
// until ForgetPluginViews(library).
bool RegisterPluginViews(const platform::PluginLibrary& library);
// Drops the views that `library` registered, before its code is unloaded.
void ForgetPluginViews(const platform::PluginLibrary& library);
// From now on every library that platform::PluginLibrary::Load loads registers its views,
// and loses them when it is unloaded.
void RegisterViewsOfLoadedPlugins();

}  // namespace rvc::ui
