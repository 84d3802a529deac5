// The user interface of the interactive program: Qt message boxes, the folder picker, the
// file-open dialog, the "Progressing" dialog, the wait cursor, and RunDialog, which shows
// the Qt view registered for the dialog model's type (gui/view_registry.h).
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "ui/user_interface.h"

namespace rvc::ui {

class CQtUserInterface : public IUserInterface {
 public:
  Answer ShowMessage(const Message& message) override;
  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) override;
  std::string OpenFile(const FileOpenRequest& request) override;
  std::unique_ptr<IProgress> BeginProgress(const std::string& title, int total) override;
  std::unique_ptr<IProgress> BeginCancellableProgress(const std::string& title, int total) override;
  void SetBusy(bool busy) override;
  DialogResult RunDialog(IDialogModel& model) override;

  // Runs before any window of this interface shows (the splash then goes away).
  void SetBeforeShow(std::function<void()> hook) { beforeShow_ = std::move(hook); }

 private:
  void BeforeShow() const;

  std::function<void()> beforeShow_;
  QString lastFileFolder_;  // the folder of the last file chosen in the file-open dialog
};

// The main window, once it exists: the parent of the dialogs and the window that a later
// start brings to the front.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();
// The window that dialogs and message boxes belong to: the open modal dialog, else the
// main window.
QWidget* DialogParent();

}  // namespace rvc::ui
