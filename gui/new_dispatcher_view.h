// "New Dispatcher": the three kinds share one form; the PPD row shows for CNewDispatcher,
// the Variable Data Printing row for CNewDispatcherVDPMode. Widgets carry the object names
// of the form, by which tests find them.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class NewDispatcherView;
}  // namespace Ui

namespace rvc::lifecycle {
class CNewDispatcherDialog;
}  // namespace rvc::lifecycle

namespace rvc::ui {

class NewDispatcherView : public CDialogView {
  Q_OBJECT
 public:
  NewDispatcherView(lifecycle::CNewDispatcherDialog& model, QWidget* parent = nullptr);
  ~NewDispatcherView() override;

  void reject() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  void ShowPpd();

  lifecycle::CNewDispatcherDialog& model_;
  std::unique_ptr<Ui::NewDispatcherView> ui_;
};

}  // namespace rvc::ui
