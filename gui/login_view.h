// "Login dialog": OK and Cancel close as such; "View Mode" tells the model and closes
// with Cancel.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class LoginView;
}  // namespace Ui

namespace rvc::frame {
class CLoginDialog;
}  // namespace rvc::frame

namespace rvc::ui {

class LoginView : public CDialogView {
  Q_OBJECT
 public:
  LoginView(frame::CLoginDialog& model, QWidget* parent = nullptr);
  ~LoginView() override;

  void accept() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  frame::CLoginDialog& model_;
  std::unique_ptr<Ui::LoginView> ui_;
};

}  // namespace rvc::ui
