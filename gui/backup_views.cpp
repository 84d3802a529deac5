#include "backup/restore.h"
#include "gui/feature_views.h"
#include "gui/restore_view.h"

namespace rvc::ui {

void RegisterBackupViews(IViewRegistry& views) { views.Register<backup::CRestoreDlg, RestoreView>(); }

}  // namespace rvc::ui
