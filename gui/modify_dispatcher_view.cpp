#include "gui/modify_dispatcher_view.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "gui/combo_fill.h"
#include "gui/qt_text.h"
#include "gui/view_registry.h"
#include "settings/modify_dispatcher.h"
#include "ui_modify_dispatcher_view.h"

namespace rvc::ui {

ModifyDispatcherView::ModifyDispatcherView(settings::CDispatcher& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::ModifyDispatcherView>()) {
  ui_->setupUi(this);
  // The plug-in pages are made on the tab control.
  model_.AttachTabs(ui_->tabWidget);
  setWindowTitle(ToQt(model_.Title));
  std::vector<std::string> separators;
  for (int base : model_.PortSeparators) separators.push_back(std::to_string(base));
  Fill(*ui_->portSeparatorCombo, separators, model_.PortSeparator);
  ShowFields();
  // Dedezi: no "PPD Used:" row; the tab control moves up into its place.
  ui_->ppdLabel->setVisible(model_.PpdRowVisible);
  ui_->ppdEdit->setVisible(model_.PpdRowVisible);
  const bool editable = !model_.ViewOnly;
  ui_->nameEdit->setReadOnly(!editable);
  ui_->portSeparatorCombo->setEnabled(editable);
  ui_->deviceTypeCombo->setEnabled(editable);
  ShowTabs();

  connect(ui_->deviceTypeCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    model_.Folder = FromQt(ui_->folderEdit->text());
    model_.DeviceType = index;
    model_.OnTypeChanged();
    ShowFields();
    ShowTabs();
  });
  connect(ui_->tabWidget, &QTabWidget::currentChanged, this, [this](int index) {
    if (filling_) return;
    MakePage(index);
    model_.OnTabChanged(index);
  });
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &ModifyDispatcherView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &ModifyDispatcherView::reject);
}

// The plug-in pages go while their libraries are still loaded (the model keeps them
// until it goes, after the view).
ModifyDispatcherView::~ModifyDispatcherView() {
  filling_ = true;
  for (QPointer<QWidget>& page : pluginPages_) delete page.data();
}

void ModifyDispatcherView::reject() {
  model_.OnCancel();
  CDialogView::reject();
}

void ModifyDispatcherView::ShowFields() {
  filling_ = true;
  ui_->nameEdit->setText(ToQt(model_.Name));
  ui_->folderEdit->setText(ToQt(model_.Folder));
  ui_->folderEdit->setEnabled(model_.FolderEnabled && !model_.ViewOnly);
  Fill(*ui_->deviceTypeCombo, model_.DeviceTypes, model_.DeviceType);
  ui_->ppdEdit->setText(ToQt(model_.PpdUsed));
  filling_ = false;
}

// The own pages get a holder in their tab; the view goes into it when the tab is first
// shown (MakePage), so the dialog's first frame builds, lays out and polishes only the
// page the operator sees.
void ModifyDispatcherView::ShowTabs() {
  filling_ = true;
  while (ui_->tabWidget->count() > 0) {
    QWidget* page = ui_->tabWidget->widget(0);
    ui_->tabWidget->removeTab(0);
    if (page == nullptr) continue;
    if (page->property("rvcOwnPage").toBool()) {
      delete page;
    } else {
      page->hide();
    }
  }
  pendingPages_.clear();
  for (const settings::CDispatcher::Tab& tab : model_.Tabs) {
    QWidget* widget = static_cast<QWidget*>(tab.widget);
    if (tab.page != nullptr) {
      widget = new QWidget(ui_->tabWidget);
      widget->setProperty("rvcOwnPage", true);
      auto* layout = new QVBoxLayout(widget);
      layout->setContentsMargins(0, 0, 0, 0);
    }
    if (widget == nullptr) continue;
    if (tab.page == nullptr) pluginPages_.emplace_back(widget);
    pendingPages_.push_back(tab.page);
    widget->setEnabled(true);
    ui_->tabWidget->addTab(widget, ToQt(tab.caption));
  }
  ui_->tabWidget->setCurrentIndex(model_.ActiveTab);
  MakePage(ui_->tabWidget->currentIndex());
  filling_ = false;
}

void ModifyDispatcherView::MakePage(int index) {
  if (index < 0 || static_cast<size_t>(index) >= pendingPages_.size()) return;
  settings::IPage* page = std::exchange(pendingPages_[static_cast<size_t>(index)], nullptr);
  if (page == nullptr) return;
  QWidget* holder = ui_->tabWidget->widget(index);
  std::unique_ptr<CDialogView> view;
  if (auto* pageModel = dynamic_cast<IDialogModel*>(page)) view = MakeView(*pageModel, holder);
  QWidget* content = nullptr;
  if (view) {
    view->setWindowFlags(Qt::Widget);
    content = view.release();
  } else {
    content = new QLabel(ToQt(page->Title()), holder);
  }
  holder->layout()->addWidget(content);
  // In a tab already on the screen the page shows now, not from the next event.
  content->show();
}

void ModifyDispatcherView::WriteBack() {
  model_.Name = FromQt(ui_->nameEdit->text());
  model_.Folder = FromQt(ui_->folderEdit->text());
  model_.DeviceType = ui_->deviceTypeCombo->currentIndex();
  model_.PortSeparator = ui_->portSeparatorCombo->currentIndex();
}

QWidget* ModifyDispatcherView::FieldWidget(const std::string& field) {
  // A page's refusal brings its tab forward; the field is the page's own.
  ui_->tabWidget->setCurrentIndex(model_.ActiveTab);
  MakePage(model_.ActiveTab);
  ui_->folderEdit->setText(ToQt(model_.Folder));
  if (field == settings::CDispatcher::kNameField) return ui_->nameEdit;
  if (field == settings::CDispatcher::kFolderField) return ui_->folderEdit;
  if (QWidget* page = ui_->tabWidget->currentWidget()) {
    if (QWidget* named = page->findChild<QWidget*>(ToQt(field))) return named;
  }
  return nullptr;
}

}  // namespace rvc::ui
