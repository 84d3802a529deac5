// The device type's plug-in libraries of the dispatcher dialog, loaded through
// plugins/type_plugin.h: "generaldll" (a General page of its own), "dispatcherdll" (extra
// pages with their captions, OnOK / OnOKExt and OnCancel) and "synchronizedll" (a step
// before Modify). docs/plugins.md describes the exports.
#pragma once

#include "settings/modify_command.h"
#include "settings/modify_dispatcher.h"

namespace rvc::settings {

// Loads the page libraries of a device type; null when the type names none that is usable.
PluginFactory DeviceTypePlugins();

// The services of the program: the plug-in libraries and the synchronisation step.
SettingsServices DeviceTypeServices();

// Runs the type's "GetSynchronizeDlg"; false when a library of version 1.0 or more
// returned 0 (the Modify command ends). The main window handle passed is NULL.
Synchronizer DeviceTypeSynchronizer();

}  // namespace rvc::settings
