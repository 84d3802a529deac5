#include "gui/folder_picker.h"

#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>

#include "gui/folder_check.h"
#include "gui/qt_text.h"
#include "ui/user_interface.h"
#include "ui_folder_picker.h"

namespace rvc::ui {
namespace {

QFileSystemModel* FolderModel(QObject* parent) {
  auto* model = new QFileSystemModel(parent);
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
            if (current.isValid() && !ui_->pathEdit->hasFocus()) ui_->pathEdit->setText(folders_->filePath(current));
          });
  connect(ui_->pathEdit, &QLineEdit::textEdited, this, &FolderPickerView::ShowInTree);
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
  const QModelIndex index = folders_->index(QDir::cleanPath(path));
  if (!index.isValid()) return;
  const QSignalBlocker quiet(ui_->folderTree->selectionModel());
  ui_->folderTree->setCurrentIndex(index);
  ui_->folderTree->scrollTo(index);
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
