#include "gui/resolution_value_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/qt_text.h"
#include "ripconfig/resolution_dialogs.h"
#include "ui_resolution_value_view.h"

namespace rvc::ui {

using ripconfig::CResAndCal;

ResolutionValueView::ResolutionValueView(CResAndCal& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::ResolutionValueView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(model_.Title()));
  Show();
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &ResolutionValueView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &ResolutionValueView::reject);
}

ResolutionValueView::~ResolutionValueView() = default;

void ResolutionValueView::Show() {
  ui_->resolutionEdit->setText(ToQt(model_.ResolutionText));
  ui_->gammaEdit->setText(ToQt(model_.GammaText));
  ui_->gammaEdit->setVisible(model_.GammaShown);
  ui_->gammaLabel->setVisible(model_.GammaShown);
  ui_->resolutionEdit->setEnabled(model_.Editable());
  ui_->gammaEdit->setEnabled(model_.Editable());
}

void ResolutionValueView::WriteBack() {
  model_.ResolutionText = FromQt(ui_->resolutionEdit->text());
  model_.GammaText = FromQt(ui_->gammaEdit->text());
}

QWidget* ResolutionValueView::FieldWidget(const std::string& field) {
  if (field == CResAndCal::kResolutionField) return ui_->resolutionEdit;
  if (field == CResAndCal::kGammaField) return ui_->gammaEdit;
  return nullptr;
}

}  // namespace rvc::ui
