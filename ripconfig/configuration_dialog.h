// The configuration dialog: creates, modifies or shows one RIP configuration of a
// dispatcher (a name, a media, a resolution set and an output folder), and opens the media
// and resolution set editors. It works on the configuration that the General page holds
// open with the write lock and changes it in memory only; the General page writes it.
#pragma once

#include <string>
#include <vector>

#include "ripconfig/editor_context.h"
#include "ui/user_interface.h"

namespace rvc::ripconfig {

// The view shows Title(), binds Name and OutputFolder, shows both lists with their
// selected and used rows (the used row with a check image), enables the buttons by the
// *Enabled() rules and calls the handlers; it shows the model again after each call.
class CConfiguration : public ui::IDialogModel {
 public:
  static constexpr const char* kNameField = "Name";
  static constexpr const char* kMediaField = "Media";
  static constexpr const char* kOutputField = "OutputFolder";
  static constexpr const char* kBrowseTitle = "Please select folder";
  // The characters a configuration name must not hold.
  static constexpr const char* kForbidden = " .,;\\/:*?<>|#";

  // One of the two lists: names in the configuration's order, the selected row and the
  // used row (-1 for none).
  struct List {
    std::vector<std::string> names;
    int selected = -1;
    int used = -1;
    std::string UsedName() const;
  };

  // `name` is the configuration to modify or show; ignored in new mode.
  CConfiguration(const EditorContext& context, EditorMode mode, std::string name);
  std::string DialogName() const override { return "Configuration"; }

  // Fills both lists and, in modify and view mode, the fields from the configuration.
  void OnInitDialog();
  ui::DialogResult Run();
  std::string Title() const;
  EditorMode Mode() const { return mode_; }
  bool Editable() const { return mode_ != EditorMode::View; }

  // Enabling of the buttons of a list.
  bool ModifyEnabled(const List& list) const { return Editable() && list.selected >= 0; }  // also Delete, Use
  bool ViewEnabled(const List& list) const { return list.selected >= 0; }
  bool NewEnabled() const { return Editable(); }

  // Media list.
  void OnMediaClick(int row);
  void OnMediaDoubleClick(int row);
  void OnMediaNew();
  void OnMediaModify();
  void OnMediaView();
  void OnMediaDelete();
  void OnUseMedia();
  // Resolution set list.
  void OnSetClick(int row);
  void OnSetDoubleClick(int row);
  void OnSetNew();
  void OnSetModify();
  void OnSetView();
  void OnSetDelete();
  void OnUseSet();
  // "Browse...": the folder picker; a chosen folder fills OutputFolder.
  void OnBrowse();

  // The checks in order (135, 178, in new mode 177 and 189, 130, 171), then the record
  // is stored.
  bool OnOk() override;
  // A name the dialog accepts as a configuration name (no character of kForbidden).
  static bool NameAllowed(const std::string& name);

  std::string Name;
  std::string OutputFolder;
  List Media;
  List Sets;

 private:
  void Refresh();
  void RunMediaEditor(EditorMode mode);
  void RunSetEditor(EditorMode mode);
  bool Refuse(int message, const char* field);

  EditorContext context_;
  EditorMode mode_;
  std::string openedName_;
};

// The entry point of the General page: runs the configuration dialog on `handle` (held
// open with the write lock) for a new configuration, or to modify or show `name`.
// `programFolder` and `deviceType` find the plug-in editors; `configPath` is the
// dispatcher's "data/zv_config.res".
ui::DialogResult RunConfigurationDialog(RavlcfgHandle* handle, EditorMode mode, const std::string& name,
                                        const std::string& programFolder, const std::string& deviceType,
                                        const std::string& configPath, IEditorPlugins* plugins = nullptr);

}  // namespace rvc::ripconfig
