// One resolution value and its gamma (hidden for screenings of 8 bits per spot).
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class ResolutionValueView;
}  // namespace Ui

namespace rvc::ripconfig {
class CResAndCal;
}  // namespace rvc::ripconfig

namespace rvc::ui {

class ResolutionValueView : public CDialogView {
  Q_OBJECT
 public:
  ResolutionValueView(ripconfig::CResAndCal& model, QWidget* parent = nullptr);
  ~ResolutionValueView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  void Show();

  ripconfig::CResAndCal& model_;
  std::unique_ptr<Ui::ResolutionValueView> ui_;
};

}  // namespace rvc::ui
