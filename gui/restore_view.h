// "Restore": the backup folder with "Browse...", the backed-up flavours (one selection)
// and the dispatchers of the selected one (several selections).
#pragma once

#include "gui/dialog_view.h"

class QLineEdit;
class QListWidget;

namespace rvc::backup {
class CRestoreDlg;
}  // namespace rvc::backup

namespace rvc::ui {

class RestoreView : public CDialogView {
 public:
  RestoreView(backup::CRestoreDlg& model, QWidget* parent = nullptr);

 protected:
  void WriteBack() override;

 private:
  void Show();

  backup::CRestoreDlg& model_;
  QLineEdit* folder_ = nullptr;
  QListWidget* flavours_ = nullptr;
  QListWidget* dispatchers_ = nullptr;
};

}  // namespace rvc::ui
