#include "gui/about_view.h"

#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "ui_about_view.h"
#include "window/main_window.h"

namespace rvc::ui {

AboutView::AboutView(window::CAboutDlg& model, QWidget* parent)
    : CDialogView(model, parent), ui_(std::make_unique<Ui::AboutView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(window::CAboutDlg::kTitle));
  ui_->pictureLabel->setPixmap(AboutPicture(model.VelmoraPicture()));
  ui_->productLabel->setText(ToQt(model.Product));
  QFont product = ui_->productLabel->font();
  product.setBold(true);
  ui_->productLabel->setFont(product);
  ui_->detailsLabel->setText(ToQt(model.Details));
  ui_->buildLabel->setText(ToQt(model.Build));
  ui_->configurationField->setText(ToQt(model.ConfigurationFolder));
  ui_->traceField->setText(ToQt(model.TraceFile));
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &AboutView::accept);
}

AboutView::~AboutView() = default;

}  // namespace rvc::ui
