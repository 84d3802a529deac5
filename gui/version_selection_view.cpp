#include "gui/version_selection_view.h"

#include "frame/version_selection.h"
#include "gui/combo_fill.h"
#include "gui/qt_text.h"
#include "ui_version_selection_view.h"

namespace rvc::ui {

VersionSelectionView::VersionSelectionView(frame::CVersionSelection& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::VersionSelectionView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(frame::CVersionSelection::kTitle));
  Fill(*ui_->versionCombo, model_.Entries, model_.Selection);
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &VersionSelectionView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &VersionSelectionView::reject);
}

VersionSelectionView::~VersionSelectionView() = default;

void VersionSelectionView::WriteBack() { model_.Selection = ui_->versionCombo->currentIndex(); }

}  // namespace rvc::ui
