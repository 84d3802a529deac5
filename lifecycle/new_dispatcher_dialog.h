// The three "New Dispatcher" dialogs: the name, device type and initial queue setup of a
// new dispatcher, plus a PPD (CNewDispatcher) or the variable-data-printing mode
// (CNewDispatcherVDPMode) depending on the flavour. The Modify command runs them in
// retype mode to make the operator choose a device type.
//
// The classes are models: a view shows the lists and fields, writes the operator's input
// back into them, calls OnTypeChanged and OnBrowse for the controls, and closes with Ok
// or Cancel; the dialog stays open while OnOk() refuses the input.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "store/dispatcher_list.h"
#include "store/template_list.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {

class CNewDispatcherDialog : public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "New Dispatcher";
  static constexpr const char* kFactoryDefault = "Use Factory Default";
  // The characters that a dispatcher name may not hold (message 126).
  static constexpr const char* kForbiddenNameCharacters = "\\/:*?\"<>|";
  // The field that a refused OK names: "Name:".
  static constexpr const char* kNameField = "Name";

  // `templates` and `dispatchers` belong to the flavour and outlive the dialog.
  CNewDispatcherDialog(const store::CTemplateList& templates, const store::CDispatcherList& dispatchers,
                       bool retypeMode);

  // Shows the dialog until Ok is accepted (Ok) or the operator cancels (Cancel).
  ui::DialogResult Run();

  // Fills the lists and selects their first entries; called once by Run().
  virtual void OnInitDialog();
  // The OK button: true when the dialog may close; otherwise the operator has been told
  // why and the dialog stays (a forbidden, unusable or taken name: focus on "Name:").
  bool OnOk() override;

  bool RetypeMode() const { return retypeMode_; }
  // The name of the selected device type; "" when none is selected.
  std::string ChosenType() const;
  // The PPD path entered (only CNewDispatcher has one).
  virtual std::string Ppd() const { return {}; }
  // 1 for "Active", 0 for "Disabled" (only CNewDispatcherVDPMode asks).
  virtual int VdpIndex() const { return 0; }

  // Set before Run(): the proposed name, which the operator edits.
  std::string Name;
  // Set before Run(): false disables the Initial Queue Setup list.
  bool queueSetupEnabled = true;
  // Set before Run(): the dispatcher lists of every installed flavour, for the check that
  // a name is new; when empty, the flavour's own list is checked.
  std::vector<const store::CDispatcherList*> installedDispatchers;

  // "Device Type:" entries and the selected index.
  std::vector<std::string> DeviceTypes;
  int DeviceType = 0;
  // "Initial Queue Setup:" entries ("Use Factory Default", "Copy <name>"...) and the
  // selected index.
  std::vector<std::string> QueueSetups;
  int QueueSetup = 0;
  bool QueueSetupListEnabled = true;
  // Off in retype mode: the operator must choose a type.
  bool CancelEnabled = true;

 protected:
  const store::CTemplateList& templates_;
  const store::CDispatcherList& dispatchers_;

 private:
  bool NameIsTaken() const;

  bool retypeMode_;
};

// With a PPD: types whose name marks them as made from a PPD ask for one.
class CNewDispatcher : public CNewDispatcherDialog {
 public:
  static constexpr std::size_t kMaxPpdPath = 512;
  static constexpr const char* kBrowseTitle = "Select a PPD file";
  // The field that a refused OK names: "Browse...".
  static constexpr const char* kBrowseField = "Browse";

  using CNewDispatcherDialog::CNewDispatcherDialog;
  std::string DialogName() const override { return "NewDispatcher"; }

  void OnInitDialog() override;
  bool OnOk() override;
  // The device type selection changed: the PPD field and "Browse..." are enabled for a PPD
  // type only; otherwise the path is cleared.
  void OnTypeChanged();
  // "Browse...": the file-open dialog, starting in the flavour's data folder; a chosen file
  // goes into the PPD field.
  void OnBrowse();

  // "_FromPPD" (ignoring case), or a name containing "_FromPPD" or "_fromPPD".
  static bool IsPpdType(const std::string& typeName);

  std::string Ppd() const override { return PpdPath; }

  // "Specify a PPD to Use :" (at most kMaxPpdPath characters).
  std::string PpdPath;
  bool PpdEnabled = false;  // the field and "Browse..."
  // Set when OK sent the operator to "Browse...".
  bool BrowseFocused = false;
};

class CNewDispatcherNoPPD : public CNewDispatcherDialog {
 public:
  using CNewDispatcherDialog::CNewDispatcherDialog;
  std::string DialogName() const override { return "NewDispatcherNoPPD"; }
};

// With the variable-data-printing mode of the new dispatcher.
class CNewDispatcherVDPMode : public CNewDispatcherDialog {
 public:
  using CNewDispatcherDialog::CNewDispatcherDialog;
  std::string DialogName() const override { return "NewDispatcherVDPMode"; }

  void OnInitDialog() override;
  int VdpIndex() const override;

  // "Variable Data Printing:" entries ("Active", "Disabled") and the selected index.
  std::vector<std::string> VdpModes;
  int VdpMode = 0;
};

// Which dialog a flavour uses, by the Flavor of its type list: "Tiffmono", "Tiffgray",
// "P", "Proof" and "DCS" choose a PPD, "Dedezi" the VDP mode, any other has neither.
enum class NewDispatcherKind { WithPpd, NoPpd, VdpMode };
NewDispatcherKind NewDispatcherKindOf(const std::string& flavor);

// The dialog of the flavour whose types are `templates` (New, and Modify in retype mode).
std::unique_ptr<CNewDispatcherDialog> MakeNewDispatcherDialog(const store::CTemplateList& templates,
                                                              const store::CDispatcherList& dispatchers,
                                                              bool retypeMode);

}  // namespace rvc::lifecycle
