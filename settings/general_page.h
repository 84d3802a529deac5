// The General page of the dispatcher settings editor, and the holder of the dispatcher's
// identity record while the editor is open. As a page it lists the dispatcher's RIP
// configurations, marks the one in use, and lets the operator create, modify, view and
// delete them and choose the one in use ("Use as Default").
//
// The page opens the configuration library when it loads and holds it, with its write
// lock, until it is destroyed. Every change made through the list is stored by Save()
// only; a page destroyed without Save() leaves the files as they were.
//
// New, Modify and View run a configuration editor: the device type's "configurationdll"
// plug-in (settings/configuration_plugin.h) when one loads, else the built-in
// configuration dialog, which the composition sets (SetBuiltInConfigurationDialog).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lifecycle/ppd_options.h"
#include "ripconfig/ravlcfg.h"
#include "settings/page.h"
#include "store/dispatcher_list.h"
#include "ui/user_interface.h"

namespace rvc::store {
class CTemplateList;
}

namespace rvc::settings {

enum class ConfigurationEditorMode { New, Modify, View };

// What a configuration editor is asked to do.
struct ConfigurationEditRequest {
  ConfigurationEditorMode mode = ConfigurationEditorMode::New;
  std::string name;                              // the selected configuration; "" for New
  ripconfig::RavlcfgHandle* config = nullptr;    // open, with the write lock
  std::string programFolder;                     // the flavour's, ending with the separator
  std::string configPath;                        // the dispatcher's "zv_config.res"
  std::string type;                              // the dispatcher's device type
};

// What the device type's configuration plug-in did with a request.
enum class PluginOutcome {
  Absent,  // no plug-in: the built-in editor runs
  Done,    // the plug-in ran, or it is present but not used (an old version, a missing export)
};

struct ConfigurationEditors {
  // The device type's "configurationdll": Absent when the type names none that loads.
  std::function<PluginOutcome(const ConfigurationEditRequest&)> plugin;
  // The built-in configuration dialog.
  std::function<void(const ConfigurationEditRequest&)> builtIn;
};

// The editors of every General page; the plug-in is RunConfigurationPlugin and the
// built-in dialog none until the composition sets one.
void SetConfigurationEditors(ConfigurationEditors editors);
void SetBuiltInConfigurationDialog(std::function<void(const ConfigurationEditRequest&)> dialog);
const ConfigurationEditors& CurrentConfigurationEditors();

class CGeneral : public IPage, public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "General";

  // `configPath`: the dispatcher folder + "\data\zv_config.res"; `templates`: the
  // flavour's device types (for the program folder), may be null.
  CGeneral(const store::DispatcherRecord& record, std::string configPath, const store::CTemplateList* templates,
           bool viewOnly = false);
  ~CGeneral() override;
  CGeneral(const CGeneral&) = delete;
  CGeneral& operator=(const CGeneral&) = delete;

  // --- The dispatcher's identity ---
  std::string Flavour;
  std::string Name;
  std::string Type;
  std::string Folder;
  int Base = -1;
  std::string ConfigPath;
  int CommandPort = -1;
  // Applied to the configuration when the page loads, as creation applies a chosen PPD.
  std::optional<lifecycle::PpdOptions> PpdOptions;

  // --- IPage ---
  std::string Title() const override { return kTitle; }
  // Opens the configuration, reports its errors (185), takes the write lock, applies
  // PpdOptions and fills the list with the configuration in use selected.
  void Load() override;
  // Refuses while the dispatcher runs (outside view mode).
  std::optional<PageRefusal> Validate() const override;
  // Makes the marked configuration the one in use and writes the configuration. Raises
  // CRvcException 109 when the library refuses to write.
  void Save() override;
  bool HasChanges() const override;
  void SetViewOnly(bool viewOnly) override { viewOnly_ = viewOnly; }

  std::string DialogName() const override { return "GeneralPage"; }

  // --- The list ---
  const std::vector<std::string>& Configurations() const { return names_; }
  int InUseIndex() const { return inUse_; }
  int SelectedIndex() const { return selected_; }
  // The configuration library, open from Load() to destruction; nullptr when it could not
  // be opened.
  ripconfig::RavlcfgHandle* Config() const { return config_; }
  // The library reported errors at opening (185 was shown).
  bool Failed() const { return failed_; }
  bool ViewOnly() const { return viewOnly_; }

  // --- Page commands ---
  enum class Button { New, Modify, View, Delete, UseAsDefault };
  bool Enabled(Button button) const;
  // A click on row `row` (-1: below the rows).
  void Select(int row);
  void OnNew();
  void OnModify();
  void OnView();
  // Asks 132 and deletes the selected configuration; 152 for the one in use or the last.
  void OnDelete();
  // The selected configuration becomes the one in use.
  void OnUseAsDefault();
  // Selects the row and, outside view mode, makes it the one in use.
  void OnDoubleClick(int row);

  // The position of `name` in the list (ignoring case), or -1.
  int IndexOf(const std::string& name) const;

 private:
  void Fill();
  void Edit(ConfigurationEditorMode mode);
  std::string ProgramFolder() const;

  const store::CTemplateList* templates_;
  ripconfig::RavlcfgHandle* config_ = nullptr;
  bool lockHeld_ = false;
  bool failed_ = false;
  bool viewOnly_ = false;
  std::vector<std::string> names_;
  int inUse_ = -1;
  int selected_ = -1;
};

// "Dispatcher %s is running.\nYou cannot save changes for a running dispatcher." with the name.
std::string RunningSaveMessage(const std::string& name);

}  // namespace rvc::settings
