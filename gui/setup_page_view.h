// The Setup page in its tab: the dispatcher's environment variables with New..., Modify...
// and Delete, and its three folders, each with Browse.... A widget of the tab, not a window.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class SetupPageView;
}  // namespace Ui

namespace rvc::settings {
class CSetup;
}  // namespace rvc::settings

namespace rvc::ui {

class SetupPageView : public CDialogView {
  Q_OBJECT
 public:
  SetupPageView(settings::CSetup& model, QWidget* parent = nullptr);
  ~SetupPageView() override;

 private:
  // Shows the model's rows and folders again.
  void Refresh();
  // Enables the buttons as the model says.
  void ShowButtons();

  settings::CSetup& model_;
  std::unique_ptr<Ui::SetupPageView> ui_;
};

}  // namespace rvc::ui
