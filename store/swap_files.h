// The swap files of a dispatcher ("swap_0.sfd" for the PostScript channel, "swap_1.sfd"
// and "swap_2.sfd" for the two output channels): the folders the RIP may use for swap
// data. CSwapfiles loads the three files, holds their folder lists as the swap files page
// edits them, and writes them back in the canonical form:
//
//   [persistent]
//   <one folder per line>
//   [volatile]
//   <the same folders again>
//
// Reading lower-cases every line, skips lines holding "persistent", "volatile" or "#"
// (and empty lines), and keeps each folder once (ignoring case), in the order of first
// appearance, at most kMaxEntries per file. Creation and the folder renames use the same
// object without a view to canonicalise the files.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace rvc::store {

class CSwapfiles {
 public:
  static constexpr int kFiles = 3;
  static constexpr int kMaxEntries = 10;
  // List titles, by file.
  static constexpr std::array<const char*, kFiles> kTitles = {"Swapfiles for PS Channel", "Swapfiles for GRO Channel 1",
                                                              "Swapfiles for GRO Channel 2"};
  static constexpr const char* kBrowseTitle = "Select directory for swapfiles";

  // Loads the three files; one that cannot be opened raises CRvcException 104 with its path.
  CSwapfiles(std::string swap0, std::string swap1, std::string swap2);

  // Writes the three files in the canonical form; 104 for a file that cannot be written
  // (the files before it are written already).
  void Save() const;

  const std::vector<std::string>& Entries(int file) const { return entries_.at(static_cast<size_t>(file)); }
  const std::string& Path(int file) const { return paths_.at(static_cast<size_t>(file)); }

  // Add... of file `file`: asks for a folder and appends it (AddFolder). True when added.
  bool Add(int file);
  // Appends `folder` unless it is empty, the file holds kMaxEntries already or an equal
  // folder (ignoring case) is held. True when added.
  bool AddFolder(int file, const std::string& folder);
  // The row of the lists that was clicked last; Remove acts on it.
  void SetClickedRow(int row) { clickedRow_ = row; }
  int ClickedRow() const { return clickedRow_; }
  // Remove of file `file`: with fewer than two entries reports CRvcException 119 ("You can
  // not delete this swapfile") and keeps them; otherwise removes the clicked row's entry
  // (nothing when that row does not exist). True when an entry went.
  bool Remove(int file);

  void SetViewOnly(bool viewOnly) { viewOnly_ = viewOnly; }
  // In view-only mode the six buttons are disabled.
  bool ButtonsEnabled() const { return !viewOnly_; }

 private:
  void Load(int file);

  std::array<std::string, kFiles> paths_;
  std::array<std::vector<std::string>, kFiles> entries_;
  int clickedRow_ = -1;
  bool viewOnly_ = false;
};

}  // namespace rvc::store
