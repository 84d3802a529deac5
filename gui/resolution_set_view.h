// A resolution set: its values with their gamma, and the buttons that add, change, delete and show them.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class ResolutionSetView;
}  // namespace Ui

namespace rvc::ripconfig {
class CResolution;
}  // namespace rvc::ripconfig

namespace rvc::ui {

class ResolutionSetView : public CDialogView {
  Q_OBJECT
 public:
  ResolutionSetView(ripconfig::CResolution& model, QWidget* parent = nullptr);
  ~ResolutionSetView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  void Show();

  ripconfig::CResolution& model_;
  std::unique_ptr<Ui::ResolutionSetView> ui_;
};

}  // namespace rvc::ui
