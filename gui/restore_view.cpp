#include "gui/restore_view.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "backup/restore.h"
#include "gui/qt_text.h"

namespace rvc::ui {

RestoreView::RestoreView(backup::CRestoreDlg& model, QWidget* parent) : CDialogView(model, parent), model_(model) {
  setWindowTitle(QStringLiteral("Restore"));
  auto* layout = new QVBoxLayout(this);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(new QLabel(QStringLiteral("Backup folder :"), this));
  folder_ = new QLineEdit(this);
  folder_->setReadOnly(true);
  folderRow->addWidget(folder_, 1);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
  folderRow->addWidget(browse);
  layout->addLayout(folderRow);

  auto* lists = new QHBoxLayout;
  auto* flavourGroup = new QGroupBox(QStringLiteral("Flavours"), this);
  auto* flavourLayout = new QVBoxLayout(flavourGroup);
  flavours_ = new QListWidget(flavourGroup);
  flavours_->setObjectName(QStringLiteral("flavours"));
  flavours_->setSelectionMode(QAbstractItemView::SingleSelection);
  flavourLayout->addWidget(flavours_);
  auto* dispatcherGroup = new QGroupBox(QStringLiteral("Dispatchers"), this);
  auto* dispatcherLayout = new QVBoxLayout(dispatcherGroup);
  dispatchers_ = new QListWidget(dispatcherGroup);
  dispatchers_->setObjectName(QStringLiteral("dispatchers"));
  dispatchers_->setSelectionMode(QAbstractItemView::MultiSelection);
  dispatcherLayout->addWidget(dispatchers_);
  lists->addWidget(flavourGroup);
  lists->addWidget(dispatcherGroup);
  layout->addLayout(lists);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("Restore"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);

  Show();
  connect(browse, &QPushButton::clicked, this, [this] {
    model_.OnBrowse();
    Show();
  });
  connect(flavours_, &QListWidget::itemClicked, this, [this] {
    model_.SelectedFlavour = flavours_->currentRow();
    model_.OnFlavourClick();
    Show();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &RestoreView::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &RestoreView::reject);
}

void RestoreView::Show() {
  folder_->setText(ToQt(model_.BackupFolder));
  const QSignalBlocker blockFlavours(flavours_);
  flavours_->clear();
  for (const std::string& flavour : model_.Flavours) flavours_->addItem(ToQt(flavour));
  if (model_.SelectedFlavour >= 0) flavours_->setCurrentRow(model_.SelectedFlavour);
  dispatchers_->clear();
  for (std::size_t i = 0; i < model_.Dispatchers.size(); ++i) {
    dispatchers_->addItem(ToQt(model_.Dispatchers[i]));
    dispatchers_->item(static_cast<int>(i))->setSelected(i < model_.DispatcherSelected.size() && model_.DispatcherSelected[i]);
  }
}

void RestoreView::WriteBack() {
  const QList<QListWidgetItem*> flavour = flavours_->selectedItems();
  model_.SelectedFlavour = flavour.isEmpty() ? -1 : flavours_->row(flavour.front());
  model_.DispatcherSelected.assign(model_.Dispatchers.size(), false);
  for (int i = 0; i < dispatchers_->count() && i < static_cast<int>(model_.Dispatchers.size()); ++i) {
    model_.DispatcherSelected[static_cast<std::size_t>(i)] = dispatchers_->item(i)->isSelected();
  }
}

}  // namespace rvc::ui
