#include "gui/qt_user_interface.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include "frame/rvc_app.h"
#include "gui/folder_picker.h"
#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "gui/view_registry.h"

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
  if (picker.exec() != QDialog::Accepted) return {};
  return FromQt(picker.Folder());
}

std::string CQtUserInterface::OpenFile(const FileOpenRequest& request) {
  BeforeShow();
  QStringList filters;
  for (const auto& [label, pattern] : request.filters) filters << ToQt(label + " (" + pattern + ")");
  QFileDialog dialog(DialogParent(), ToQt(request.title), ToQt(request.startFolder));
  dialog.setObjectName(QStringLiteral("OpenFileDialog"));
  // Qt's own dialog matches the filter ignoring case, as the installations' PPD names
  // ("*.PPD" for "x.ppd") need.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return FromQt(dialog.selectedFiles().front());
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
  } else {
    QApplication::restoreOverrideCursor();
  }
}

DialogResult CQtUserInterface::RunDialog(IDialogModel& model) {
  BeforeShow();
  // The view's OK runs the model's check and stays open while it refuses.
  if (const std::unique_ptr<CDialogView> view = MakeView(model, DialogParent())) {
    return view->exec() == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
  }
  rvc::ui::ShowMessage("The dialog \"" + model.DialogName() + "\" is not available yet in this version of " +
                           frame::kApplicationName + ".",
                       frame::kApplicationName, Buttons::Ok, Icon::Information);
  return DialogResult::Cancel;
}

}  // namespace rvc::ui
