#include "gui/dialog_views.h"

#include <QComboBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "frame/login.h"
#include "frame/version_selection.h"
#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_properties.h"
#include "window/main_window.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "ui_about.h"
#include "ui_change_type.h"
#include "ui_dispatcher_properties.h"
#include "ui_login.h"
#include "ui_new_dispatcher.h"
#include "ui_version_selection.h"

namespace rvc::ui {
namespace {

void Fill(QComboBox& combo, const std::vector<std::string>& entries, int selection) {
  const QSignalBlocker quiet(combo);
  combo.clear();
  for (const std::string& entry : entries) combo.addItem(ToQt(entry));
  combo.setCurrentIndex(selection);
}

}  // namespace

// --- New Dispatcher ---

NewDispatcherView::NewDispatcherView(lifecycle::CNewDispatcherDialog& model, QWidget* parent)
    : QDialog(parent), model_(model), ui_(std::make_unique<Ui::NewDispatcherView>()) {
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

void NewDispatcherView::accept() {
  WriteBack();
  QDialog::accept();
}

void NewDispatcherView::reject() {
  // In retype mode a type must be chosen: Cancel, Escape and the close box do nothing.
  if (!model_.CancelEnabled) return;
  QDialog::reject();
}

// --- Change device type ---

ChangeTypeView::ChangeTypeView(lifecycle::CChangeDevType& model, QWidget* parent)
    : QDialog(parent), model_(model), ui_(std::make_unique<Ui::ChangeTypeView>()) {
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

void ChangeTypeView::accept() {
  model_.DeviceType = ui_->deviceTypeCombo->currentIndex();
  model_.PpdPath = FromQt(ui_->ppdEdit->text());
  QDialog::accept();
}

// --- Dispatcher properties ---

DispatcherPropertiesView::DispatcherPropertiesView(lifecycle::CDispatcherProperties& model, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::DispatcherPropertiesView>()) {
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

// --- Version selection ---

VersionSelectionView::VersionSelectionView(frame::CVersionSelection& model, QWidget* parent)
    : QDialog(parent), model_(model), ui_(std::make_unique<Ui::VersionSelectionView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(frame::CVersionSelection::kTitle));
  Fill(*ui_->versionCombo, model_.Entries, model_.Selection);
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &VersionSelectionView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &VersionSelectionView::reject);
}

VersionSelectionView::~VersionSelectionView() = default;

void VersionSelectionView::accept() {
  model_.Selection = ui_->versionCombo->currentIndex();
  QDialog::accept();
}

// --- Login ---

LoginView::LoginView(frame::CLoginDialog& model, QWidget* parent)
    : QDialog(parent), model_(model), ui_(std::make_unique<Ui::LoginView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(frame::CLoginDialog::kTitle));
  ui_->promptLabel->setText(ToQt(frame::CLoginDialog::kPrompt));
  ui_->userNameEdit->setText(ToQt(model_.UserName));
  connect(ui_->okButton, &QPushButton::clicked, this, &LoginView::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &LoginView::reject);
  connect(ui_->viewModeButton, &QPushButton::clicked, this, [this] {
    model_.ChooseViewMode();
    QDialog::reject();
  });
  ui_->userNameEdit->setFocus();
}

LoginView::~LoginView() = default;

void LoginView::accept() {
  model_.UserName = FromQt(ui_->userNameEdit->text());
  model_.Password = FromQt(ui_->passwordEdit->text());
  QDialog::accept();
}

// --- About ---

AboutView::AboutView(window::CAboutDlg& model, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AboutView>()) {
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

// --- Splash ---

SplashView::SplashView(bool velmora, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), velmora_(velmora) {
  setObjectName(QStringLiteral("SplashView"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The picture covers the whole window: no background is drawn under it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedSize(SplashSize());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void SplashView::paintEvent(QPaintEvent*) {
  // Painted straight into the window: a picture in between would be one more buffer of
  // the window's size to fill and copy.
  QPainter painter(this);
  PaintSplash(painter, velmora_);
}

}  // namespace rvc::ui
