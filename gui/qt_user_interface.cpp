#include "gui/qt_user_interface.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

#include "frame/rvc_app.h"
#include "gui/file_icons.h"
#include "gui/folder_picker.h"
#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "gui/view_registry.h"
#include "gui/window_fit.h"

namespace rvc::ui {
namespace {

QPointer<QWidget>& TheMainWindow() {
  static QPointer<QWidget> window;
  return window;
}

QMessageBox::Icon IconOf(Icon icon) {
  switch (icon) {
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::Exclamation:
      return QMessageBox::Warning;
    case Icon::Error:
      return QMessageBox::Critical;
    case Icon::Question:
      return QMessageBox::Question;
    case Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

class QtProgress : public IProgress {
 public:
  QtProgress(const std::string& title, int total, bool cancellable)
      : dialog_(ToQt(title), QString(), 0, total, DialogParent()), cancellable_(cancellable) {
    dialog_.setWindowTitle(ToQt(title));
    if (cancellable) {
      dialog_.setCancelButtonText(QObject::tr("Cancel"));
    } else {
      dialog_.setCancelButton(nullptr);
    }
    dialog_.setMinimumDuration(0);
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

  void SetRange(int total) override { dialog_.setMaximum(total); }
  void Step() override {
    dialog_.setValue(std::min(dialog_.value() + 1, dialog_.maximum()));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  void SetText(const std::string& text) override {
    dialog_.setLabelText(ToQt(text));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  // The Cancel button is the one input the dialog takes, between two steps.
  bool Cancelled() override {
    if (!cancellable_) return false;
    QCoreApplication::processEvents();
    return dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
  bool cancellable_;
};

}  // namespace

void SetMainWindow(QWidget* window) { TheMainWindow() = window; }

QWidget* MainWindow() { return TheMainWindow().data(); }

QWidget* DialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return MainWindow();
}

void CQtUserInterface::BeforeShow() const {
  if (beforeShow_) beforeShow_();
  EnsureApplicationIcon();
}

Answer CQtUserInterface::ShowMessage(const Message& message) {
  BeforeShow();
  QMessageBox box(IconOf(message.icon), ToQt(message.title), ToQt(message.text), QMessageBox::NoButton, DialogParent());
  box.setTextFormat(Qt::PlainText);
  switch (message.buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  // A system-modal box of the platform becomes one that blocks the whole application.
  box.setWindowModality(Qt::ApplicationModal);
  FitMessageBox(box);
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return Answer::Cancel;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Ok:
      return Answer::Ok;
    default:
      // Escape or the close box: the answer of the button that cancels.
      return message.buttons == Buttons::YesNo      ? Answer::No
             : message.buttons == Buttons::OkCancel ? Answer::Cancel
                                                    : Answer::Ok;
  }
}

std::string CQtUserInterface::BrowseForFolder(const std::string& title, const std::string& startFolder) {
  BeforeShow();
  FolderPickerView picker(ToQt(title), ToQt(startFolder), DialogParent());
  FitTitle(picker);
  if (picker.exec() != QDialog::Accepted) return {};
  return FromQt(picker.Folder());
}

std::string CQtUserInterface::OpenFile(const FileOpenRequest& request) {
  BeforeShow();
  QStringList filters;
  for (const auto& [label, pattern] : request.filters) filters << ToQt(label + " (" + pattern + ")");
  // Where the last file was chosen, else where the caller starts (never the working
  // directory of the process).
  QString start = lastFileFolder_.isEmpty() ? ToQt(request.startFolder) : lastFileFolder_;
  if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
  for (;;) {
    // Made on the root folder, which holds folders: its model starts listing at once, and
    // only later gets the icon provider that never reads the files it lists.
    QFileDialog dialog(DialogParent(), ToQt(request.title), QDir::rootPath());
    dialog.setObjectName(QStringLiteral("OpenFileDialog"));
    // Qt's own dialog matches the filter ignoring case, as the installations' PPD names
    // ("*.PPD" for "x.ppd") need, and takes that icon provider.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(FileIcons());
    dialog.setDirectory(start);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(filters);
    FitTitle(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString chosen = dialog.selectedFiles().front();
    const QFileInfo file(chosen);
    // What the callers read next must not block: a pipe, a device or a kernel's file
    // (which shows as empty, as /proc/kmsg, and may wait for data for good) is no choice.
    if (file.isFile() && file.size() > 0) {
      lastFileFolder_ = file.absolutePath();
      return FromQt(chosen);
    }
    rvc::ui::ShowMessage(FromQt("The file " + chosen + " cannot be used: it is empty or not an ordinary file."),
                         request.title, Buttons::Ok, Icon::Exclamation);
  }
}

std::unique_ptr<IProgress> CQtUserInterface::BeginProgress(const std::string& title, int total) {
  BeforeShow();
  return std::make_unique<QtProgress>(title, total, false);
}

std::unique_ptr<IProgress> CQtUserInterface::BeginCancellableProgress(const std::string& title, int total) {
  BeforeShow();
  return std::make_unique<QtProgress>(title, total, true);
}

void CQtUserInterface::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // On the screen before the work that follows holds up the event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

DialogResult CQtUserInterface::RunDialog(IDialogModel& model) {
  BeforeShow();
  // The view's OK runs the model's check and stays open while it refuses.
  if (const std::unique_ptr<CDialogView> view = MakeView(model, DialogParent())) {
    FitTitle(*view);
    return view->exec() == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
  }
  rvc::ui::ShowMessage("The dialog \"" + model.DialogName() + "\" is not available yet in this version of " +
                           frame::kApplicationName + ".",
                       frame::kApplicationName, Buttons::Ok, Icon::Information);
  return DialogResult::Cancel;
}

}  // namespace rvc::ui
