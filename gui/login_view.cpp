#include "gui/login_view.h"

#include <QPushButton>

#include "frame/login.h"
#include "gui/qt_text.h"
#include "ui_login_view.h"

namespace rvc::ui {

LoginView::LoginView(frame::CLoginDialog& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::LoginView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(frame::CLoginDialog::kTitle));
  ui_->promptLabel->setText(ToQt(frame::CLoginDialog::kPrompt));
  ui_->userNameEdit->setText(ToQt(model_.UserName));
  connect(ui_->okButton, &QPushButton::clicked, this, &LoginView::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &LoginView::reject);
  connect(ui_->viewModeButton, &QPushButton::clicked, this, [this] {
    model_.ChooseViewMode();
    QDialog::reject();
  });
  ui_->userNameEdit->setFocus();
}

LoginView::~LoginView() = default;

void LoginView::accept() {
  // The check of the account takes seconds: the buttons rest greyed out (and the model
  // shows the wait cursor) until it has answered.
  const QList<QPushButton*> buttons{ui_->okButton, ui_->cancelButton, ui_->viewModeButton};
  for (QPushButton* button : buttons) button->setEnabled(false);
  CDialogView::accept();
  for (QPushButton* button : buttons) button->setEnabled(true);
}

void LoginView::WriteBack() {
  model_.UserName = FromQt(ui_->userNameEdit->text());
  model_.Password = FromQt(ui_->passwordEdit->text());
}

QWidget* LoginView::FieldWidget(const std::string& field) {
  if (field == frame::CLoginDialog::kUserNameField) return ui_->userNameEdit;
  if (field == frame::CLoginDialog::kPasswordField) return ui_->passwordEdit;
  return nullptr;
}

}  // namespace rvc::ui
