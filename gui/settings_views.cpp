#include "gui/environment_variable_view.h"
#include "gui/feature_views.h"
#include "gui/modify_dispatcher_view.h"
#include "settings/environment_variable_dialog.h"
#include "settings/modify_dispatcher.h"

namespace rvc::ui {

void RegisterSettingsViews(IViewRegistry& views) {
  views.Register<settings::CEnvironmentVariables, EnvironmentVariableView>();
  views.Register<settings::CDispatcher, ModifyDispatcherView>();
}

}  // namespace rvc::ui
