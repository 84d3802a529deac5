// "Environment Variable": the name, value and comment of one variable of a dispatcher;
// the name can be edited in new mode only.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class EnvironmentVariableView;
}  // namespace Ui

namespace rvc::settings {
class CEnvironmentVariables;
}  // namespace rvc::settings

namespace rvc::ui {

class EnvironmentVariableView : public CDialogView {
  Q_OBJECT
 public:
  EnvironmentVariableView(settings::CEnvironmentVariables& model, QWidget* parent = nullptr);
  ~EnvironmentVariableView() override;

 protected:
  void WriteBack() override;

 private:
  settings::CEnvironmentVariables& model_;
  std::unique_ptr<Ui::EnvironmentVariableView> ui_;
};

}  // namespace rvc::ui
