#include "gui/environment_variable_view.h"
#include "gui/feature_views.h"
#include "settings/environment_variable_dialog.h"

namespace rvc::ui {

void RegisterSettingsViews(IViewRegistry& views) {
  views.Register<settings::CEnvironmentVariables, EnvironmentVariableView>();
}

}  // namespace rvc::ui
