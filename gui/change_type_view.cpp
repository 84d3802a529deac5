#include "gui/change_type_view.h"

#include <QPushButton>

#include "gui/combo_fill.h"
#include "gui/qt_text.h"
#include "lifecycle/change_type.h"
#include "ui_change_type_view.h"

namespace rvc::ui {

ChangeTypeView::ChangeTypeView(lifecycle::CChangeDevType& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::ChangeTypeView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(lifecycle::CChangeDevType::kTitle));
  Fill(*ui_->deviceTypeCombo, model_.DeviceTypes, model_.DeviceType);
  ShowPpd();

  connect(ui_->deviceTypeCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
    model_.DeviceType = index;
    model_.OnTypeChanged();
    ShowPpd();
  });
  connect(ui_->browseButton, &QPushButton::clicked, this, [this] {
    model_.PpdPath = FromQt(ui_->ppdEdit->text());
    model_.OnBrowse();
    ShowPpd();
  });
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &ChangeTypeView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &ChangeTypeView::reject);
  if (model_.BrowseFocused) ui_->browseButton->setFocus();
}

ChangeTypeView::~ChangeTypeView() = default;

void ChangeTypeView::ShowPpd() {
  ui_->ppdEdit->setText(ToQt(model_.PpdPath));
  ui_->ppdEdit->setEnabled(model_.PpdEnabled);
  ui_->browseButton->setEnabled(model_.PpdEnabled);
}

void ChangeTypeView::WriteBack() {
  model_.DeviceType = ui_->deviceTypeCombo->currentIndex();
  model_.PpdPath = FromQt(ui_->ppdEdit->text());
}

QWidget* ChangeTypeView::FieldWidget(const std::string& field) {
  return field == lifecycle::CChangeDevType::kBrowseField ? ui_->browseButton : nullptr;
}

}  // namespace rvc::ui
