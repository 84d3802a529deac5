// "PPD Preferences": the copy location with "Browse...", and the two check boxes.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class PpdPreferencesView;
}  // namespace Ui

namespace rvc::lifecycle {
class CCopyPPDDlg;
}  // namespace rvc::lifecycle

namespace rvc::ui {

class PpdPreferencesView : public CDialogView {
  Q_OBJECT
 public:
  PpdPreferencesView(lifecycle::CCopyPPDDlg& model, QWidget* parent = nullptr);
  ~PpdPreferencesView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  lifecycle::CCopyPPDDlg& model_;
  std::unique_ptr<Ui::PpdPreferencesView> ui_;
};

}  // namespace rvc::ui
