// The General page in its tab: the dispatcher's RIP configurations, the one in use marked,
// with New..., Modify..., View..., Delete and Use as Default. A widget of the tab, not a
// window.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class GeneralPageView;
}  // namespace Ui

namespace rvc::settings {
class CGeneral;
}  // namespace rvc::settings

namespace rvc::ui {

class GeneralPageView : public CDialogView {
  Q_OBJECT
 public:
  GeneralPageView(settings::CGeneral& model, QWidget* parent = nullptr);
  ~GeneralPageView() override;

 private:
  // Shows the model's list, marks and enabled buttons again.
  void Refresh();
  // Enables the buttons as the model says.
  void ShowButtons();

  settings::CGeneral& model_;
  std::unique_ptr<Ui::GeneralPageView> ui_;
};

}  // namespace rvc::ui
