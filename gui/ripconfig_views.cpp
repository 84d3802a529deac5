#include "gui/configuration_view.h"
#include "gui/feature_views.h"
#include "gui/media_view.h"
#include "gui/resolution_set_view.h"
#include "gui/resolution_value_view.h"
#include "ripconfig/configuration_dialog.h"
#include "ripconfig/media_dialog.h"
#include "ripconfig/resolution_dialogs.h"

namespace rvc::ui {

void RegisterRipconfigViews(IViewRegistry& views) {
  views.Register<ripconfig::CConfiguration, ConfigurationView>();
  views.Register<ripconfig::CMedia, MediaView>();
  views.Register<ripconfig::CResolution, ResolutionSetView>();
  views.Register<ripconfig::CResAndCal, ResolutionValueView>();
}

}  // namespace rvc::ui
