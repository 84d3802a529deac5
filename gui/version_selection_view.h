// "RavlinConfigurator : Select a Ravlin Version": the installed versions in a drop-down list.
#pragma once

#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class VersionSelectionView;
}  // namespace Ui

namespace rvc::frame {
class CVersionSelection;
}  // namespace rvc::frame

namespace rvc::ui {

class VersionSelectionView : public CDialogView {
  Q_OBJECT
 public:
  VersionSelectionView(frame::CVersionSelection& model, QWidget* parent = nullptr);
  ~VersionSelectionView() override;

 protected:
  void WriteBack() override;

 private:
  frame::CVersionSelection& model_;
  std::unique_ptr<Ui::VersionSelectionView> ui_;
};

}  // namespace rvc::ui
