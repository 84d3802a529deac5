// The Change Type command of the main window: gives the selected dispatcher another
// device type, optionally from a PPD.
//
// The dispatcher is not edited in place. A new one with the same name, port separator,
// command port and launchers is built from it (CreateDispatcher), and only when that
// succeeded is the old one deleted. The first dispatcher, and one that keeps its type, is
// built under the temporary folder <Folder>_dub and then gets its old folder name back;
// any other dispatcher moves to a folder named after its new type and to the end of the
// list.
#pragma once

#include <string>
#include <vector>

#include "lifecycle/intent_journal.h"
#include "lifecycle/new_dispatcher.h"
#include "store/template_list.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {

// The "Change device type" dialog. A view lists DeviceTypes, binds DeviceType and PpdPath,
// calls OnTypeChanged and OnBrowse for the controls and closes with Ok or Cancel; the
// dialog stays open while OnOk() refuses the input.
class CChangeDevType : public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "Change device type";
  static constexpr const char* kBrowseTitle = "Select a PPD file";
  // The field that a refused OK names: "Browse...".
  static constexpr const char* kBrowseField = "Browse";

  // `templates` outlives the dialog; `currentType` is the dispatcher's type now.
  CChangeDevType(const store::CTemplateList& templates, std::string currentType);
  std::string DialogName() const override { return "ChangeDevType"; }

  ui::DialogResult Run();

  // Lists every type and selects the current one (else the first); "From PPD" is enabled
  // when the current type is a PPD type.
  void OnInitDialog();
  // The selection changed: "From PPD" and "Browse..." are enabled for a PPD type only;
  // otherwise the path is cleared.
  void OnTypeChanged();
  // "Browse...": the file-open dialog, starting in PpdFolder; a chosen file goes into
  // "From PPD".
  void OnBrowse();
  // A PPD type without a PPD path is refused with message 162 (focus to "Browse...").
  bool OnOk() override;

  // "_FromPPD" (ignoring case), or a name containing "_FromPPD" or "_fromppd".
  static bool IsPpdType(const std::string& typeName);
  // The selected type's name; "" when none is selected.
  std::string ChosenType() const;

  std::vector<std::string> DeviceTypes;
  int DeviceType = 0;
  std::string PpdPath;      // "From PPD"
  bool PpdEnabled = false;  // "From PPD" and "Browse..."
  bool BrowseFocused = false;
  std::string PpdFolder;  // the flavour's data folder

 private:
  const store::CTemplateList& templates_;
  std::string currentType_;
};

// "Change Type" for the dispatcher at context.CurrentIndex. True when the dispatcher now
// has the chosen type. Stops with nothing changed when a file of its folder is open
// elsewhere (172), when it runs, on Cancel, for a PPD that cannot be parsed and when the
// creation of the replacement fails (reported and rolled back by the creation); nothing
// happens in view-only mode.
//
// The change is journaled ("change-type"): while the replacement is built (step "") a
// killed run is rolled back by the recovery; from step "replace" on it is completed
// (CompleteReplacement), and at step "ppd" only the PPD is left to make.
bool OnChangeType(CommandContext& context);

// The change's steps on disk after the replacement was built: the old dispatcher's ini
// copy and folder go; with keepFolder the replacement is renamed back to the old folder
// name (its ini copy under the built name goes first) and its files, launchers and queues
// follow; with hadListCopy the final ini copy is written. Each step tolerates its own
// earlier run, so that a recovery can run it again from any point; the journal records
// the steps reached ("ini-copy-removed", "folder-removed", "renamed", "files-renamed").
void CompleteReplacement(CIntentJournal& journal);

}  // namespace rvc::lifecycle
