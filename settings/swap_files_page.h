// The Swapfiles page of the dispatcher settings editor: the three swap files of the
// dispatcher (PostScript channel, output channels 1 and 2), each a list of up to ten swap
// folders with Add... and Remove. The files are read and written by store::CSwapfiles;
// they change only through Save(), after the editor's OK.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/page.h"
#include "store/swap_files.h"
#include "ui/user_interface.h"

namespace rvc::settings {

class CSwapfilesPage : public IPage, public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "Swapfiles";
  static constexpr int kFiles = store::CSwapfiles::kFiles;

  // The dispatcher's "swap_0.sfd", "swap_1.sfd" and "swap_2.sfd".
  CSwapfilesPage(std::string swap0, std::string swap1, std::string swap2, bool viewOnly = false);

  // --- IPage ---
  std::string Title() const override { return kTitle; }
  // Reads the three files; one that cannot be read is reported (104) and leaves the page
  // without lists.
  void Load() override;
  std::optional<PageRefusal> Validate() const override { return std::nullopt; }
  // Writes the three files (104 for one that cannot be written).
  void Save() override;
  bool HasChanges() const override;
  void SetViewOnly(bool viewOnly) override;

  std::string DialogName() const override { return "SwapfilesPage"; }

  bool Loaded() const { return files_ != nullptr; }
  // The folders of file `file` (0 to 2), in order; empty before a successful Load().
  const std::vector<std::string>& Entries(int file) const;
  // The six buttons.
  bool ButtonsEnabled() const { return files_ != nullptr && files_->ButtonsEnabled(); }

  // A click on row `row` of a list; Remove acts on it.
  void Click(int row);
  // Add... of file `file`: the folder picker; the folder is appended unless the file holds
  // ten folders or that folder already. True when added.
  bool OnAdd(int file);
  // The same with the folder given.
  bool AddFolder(int file, const std::string& folder);
  // Remove of file `file`: 119 for the last folder of a file; otherwise the clicked row
  // goes. True when a folder went.
  bool OnRemove(int file);

 private:
  std::array<std::string, kFiles> paths_;
  bool viewOnly_;
  std::unique_ptr<store::CSwapfiles> files_;
  std::array<std::vector<std::string>, kFiles> loaded_;
};

}  // namespace rvc::settings
