// "Modify dispatcher" / "View dispatcher": the identity fields above a tab control with one
// tab per page: the own pages show the view registered for their model, plug-in pages are
// the widgets the libraries made on the tab control.
#pragma once

#include <QPointer>
#include <memory>
#include <vector>

#include "gui/dialog_view.h"

namespace Ui {
class ModifyDispatcherView;
}  // namespace Ui

namespace rvc::settings {
class CDispatcher;
class IPage;
}  // namespace rvc::settings

namespace rvc::ui {

class ModifyDispatcherView : public CDialogView {
  Q_OBJECT
 public:
  ModifyDispatcherView(settings::CDispatcher& model, QWidget* parent = nullptr);
  ~ModifyDispatcherView() override;

 protected:
  void WriteBack() override;
  QWidget* FieldWidget(const std::string& field) override;

 public:
  void reject() override;

 private:
  void ShowTabs();
  void ShowFields();
  void MakePage(int index);

  settings::CDispatcher& model_;
  std::unique_ptr<Ui::ModifyDispatcherView> ui_;
  // Per tab, the page not in its holder yet: an own page whose view is not made, or a
  // plug-in's page.
  struct PendingPage {
    settings::IPage* page = nullptr;
    QPointer<QWidget> plugin;
  };
  std::vector<PendingPage> pendingPages_;
  std::vector<QPointer<QWidget>> pluginPages_;  // every plug-in page shown
  bool filling_ = false;
};

}  // namespace rvc::ui
