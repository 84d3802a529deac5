// "Change device type": the types, the PPD field and "Browse...".
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class ChangeTypeView;
}  // namespace Ui

namespace rvc::lifecycle {
class CChangeDevType;
}  // namespace rvc::lifecycle

namespace rvc::ui {

class ChangeTypeView : public CDialogView {
  Q_OBJECT
 public:
  ChangeTypeView(lifecycle::CChangeDevType& model, QWidget* parent = nullptr);
  ~ChangeTypeView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  void ShowPpd();

  lifecycle::CChangeDevType& model_;
  std::unique_ptr<Ui::ChangeTypeView> ui_;
};

}  // namespace rvc::ui
