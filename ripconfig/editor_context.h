// What the editors of a dispatcher's RIP configuration (configuration, media, resolution
// sets) share: the open configuration, the mode they open in, where the device type's
// plug-in editors are named, and the seam through which those plug-ins are called.
#pragma once

#include <optional>
#include <string>

#include "ripconfig/ravlcfg.h"

namespace rvc::ripconfig {

enum class EditorMode { New, Modify, View };

// A call of a plug-in editor. `item` is the item of the device type's topic in
// "types.dat" ("mediadll", "resolutiondll", "resandcaldll"), `function` the export.
// New editors get (handle, 1, folder); modify and view editors (selected, handle, 0,
// folder); "ModifyResAndCalDlg" gets (handle, set, value).
struct PluginRequest {
  std::string item;
  std::string function;
  std::string selected;
  int newFlag = 0;
  std::string set;
  double value = 0;
};

// A resolution that a value editor plug-in added ("getAddedSet", "getAddedRes").
struct AddedResolution {
  std::string set;
  double dpi = 0;
};

enum class PluginOutcome {
  Absent,  // no library of that item loads: the built-in editor is shown
  Used,    // the library loaded; it showed its editor, or nothing (old version, no export)
};

class EditorContext;

// Loads, calls and releases the plug-in editors of a device type.
class IEditorPlugins {
 public:
  virtual ~IEditorPlugins() = default;
  // `added` (may be null) receives what a "resandcaldll" editor added.
  virtual PluginOutcome Call(const EditorContext& context, const PluginRequest& request,
                             std::optional<AddedResolution>* added) = 0;
};

// The open configuration and the dispatcher's facts every editor needs.
class EditorContext {
 public:
  RavlcfgHandle* handle = nullptr;
  // The flavour's program folder; its "dat/types.dat" names the plug-in editors.
  std::string programFolder;
  std::string deviceType;
  // The dispatcher's "data/zv_config.res"; its folder holds the dispatcher's ini file
  // and screen description.
  std::string configPath;
  IEditorPlugins* plugins = nullptr;  // none: the built-in editors

  // Runs the plug-in editor for `request`: through `plugins` when set, else the library
  // that the program folder's "dat/types.dat" names for the device type (none without a
  // program folder).
  PluginOutcome CallPlugin(const PluginRequest& request, std::optional<AddedResolution>* added = nullptr) const;
};

}  // namespace rvc::ripconfig

namespace rvc::ripconfig {
// The title of the editors' message boxes.
inline constexpr const char* kEditorMessageTitle = "Ravlin Configurator";
}  // namespace rvc::ripconfig
