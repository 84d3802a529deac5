#include "gui/new_dispatcher_view.h"

#include <QPushButton>

#include "gui/combo_fill.h"
#include "gui/qt_text.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "ui_new_dispatcher_view.h"

namespace rvc::ui {

NewDispatcherView::NewDispatcherView(lifecycle::CNewDispatcherDialog& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::NewDispatcherView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(lifecycle::CNewDispatcherDialog::kTitle));

  ui_->nameEdit->setText(ToQt(model_.Name));
  Fill(*ui_->deviceTypeCombo, model_.DeviceTypes, model_.DeviceType);
  Fill(*ui_->queueSetupCombo, model_.QueueSetups, model_.QueueSetup);
  ui_->queueSetupCombo->setEnabled(model_.QueueSetupListEnabled);
  ui_->buttonBox->button(QDialogButtonBox::Cancel)->setEnabled(model_.CancelEnabled);

  auto* withPpd = dynamic_cast<lifecycle::CNewDispatcher*>(&model_);
  for (QWidget* widget : {static_cast<QWidget*>(ui_->ppdLabel), static_cast<QWidget*>(ui_->ppdEdit),
                          static_cast<QWidget*>(ui_->browseButton)}) {
    widget->setVisible(withPpd != nullptr);
  }
  auto* vdp = dynamic_cast<lifecycle::CNewDispatcherVDPMode*>(&model_);
  ui_->vdpLabel->setVisible(vdp != nullptr);
  ui_->vdpCombo->setVisible(vdp != nullptr);
  if (vdp != nullptr) Fill(*ui_->vdpCombo, vdp->VdpModes, vdp->VdpMode);
  ShowPpd();

  connect(ui_->deviceTypeCombo, &QComboBox::currentIndexChanged, this, [this, withPpd](int index) {
    model_.DeviceType = index;
    if (withPpd != nullptr) withPpd->OnTypeChanged();
    ShowPpd();
  });
  connect(ui_->browseButton, &QPushButton::clicked, this, [this, withPpd] {
    if (withPpd == nullptr) return;
    withPpd->PpdPath = FromQt(ui_->ppdEdit->text());
    withPpd->OnBrowse();
    ShowPpd();
  });
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &NewDispatcherView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &NewDispatcherView::reject);

  if (withPpd != nullptr && withPpd->BrowseFocused) {
    ui_->browseButton->setFocus();
  } else {
    ui_->nameEdit->setFocus();
    ui_->nameEdit->selectAll();
  }
}

NewDispatcherView::~NewDispatcherView() = default;

void NewDispatcherView::ShowPpd() {
  auto* withPpd = dynamic_cast<lifecycle::CNewDispatcher*>(&model_);
  if (withPpd == nullptr) return;
  ui_->ppdEdit->setText(ToQt(withPpd->PpdPath));
  ui_->ppdEdit->setEnabled(withPpd->PpdEnabled);
  ui_->browseButton->setEnabled(withPpd->PpdEnabled);
}

void NewDispatcherView::WriteBack() {
  model_.Name = FromQt(ui_->nameEdit->text());
  model_.DeviceType = ui_->deviceTypeCombo->currentIndex();
  model_.QueueSetup = ui_->queueSetupCombo->currentIndex();
  if (auto* withPpd = dynamic_cast<lifecycle::CNewDispatcher*>(&model_)) {
    withPpd->PpdPath = FromQt(ui_->ppdEdit->text());
  }
  if (auto* vdp = dynamic_cast<lifecycle::CNewDispatcherVDPMode*>(&model_))
    vdp->VdpMode = ui_->vdpCombo->currentIndex();
}

QWidget* NewDispatcherView::FieldWidget(const std::string& field) {
  if (field == lifecycle::CNewDispatcherDialog::kNameField) return ui_->nameEdit;
  if (field == lifecycle::CNewDispatcher::kBrowseField) return ui_->browseButton;
  return nullptr;
}

void NewDispatcherView::reject() {
  // In retype mode a type must be chosen: Cancel, Escape and the close box do nothing.
  if (!model_.CancelEnabled) return;
  QDialog::reject();
}

}  // namespace rvc::ui
