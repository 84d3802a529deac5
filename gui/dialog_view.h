// The base of every dialog's Qt view. OK writes the input into the model and closes only
// when the model's check (IDialogModel::OnOk) lets it; otherwise the dialog stays open
// with what was typed, the model's message over it, and the field it names focused.
//
// Header-only and without Q_OBJECT, so that a plug-in library's views derive from it
// without linking rvc_gui (docs/gui.md).
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QWidget>
#include <string>

#include "ui/user_interface.h"

namespace rvc::ui {

class CDialogView : public QDialog {
 public:
  CDialogView(IDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {}

  void accept() override {
    WriteBack();
    if (model_.OnOk()) {
      QDialog::accept();
      return;
    }
    if (QWidget* field = FieldWidget(model_.FocusField())) {
      field->setFocus(Qt::OtherFocusReason);
      if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    }
  }

 protected:
  // Puts the input of the widgets into the model.
  virtual void WriteBack() {}
  // The widget of a field the model names (its k...Field constants); nullptr for none.
  virtual QWidget* FieldWidget(const std::string& field) {
    (void)field;
    return nullptr;
  }

 private:
  IDialogModel& model_;
};

}  // namespace rvc::ui
