#include "gui/about_view.h"
#include "gui/feature_views.h"
#include "window/main_window.h"

namespace rvc::ui {

void RegisterWindowViews(IViewRegistry& views) { views.Register<window::CAboutDlg, AboutView>(); }

}  // namespace rvc::ui
