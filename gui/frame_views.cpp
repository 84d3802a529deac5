#include "frame/login.h"
#include "frame/version_selection.h"
#include "gui/feature_views.h"
#include "gui/login_view.h"
#include "gui/version_selection_view.h"

namespace rvc::ui {

void RegisterFrameViews(IViewRegistry& views) {
  views.Register<frame::CVersionSelection, VersionSelectionView>();
  views.Register<frame::CLoginDialog, LoginView>();
}

}  // namespace rvc::ui
