// The device type's "configurationdll" as the General page's configuration editor: the
// library is loaded for one command and unloaded after it. A library that loads but is
// not used (an old version, a missing export) does nothing, and the built-in dialog is
// not shown either; only when no library loads does the built-in dialog run.
#pragma once

#include "settings/general_page.h"

namespace rvc::settings {

PluginOutcome RunConfigurationPlugin(const ConfigurationEditRequest& request);

}  // namespace rvc::settings
