#include "gui/media_view.h"

#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>

#include "gui/qt_text.h"
#include "ripconfig/media_dialog.h"
#include "ui_media_view.h"

namespace rvc::ui {

using ripconfig::CMedia;

MediaView::MediaView(CMedia& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::MediaView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(model_.Title()));
  ui_->nameEdit->setText(ToQt(model_.Name));
  ui_->typeCombo->setCurrentIndex(model_.TypeIndex);
  for (const std::string& curve : model_.Curves) ui_->curveCombo->addItem(ToQt(curve));
  ui_->curveCombo->setCurrentIndex(model_.CurveIndex);
  Show();

  QLineEdit* edits[] = {ui_->verticalEdit, ui_->horizontalEdit};
  QComboBox* units[] = {ui_->verticalUnit, ui_->horizontalUnit};
  for (const CMedia::Axis axis : {CMedia::kVertical, CMedia::kHorizontal}) {
    QLineEdit* edit = edits[axis];
    // The text is read into the size when the edit loses the focus, and rewritten in the
    // new unit when a unit is chosen.
    connect(edit, &QLineEdit::editingFinished, this, [this, axis, edit] {
      model_.SizeText[axis] = FromQt(edit->text());
      model_.OnSizeEdited(axis);
    });
    connect(units[axis], &QComboBox::currentIndexChanged, this, [this, axis, edit](int unit) {
      model_.SizeText[axis] = FromQt(edit->text());
      model_.OnSizeEdited(axis);
      model_.Unit[axis] = unit;
      model_.OnUnitChanged(axis);
      edit->setText(ToQt(model_.SizeText[axis]));
    });
  }
  for (QWidget* widget : std::initializer_list<QWidget*>{ui_->nameEdit, ui_->verticalEdit, ui_->verticalUnit,
                                                         ui_->horizontalEdit, ui_->horizontalUnit, ui_->typeCombo,
                                                         ui_->curveCombo}) {
    widget->setEnabled(model_.Editable());
  }
  ui_->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(model_.Editable());
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &MediaView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &MediaView::reject);
}

MediaView::~MediaView() = default;

void MediaView::Show() {
  const QSignalBlocker vertical(ui_->verticalUnit), horizontal(ui_->horizontalUnit);
  ui_->verticalUnit->setCurrentIndex(model_.Unit[CMedia::kVertical]);
  ui_->horizontalUnit->setCurrentIndex(model_.Unit[CMedia::kHorizontal]);
  ui_->verticalEdit->setText(ToQt(model_.SizeText[CMedia::kVertical]));
  ui_->horizontalEdit->setText(ToQt(model_.SizeText[CMedia::kHorizontal]));
}

void MediaView::WriteBack() {
  model_.Name = FromQt(ui_->nameEdit->text());
  model_.SizeText[CMedia::kVertical] = FromQt(ui_->verticalEdit->text());
  model_.SizeText[CMedia::kHorizontal] = FromQt(ui_->horizontalEdit->text());
  model_.Unit[CMedia::kVertical] = ui_->verticalUnit->currentIndex();
  model_.Unit[CMedia::kHorizontal] = ui_->horizontalUnit->currentIndex();
  model_.TypeIndex = ui_->typeCombo->currentIndex();
  model_.CurveIndex = ui_->curveCombo->currentIndex();
}

QWidget* MediaView::FieldWidget(const std::string& field) {
  if (field == CMedia::kNameField) return ui_->nameEdit;
  if (field == CMedia::kVerticalField) return ui_->verticalEdit;
  if (field == CMedia::kHorizontalField) return ui_->horizontalEdit;
  return nullptr;
}

}  // namespace rvc::ui
