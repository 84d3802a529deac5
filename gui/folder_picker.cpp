#include "gui/folder_picker.h"

#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QScrollBar>

#include "gui/file_icons.h"
#include "gui/folder_check.h"
#include "gui/qt_text.h"
#include "ui/user_interface.h"
#include "ui_folder_picker.h"

namespace rvc::ui {
namespace {

QFileSystemModel* FolderModel(QObject* parent) {
  auto* model = new QFileSystemModel(parent);
  // Before the first listing: the default provider reads files to tell their type.
  model->setIconProvider(FileIcons());
  model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model->setRootPath(QDir::rootPath());
  return model;
}

}  // namespace

FolderPickerView::FolderPickerView(const QString& title, const QString& startFolder, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FolderPickerView>()), folders_(FolderModel(this)) {
  ui_->setupUi(this);
  setWindowTitle(title);
  ui_->promptLabel->setText(title);

  ui_->folderTree->setModel(folders_);
  for (int column = 1; column < folders_->columnCount(); ++column) ui_->folderTree->hideColumn(column);

  auto* completer = new QCompleter(FolderModel(this), this);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  ui_->pathEdit->setCompleter(completer);

  connect(ui_->folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (revealing_) return;
            following_ = false;  // the operator moved in the tree
            if (current.isValid() && !ui_->pathEdit->hasFocus()) ui_->pathEdit->setText(folders_->filePath(current));
          });
  connect(ui_->folderTree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this] { following_ = false; });
  connect(ui_->pathEdit, &QLineEdit::textEdited, this, &FolderPickerView::ShowInTree);
  // The folders are read in the background and sorted after: each batch moves the rows, so
  // the folder shown is brought back into view until the operator takes over.
  reveal_.setSingleShot(true);
  connect(&reveal_, &QTimer::timeout, this, &FolderPickerView::Reveal);
  auto later = [this] {
    if (following_) reveal_.start(0);
  };
  connect(folders_, &QFileSystemModel::directoryLoaded, this, later);
  connect(folders_, &QAbstractItemModel::rowsInserted, this, later);
  connect(folders_, &QAbstractItemModel::layoutChanged, this, later);
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &FolderPickerView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &FolderPickerView::reject);

  QString start = startFolder;
  if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
  start = QDir::cleanPath(start);
  ui_->pathEdit->setText(start);
  ShowInTree(start);
  ui_->pathEdit->setFocus();
}

FolderPickerView::~FolderPickerView() = default;

void FolderPickerView::ShowInTree(const QString& path) {
  if (!QFileInfo(path).isDir()) return;
  shown_ = QDir::cleanPath(path);
  following_ = true;
  Reveal();
}

void FolderPickerView::Reveal() {
  const QModelIndex index = folders_->index(shown_);
  if (!index.isValid()) return;
  // Through the selection model, whose signals repaint the rows that lose and gain the
  // highlight: the typed folder is the only one highlighted.
  revealing_ = true;
  ui_->folderTree->selectionModel()->setCurrentIndex(index,
                                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ui_->folderTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
  revealing_ = false;
}

void FolderPickerView::accept() {
  const std::string title = FromQt(windowTitle());
  FolderVerdict verdict = CheckFolder(FromQt(ui_->pathEdit->text()));
  switch (verdict.kind) {
    case FolderVerdict::Kind::Invalid:
      ShowMessage(verdict.problem, title, Buttons::Ok, Icon::Exclamation);
      ui_->pathEdit->setFocus();
      return;
    case FolderVerdict::Kind::Missing: {
      if (ShowMessage(CreateFolderQuestion(verdict.folder), title, Buttons::YesNo, Icon::Question) != Answer::Yes) {
        return;
      }
      const std::string failure = CreateFolder(verdict.folder);
      if (!failure.empty()) {
        ShowMessage(failure, title, Buttons::Ok, Icon::Error);
        return;
      }
      break;
    }
    case FolderVerdict::Kind::Folder:
      break;
  }
  folder_ = ToQt(verdict.folder);
  QDialog::accept();
}

}  // namespace rvc::ui
