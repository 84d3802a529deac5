#include "settings/swap_files_page.h"

#include "core/rvc_exception.h"

namespace rvc::settings {

CSwapfilesPage::CSwapfilesPage(std::string swap0, std::string swap1, std::string swap2, bool viewOnly)
    : paths_{std::move(swap0), std::move(swap1), std::move(swap2)}, viewOnly_(viewOnly) {}

void CSwapfilesPage::Load() {
  if (files_) return;
  try {
    files_ = std::make_unique<store::CSwapfiles>(paths_[0], paths_[1], paths_[2]);
  } catch (const CRvcException& error) {
    error.Report();
    return;
  }
  files_->SetViewOnly(viewOnly_);
  for (int file = 0; file < kFiles; ++file) loaded_[static_cast<size_t>(file)] = files_->Entries(file);
}

void CSwapfilesPage::Save() {
  if (files_ && !viewOnly_) files_->Save();
}

bool CSwapfilesPage::HasChanges() const {
  if (!files_ || viewOnly_) return false;
  for (int file = 0; file < kFiles; ++file) {
    if (files_->Entries(file) != loaded_[static_cast<size_t>(file)]) return true;
  }
  return false;
}

void CSwapfilesPage::SetViewOnly(bool viewOnly) {
  viewOnly_ = viewOnly;
  if (files_) files_->SetViewOnly(viewOnly);
}

const std::vector<std::string>& CSwapfilesPage::Entries(int file) const {
  static const std::vector<std::string> none;
  return files_ ? files_->Entries(file) : none;
}

void CSwapfilesPage::Click(int row) {
  if (files_) files_->SetClickedRow(row);
}

bool CSwapfilesPage::OnAdd(int file) { return ButtonsEnabled() && files_->Add(file); }

bool CSwapfilesPage::AddFolder(int file, const std::string& folder) {
  return ButtonsEnabled() && files_->AddFolder(file, folder);
}

bool CSwapfilesPage::OnRemove(int file) { return ButtonsEnabled() && files_->Remove(file); }

}  // namespace rvc::settings
