// A media: name, sizes in a chosen unit, polarity and platemaking curve.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class MediaView;
}  // namespace Ui

namespace rvc::ripconfig {
class CMedia;
}  // namespace rvc::ripconfig

namespace rvc::ui {

class MediaView : public CDialogView {
  Q_OBJECT
 public:
  MediaView(ripconfig::CMedia& model, QWidget* parent = nullptr);
  ~MediaView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 private:
  void Show();

  ripconfig::CMedia& model_;
  std::unique_ptr<Ui::MediaView> ui_;
};

}  // namespace rvc::ui
