#include "gui/dispatcher_properties_view.h"

#include "gui/qt_text.h"
#include "lifecycle/dispatcher_properties.h"
#include "ui_dispatcher_properties_view.h"

namespace rvc::ui {

DispatcherPropertiesView::DispatcherPropertiesView(lifecycle::CDispatcherProperties& model, QWidget* parent)
    : CDialogView(model, parent), ui_(std::make_unique<Ui::DispatcherPropertiesView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(lifecycle::CDispatcherProperties::kTitle));
  ui_->nameValue->setText(ToQt(model.Name));
  ui_->typeValue->setText(ToQt(model.Type));
  ui_->folderValue->setText(ToQt(model.Folder));
  ui_->portValue->setText(ToQt(model.Port));
  for (QLabel* value : {ui_->nameValue, ui_->typeValue, ui_->folderValue, ui_->portValue}) {
    value->setTextFormat(Qt::PlainText);
  }
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &DispatcherPropertiesView::accept);
}

DispatcherPropertiesView::~DispatcherPropertiesView() = default;

}  // namespace rvc::ui
