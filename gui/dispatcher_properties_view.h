// "Dispatcher Properties": the name, type, folder and port of a dispatcher, read-only.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class DispatcherPropertiesView;
}  // namespace Ui

namespace rvc::lifecycle {
class CDispatcherProperties;
}  // namespace rvc::lifecycle

namespace rvc::ui {

class DispatcherPropertiesView : public CDialogView {
  Q_OBJECT
 public:
  DispatcherPropertiesView(lifecycle::CDispatcherProperties& model, QWidget* parent = nullptr);
  ~DispatcherPropertiesView() override;

 private:
  std::unique_ptr<Ui::DispatcherPropertiesView> ui_;
};

}  // namespace rvc::ui
