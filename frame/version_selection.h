// The choice of the product version: one flavour catalogue "rvc_<version>.dat" per
// installed version of 6.0 or later lies in the folder of KW_DATA_RAVLINCONFIG.
#pragma once

#include <string>
#include <vector>

#include "store/rvc_utils.h"
#include "ui/user_interface.h"

namespace rvc::frame {

// The version selection dialog's model (dialog "VersionSelection", title
// "RavlinConfigurator : Select a Ravlin Version"). The view lists Entries, binds
// Selection and closes with Ok or Cancel.
class CVersionSelection : public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "RavlinConfigurator : Select a Ravlin Version";

  std::string DialogName() const override { return "VersionSelection"; }

  // Finds the versions and lets the user choose. Ok leaves ChosenVersion and
  // ChosenCatalogue set. Without KW_DATA_RAVLINCONFIG, or without any qualifying
  // catalogue, the user is told so and the result is Cancel. A single version is taken
  // without showing the dialog.
  ui::DialogResult Run();

  // Fills the lists from the qualifying catalogues found in `folder`.
  void FindVersions(const std::string& folder);
  // Takes the selected entry as the choice (the OK button); always lets the dialog close.
  bool OnOk() override;

  std::vector<std::string> Entries;  // "Ravlin <version>", as listed
  int Selection = -1;
  std::string Choice = "Ravlin 10.1";
  std::string ChosenVersion = "10.1";
  std::string ChosenCatalogue = "rvc.dat";
  std::vector<std::string> Versions;
  std::vector<std::string> Catalogues;

 private:
  store::CRvcUtils utils_;
};

// The version that a catalogue file offers, e.g. "10.1" for "rvc_10.1.dat"; "" when it
// offers none: "rvc.dat", names without "_", versions without "." and versions below 6.0.
std::string CatalogueVersion(const std::string& fileName);

}  // namespace rvc::frame
