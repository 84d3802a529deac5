#include "settings/setup_page.h"

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "frame/rvc_app.h"
#include "platform/path.h"
#include "settings/environment_variable_dialog.h"
#include "store/rvc_utils.h"

namespace rvc::settings {
namespace {

struct FolderItem {
  const char* topic;
  const char* item;
  const char* browseTitle;
};
constexpr std::array<FolderItem, CSetup::kFolders> kFolderItems = {{
    {"folder", "hotfolder", "Select directory for Hot Folder"},
    {"PavoNet", "ldir1", "Select local directory"},
    {"PavoNet", "ldir2", "Select local directory"},
}};

}  // namespace

CSetup::CSetup(std::string iniFile, bool viewOnly) : iniFile_(std::move(iniFile)), viewOnly_(viewOnly) {}

std::string CSetup::VdpModeRule(const std::string& iniFile, const std::string& name, const std::string& value) {
  const std::string upperValue = platform::ToUpperAscii(value);
  if (platform::ToUpperAscii(iniFile).find("VOVODODIZEZA") != std::string::npos &&
      platform::ToUpperAscii(name) == "VDP_MODE" && std::string("STATIC|VDP").find(upperValue) == std::string::npos) {
    return "STATIC";
  }
  return value;
}

void CSetup::Load() {
  if (db_) return;
  db_ = store::ResourceDb::Open(iniFile_);
  if (!db_) {
    CRvcException(msg::kResourceDbError, iniFile_).Report();
    return;
  }
  if (!db_->HasTopic(kEnvironmentTopic)) db_->AddTopic(kEnvironmentTopic);
  const int count = db_->ItemCount(kEnvironmentTopic);
  for (int i = 0; i < count; ++i) {
    const std::string name = db_->ItemAt(kEnvironmentTopic, i).value_or("");
    // Items are found by name; a name held twice shows the value that lookups find.
    rows_.push_back({name, db_->Find(kEnvironmentTopic, name).value_or(""),
                     db_->FindItemComment(kEnvironmentTopic, name).value_or("")});
  }
  for (int folder = 0; folder < kFolders; ++folder) {
    const FolderItem& item = kFolderItems[static_cast<size_t>(folder)];
    folders_[static_cast<size_t>(folder)] = db_->Find(item.topic, item.item).value_or("");
  }
  clicked_ = -1;
}

void CSetup::Save() {
  if (db_ && !viewOnly_) db_->Flush();
}

int CSetup::RowOf(const std::string& name) const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (platform::EqualsNoCase(rows_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void CSetup::Click(int row) { clicked_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1; }

void CSetup::OnNew() {
  if (!NewEnabled()) return;
  CEnvironmentVariables dialog;
  dialog.SetNewMode(true);
  if (dialog.Run() != ui::DialogResult::Ok) return;
  AddVariable({dialog.Variable, dialog.Value, dialog.Comment});
}

void CSetup::OnModify() {
  if (!RowButtonsEnabled()) return;
  const EnvironmentRow& row = rows_[static_cast<size_t>(clicked_)];
  CEnvironmentVariables dialog;
  dialog.Variable = row.name;
  dialog.Value = row.value;
  dialog.Comment = row.comment;
  if (dialog.Run() != ui::DialogResult::Ok) return;
  ModifyVariable(clicked_, dialog.Value, dialog.Comment);
}

void CSetup::OnDelete() {
  if (!RowButtonsEnabled()) return;
  if (ui::ShowMessage(kAskDelete, frame::kApplicationName, ui::Buttons::YesNo, ui::Icon::Question) !=
      ui::Answer::Yes) {
    return;
  }
  RemoveVariable(clicked_);
}

void CSetup::AddVariable(const EnvironmentRow& row) {
  if (!db_ || viewOnly_ || row.name.empty()) return;
  rows_.push_back(row);
  db_->AddItem(kEnvironmentTopic, row.name, row.value, row.comment);
}

void CSetup::ModifyVariable(int row, std::string value, const std::string& comment) {
  if (!db_ || viewOnly_ || row < 0 || row >= static_cast<int>(rows_.size())) return;
  EnvironmentRow& shown = rows_[static_cast<size_t>(row)];
  if (std::string allowed = VdpModeRule(iniFile_, shown.name, value); allowed != value) {
    ui::ShowMessage(kVdpWarning, frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
    value = std::move(allowed);
  }
  shown.value = value;
  shown.comment = comment;
  db_->Modify(kEnvironmentTopic, shown.name, value);
  db_->ModifyItemComment(kEnvironmentTopic, shown.name, comment);
}

void CSetup::RemoveVariable(int row) {
  if (!db_ || viewOnly_ || row < 0 || row >= static_cast<int>(rows_.size())) return;
  const std::string name = rows_[static_cast<size_t>(row)].name;
  db_->RemoveItem(kEnvironmentTopic, name);
  // Every item of that name left the file, so every row of it goes.
  std::erase_if(rows_, [&name](const EnvironmentRow& shown) { return platform::EqualsNoCase(shown.name, name); });
  clicked_ = -1;
}

void CSetup::OnBrowse(Folder folder) {
  if (!BrowseEnabled()) return;
  const std::string chosen =
      store::CRvcUtils::BrowseForFolder(kFolderItems.at(static_cast<size_t>(folder)).browseTitle, "");
  if (!chosen.empty()) SetFolder(folder, chosen);
}

void CSetup::SetFolder(Folder folder, const std::string& path) {
  if (!db_ || viewOnly_) return;
  const FolderItem& item = kFolderItems.at(static_cast<size_t>(folder));
  folders_[static_cast<size_t>(folder)] = path;
  db_->Set(item.topic, item.item, path);
}

}  // namespace rvc::settings
