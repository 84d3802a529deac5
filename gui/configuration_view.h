// A RIP configuration: its name, media, resolution set and output folder, with the buttons that open the media and resolution set editors.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class ConfigurationView;
}  // namespace Ui

namespace rvc::ripconfig {
class CConfiguration;
}  // namespace rvc::ripconfig

namespace rvc::ui {

class ConfigurationView : public CDialogView {
  Q_OBJECT
 public:
  ConfigurationView(ripconfig::CConfiguration& model, QWidget* parent = nullptr);
  ~ConfigurationView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  void Show();

  ripconfig::CConfiguration& model_;
  std::unique_ptr<Ui::ConfigurationView> ui_;
};

}  // namespace rvc::ui
