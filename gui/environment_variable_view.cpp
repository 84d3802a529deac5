#include "gui/environment_variable_view.h"

#include "gui/qt_text.h"
#include "settings/environment_variable_dialog.h"
#include "ui_environment_variable_view.h"

namespace rvc::ui {

EnvironmentVariableView::EnvironmentVariableView(settings::CEnvironmentVariables& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::EnvironmentVariableView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(settings::CEnvironmentVariables::kTitle));
  ui_->variableEdit->setText(ToQt(model_.Variable));
  ui_->variableEdit->setEnabled(model_.VariableEditable());
  ui_->valueEdit->setText(ToQt(model_.Value));
  ui_->commentEdit->setText(ToQt(model_.Comment));
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &EnvironmentVariableView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &EnvironmentVariableView::reject);
  (model_.VariableEditable() ? ui_->variableEdit : ui_->valueEdit)->setFocus();
}

EnvironmentVariableView::~EnvironmentVariableView() = default;

void EnvironmentVariableView::WriteBack() {
  model_.Variable = FromQt(ui_->variableEdit->text());
  model_.Value = FromQt(ui_->valueEdit->text());
  model_.Comment = FromQt(ui_->commentEdit->text());
}

}  // namespace rvc::ui
