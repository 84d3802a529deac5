// The Swapfiles page in its tab: the swap folders of the PostScript channel and of the two
// output channels, each list with Add... and Remove. A widget of the tab, not a window.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <array>
#include <memory>

#include "gui/dialog_view.h"

namespace Ui {
class SwapfilesPageView;
}  // namespace Ui

namespace rvc::settings {
class CSwapfilesPage;
}  // namespace rvc::settings

namespace rvc::ui {

class SwapfilesPageView : public CDialogView {
  Q_OBJECT
 public:
  SwapfilesPageView(settings::CSwapfilesPage& model, QWidget* parent = nullptr);
  ~SwapfilesPageView() override;

 private:
  void Refresh();

  settings::CSwapfilesPage& model_;
  std::unique_ptr<Ui::SwapfilesPageView> ui_;
  std::array<QListWidget*, 3> lists_{};
  std::array<QPushButton*, 6> buttons_{};
};

}  // namespace rvc::ui
