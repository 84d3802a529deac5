// The About dialog: the picture, the product and build lines, the configuration folder
// and the trace file.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class AboutView;
}  // namespace Ui

namespace rvc::window {
class CAboutDlg;
}  // namespace rvc::window

namespace rvc::ui {

class AboutView : public CDialogView {
  Q_OBJECT
 public:
  AboutView(window::CAboutDlg& model, QWidget* parent = nullptr);
  ~AboutView() override;

 private:
  std::unique_ptr<Ui::AboutView> ui_;
};

}  // namespace rvc::ui
