#include "gui/change_type_view.h"
#include "gui/dispatcher_properties_view.h"
#include "gui/feature_views.h"
#include "gui/new_dispatcher_view.h"
#include "gui/ppd_preferences_view.h"
#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_properties.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "lifecycle/ppd_preferences.h"

namespace rvc::ui {

void RegisterLifecycleViews(IViewRegistry& views) {
  views.Register<lifecycle::CNewDispatcher, NewDispatcherView>();
  views.Register<lifecycle::CNewDispatcherNoPPD, NewDispatcherView>();
  views.Register<lifecycle::CNewDispatcherVDPMode, NewDispatcherView>();
  views.Register<lifecycle::CChangeDevType, ChangeTypeView>();
  views.Register<lifecycle::CDispatcherProperties, DispatcherPropertiesView>();
  views.Register<lifecycle::CCopyPPDDlg, PpdPreferencesView>();
}

}  // namespace rvc::ui
