#include "gui/ppd_preferences_view.h"

#include <QPushButton>

#include "gui/qt_text.h"
#include "lifecycle/ppd_preferences.h"
#include "ui_ppd_preferences_view.h"

namespace rvc::ui {

using lifecycle::CCopyPPDDlg;

PpdPreferencesView::PpdPreferencesView(CCopyPPDDlg& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::PpdPreferencesView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(CCopyPPDDlg::kTitle));
  ui_->preferencesGroup->setTitle(ToQt(CCopyPPDDlg::kGroup));
  ui_->locationLabel->setText(ToQt(CCopyPPDDlg::kLocationLabel));
  ui_->dgcCheck->setText(ToQt(CCopyPPDDlg::kDgcLabel));
  ui_->dotJobCheck->setText(ToQt(CCopyPPDDlg::kDotJobLabel));
  ui_->locationEdit->setText(ToQt(model_.Values.ExtraPPDLocation));
  ui_->dgcCheck->setChecked(model_.Values.IncludeDGCInPPD);
  ui_->dotJobCheck->setChecked(model_.Values.IncludeDotJobInPPD);

  connect(ui_->browseButton, &QPushButton::clicked, this, [this] {
    model_.Values.ExtraPPDLocation = FromQt(ui_->locationEdit->text());
    model_.OnBrowse();
    ui_->locationEdit->setText(ToQt(model_.Values.ExtraPPDLocation));
  });
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &PpdPreferencesView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &PpdPreferencesView::reject);
}

PpdPreferencesView::~PpdPreferencesView() = default;

void PpdPreferencesView::WriteBack() {
  model_.Values.ExtraPPDLocation = FromQt(ui_->locationEdit->text());
  model_.Values.IncludeDGCInPPD = ui_->dgcCheck->isChecked();
  model_.Values.IncludeDotJobInPPD = ui_->dotJobCheck->isChecked();
}

QWidget* PpdPreferencesView::FieldWidget(const std::string& field) {
  return field == CCopyPPDDlg::kLocationField ? ui_->locationEdit : nullptr;
}

}  // namespace rvc::ui
