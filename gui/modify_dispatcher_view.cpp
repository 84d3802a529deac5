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

// Every tab gets a holder; a page goes into it when its tab is first shown (MakePage), so
// the dialog's first frame builds, lays out and polishes only the page the operator sees.
// The plug-in pages exist already (their libraries make them when the dialog opens); they
// wait in their holders, hidden and outside the layouts, so that the tab control does not
// measure them for its size before the first paint.
void ModifyDispatcherView::ShowTabs() {
  filling_ = true;
  while (ui_->tabWidget->count() > 0) {
    QWidget* holder = ui_->tabWidget->widget(0);
    ui_->tabWidget->removeTab(0);
    // A plug-in page of the type left stays its library's until the dialog goes.
    for (QPointer<QWidget>& plugin : pluginPages_) {
      if (plugin != nullptr && plugin->parentWidget() == holder) {
        plugin->setParent(ui_->tabWidget);
        plugin->hide();
      }
    }
    delete holder;
  }
  pendingPages_.clear();
  for (const settings::CDispatcher::Tab& tab : model_.Tabs) {
    auto* plugin = static_cast<QWidget*>(tab.widget);
    if (tab.page == nullptr && plugin == nullptr) continue;
    auto* holder = new QWidget(ui_->tabWidget);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    if (plugin != nullptr) {
      pluginPages_.emplace_back(plugin);
      plugin->setParent(holder);
      plugin->hide();
      plugin->setEnabled(true);
    }
    pendingPages_.push_back({tab.page, plugin});
    ui_->tabWidget->addTab(holder, ToQt(tab.caption));
  }
  ui_->tabWidget->setCurrentIndex(model_.ActiveTab);
  MakePage(ui_->tabWidget->currentIndex());
  filling_ = false;
}

void ModifyDispatcherView::MakePage(int index) {
  if (index < 0 || static_cast<size_t>(index) >= pendingPages_.size()) return;
  PendingPage pending = std::exchange(pendingPages_[static_cast<size_t>(index)], PendingPage{});
  QWidget* holder = ui_->tabWidget->widget(index);
  QWidget* content = pending.plugin;
  if (pending.page != nullptr) {
    std::unique_ptr<CDialogView> view;
    if (auto* pageModel = dynamic_cast<IDialogModel*>(pending.page)) view = MakeView(*pageModel, holder);
    if (view) {
      view->setWindowFlags(Qt::Widget);
      content = view.release();
    } else {
      content = new QLabel(ToQt(pending.page->Title()), holder);
    }
  }
  if (content == nullptr) return;
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
