// The views of each feature's dialogs, registered by the feature's own function (each
// in <feature>_views.cpp). The program calls them all at start (apps/rvc_setup); a new
// dialog of a feature is one more line in its function.
#pragma once

#include "gui/view_registry.h"

namespace rvc::ui {

// Version selection and login.
void RegisterBackupViews(IViewRegistry& views);
void RegisterFrameViews(IViewRegistry& views);
// New Dispatcher (all three kinds), Change Type and Dispatcher Properties.
void RegisterLifecycleViews(IViewRegistry& views);
// The configuration, media, resolution set and resolution value dialogs.
void RegisterRipconfigViews(IViewRegistry& views);
// The modify and view dialog, its pages and the environment-variable dialog of the settings editor.
void RegisterSettingsViews(IViewRegistry& views);
// The About dialog of the main window.
void RegisterWindowViews(IViewRegistry& views);

}  // namespace rvc::ui
