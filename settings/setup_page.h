// The Setup page of the dispatcher settings editor: the dispatcher's ini file
// ("zv" + folder + "_dispatcher.ini", a resource database) as the operator edits it: the
// environment variables of topic "environment" (name, value, comment) and three folders,
// the PostScript hot folder ("hotfolder" in "folder") and the temporary folders of the two
// output channels ("ldir1" and "ldir2" in "PavoNet").
//
// The file stays open from Load() to the page's destruction; changes reach it only through
// Save(), after the editor's OK.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "settings/page.h"
#include "store/resource_db.h"
#include "ui/user_interface.h"

namespace rvc::settings {

struct EnvironmentRow {
  std::string name;
  std::string value;
  std::string comment;
  bool operator==(const EnvironmentRow&) const = default;
};

class CSetup : public IPage, public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "Setup";
  static constexpr const char* kEnvironmentTopic = "environment";
  static constexpr const char* kAskDelete = "Are you sure you want to delete this environment variable ?";
  static constexpr const char* kVdpWarning = "VDP_MODE needs to be one of \"STATIC\" or \"VDP\",\nresetting to STATIC";

  enum Folder { HotFolder = 0, Channel1 = 1, Channel2 = 2 };
  static constexpr int kFolders = 3;
  // The labels of the three folder edits, by Folder.
  static constexpr std::array<const char*, kFolders> kFolderLabels = {
      "PS Hot Folder: ", "Temporary Files for GRO Channel 1 on:", "Temporary Files for GRO Channel 2 on:"};

  explicit CSetup(std::string iniFile, bool viewOnly = false);

  // --- IPage ---
  std::string Title() const override { return kTitle; }
  // Opens the ini file (109 reported when it cannot be read; the page stays empty) and
  // reads the variables and folders.
  void Load() override;
  std::optional<PageRefusal> Validate() const override { return std::nullopt; }
  // Writes the ini file (109 when it cannot be written).
  void Save() override;
  bool HasChanges() const override { return db_ && !viewOnly_ && db_->Changed(); }
  void SetViewOnly(bool viewOnly) override { viewOnly_ = viewOnly; }

  std::string DialogName() const override { return "SetupPage"; }

  const std::string& IniFile() const { return iniFile_; }
  bool Loaded() const { return db_.has_value(); }
  bool ViewOnly() const { return viewOnly_; }

  // --- The environment list ---
  const std::vector<EnvironmentRow>& Rows() const { return rows_; }
  // The row of the variable `name` (ignoring case), or -1.
  int RowOf(const std::string& name) const;
  // A click on a row (-1: none); Modify and Delete act on it.
  void Click(int row);
  int ClickedRow() const { return clicked_; }
  // New is enabled outside view mode; Modify and Delete also need a clicked row.
  bool NewEnabled() const { return db_ && !viewOnly_; }
  bool RowButtonsEnabled() const { return NewEnabled() && clicked_ >= 0; }
  bool BrowseEnabled() const { return db_ && !viewOnly_; }

  // New...: the "Environment Variable" dialog in new mode; on OK the variable is added
  // (a variable without a name is not: the file could not hold it).
  void OnNew();
  // Modify...: the dialog with the clicked row; on OK its value and comment change.
  void OnModify();
  // Delete: asks, then removes the clicked row's variable.
  void OnDelete();

  // The same changes without a dialog, for callers that have the input already.
  void AddVariable(const EnvironmentRow& row);
  // Applies the VDP_MODE rule, which may reset the value to "STATIC" after its warning.
  void ModifyVariable(int row, std::string value, const std::string& comment);
  void RemoveVariable(int row);

  // --- The folders ---
  const std::string& FolderText(Folder folder) const { return folders_.at(static_cast<size_t>(folder)); }
  // Browse...: the folder picker; a folder chosen is shown and stored.
  void OnBrowse(Folder folder);
  void SetFolder(Folder folder, const std::string& path);

  // The value that the VDP_MODE rule lets `value` become for variable `name` of `iniFile`:
  // unchanged, or "STATIC" when the installation's path holds "VOVODODIZEZA" and the
  // upper-cased value is no part of "STATIC|VDP".
  static std::string VdpModeRule(const std::string& iniFile, const std::string& name, const std::string& value);

 private:
  std::string iniFile_;
  std::optional<store::ResourceDb> db_;
  bool viewOnly_ = false;
  std::vector<EnvironmentRow> rows_;
  std::array<std::string, kFolders> folders_;
  int clicked_ = -1;
};

}  // namespace rvc::settings
