#include "gui/swap_files_page_view.h"

#include <QSignalBlocker>

#include "gui/qt_text.h"
#include "settings/swap_files_page.h"
#include "ui_swap_files_page_view.h"

namespace rvc::ui {

SwapfilesPageView::SwapfilesPageView(settings::CSwapfilesPage& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::SwapfilesPageView>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Widget);  // lives in the dialog's tab
  lists_ = {ui_->list0, ui_->list1, ui_->list2};
  buttons_ = {ui_->addButton0, ui_->removeButton0, ui_->addButton1, ui_->removeButton1, ui_->addButton2,
              ui_->removeButton2};
  for (int file = 0; file < settings::CSwapfilesPage::kFiles; ++file) {
    QListWidget* list = lists_[static_cast<size_t>(file)];
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) { model_.Click(row); });
    // A row of another list stays marked in its list; Remove takes the row clicked last.
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) { model_.Click(list->row(item)); });
    connect(buttons_[static_cast<size_t>(2 * file)], &QPushButton::clicked, this, [this, file] {
      model_.OnAdd(file);
      Refresh();
    });
    connect(buttons_[static_cast<size_t>(2 * file + 1)], &QPushButton::clicked, this, [this, file] {
      model_.OnRemove(file);
      Refresh();
    });
  }
  Refresh();
}

SwapfilesPageView::~SwapfilesPageView() = default;

void SwapfilesPageView::Refresh() {
  for (int file = 0; file < settings::CSwapfilesPage::kFiles; ++file) {
    QListWidget* list = lists_[static_cast<size_t>(file)];
    const QSignalBlocker blocker(list);
    list->clear();
    for (const std::string& folder : model_.Entries(file)) list->addItem(ToQt(folder));
  }
  model_.Click(-1);
  for (QPushButton* button : buttons_) button->setEnabled(model_.ButtonsEnabled());
}

}  // namespace rvc::ui
