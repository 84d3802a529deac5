#include "gui/resolution_set_view.h"

#include <QPushButton>
#include <QTreeWidget>

#include "gui/qt_text.h"
#include "ripconfig/resolution_dialogs.h"
#include "ui_resolution_set_view.h"

namespace rvc::ui {

using ripconfig::CResolution;

ResolutionSetView::ResolutionSetView(CResolution& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::ResolutionSetView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(model_.Title()));
  ui_->nameEdit->setText(ToQt(model_.SetName()));
  // Plain functions, not pointers to members (gui/configuration_view.cpp says why).
  const auto on = [this](QPushButton* button, void (*handler)(CResolution&)) {
    connect(button, &QPushButton::clicked, this, [this, handler] {
      handler(model_);
      Show();
    });
  };
  on(ui_->addButton, [](CResolution& m) { m.OnAdd(); });
  on(ui_->modifyButton, [](CResolution& m) { m.OnModify(); });
  on(ui_->deleteButton, [](CResolution& m) { m.OnDelete(); });
  on(ui_->viewButton, [](CResolution& m) { m.OnView(); });
  connect(ui_->valueList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    model_.OnSelect(item != nullptr ? ui_->valueList->indexOfTopLevelItem(item) : -1);
    Show();
  });
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &ResolutionSetView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &ResolutionSetView::reject);
  Show();
}

ResolutionSetView::~ResolutionSetView() = default;

void ResolutionSetView::Show() {
  const QSignalBlocker blocker(ui_->valueList);
  ui_->valueList->clear();
  for (const CResolution::Row& row : model_.Rows) {
    ui_->valueList->addTopLevelItem(new QTreeWidgetItem({ToQt(row.value), ToQt(row.gamma)}));
  }
  if (model_.Selected >= 0) ui_->valueList->setCurrentItem(ui_->valueList->topLevelItem(model_.Selected));
  ui_->addButton->setEnabled(model_.Editable());
  ui_->modifyButton->setEnabled(model_.ModifyEnabled());
  ui_->deleteButton->setEnabled(model_.DeleteEnabled());
  ui_->viewButton->setEnabled(model_.ViewEnabled());
}

void ResolutionSetView::WriteBack() {}

QWidget* ResolutionSetView::FieldWidget(const std::string&) { return nullptr; }

}  // namespace rvc::ui
