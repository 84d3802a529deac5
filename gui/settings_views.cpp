#include "gui/environment_variable_view.h"
#include "gui/feature_views.h"
#include "gui/general_page_view.h"
#include "gui/modify_dispatcher_view.h"
#include "gui/setup_page_view.h"
#include "gui/swap_files_page_view.h"
#include "settings/environment_variable_dialog.h"
#include "settings/general_page.h"
#include "settings/modify_dispatcher.h"
#include "settings/setup_page.h"
#include "settings/swap_files_page.h"

namespace rvc::ui {

void RegisterSettingsViews(IViewRegistry& views) {
  views.Register<settings::CEnvironmentVariables, EnvironmentVariableView>();
  views.Register<settings::CDispatcher, ModifyDispatcherView>();
  // The pages of the Modify and View dialog, made for the tab they are shown in.
  views.Register<settings::CGeneral, GeneralPageView>();
  views.Register<settings::CSetup, SetupPageView>();
  views.Register<settings::CSwapfilesPage, SwapfilesPageView>();
}

}  // namespace rvc::ui
