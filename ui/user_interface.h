// The one narrow interface through which the system shows anything to a person.
//
// Operations of every subsystem call these functions instead of a toolkit. Three
// implementations exist: Qt widgets for the interactive program, a console one for the
// unattended jobs, and a scripted headless one for tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace rvc::ui {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Icon { None, Information, Exclamation, Error, Question };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
  std::string text;
  std::string title;
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
  bool systemModal = false;
};

struct FileOpenRequest {
  std::string title;
  std::string startFolder;
  // Filter pairs as the user sees them, e.g. {"PPD Files (*.ppd)", "*.ppd"}.
  std::vector<std::pair<std::string, std::string>> filters;
};

// A long operation's progress, shown as a "Progressing" dialog with one bar. Ends when
// the object is destroyed.
class IProgress {
 public:
  virtual ~IProgress() = default;
  virtual void SetRange(int total) = 0;
  virtual void Step() = 0;
  // The step in hand, shown with the bar (a progress that shows no text ignores it).
  virtual void SetText(const std::string& text) { (void)text; }
  // Whether the person asked to stop. Only a progress begun with
  // BeginCancellableProgress offers that; the operation asks between its steps.
  virtual bool Cancelled() { return false; }
};

// The logic of a dialog: a plain model that a view binds to. The Qt interface finds the
// view by the model's concrete type; the headless implementation hands the model to a test
// script by `DialogName()`.
class IDialogModel {
 public:
  virtual ~IDialogModel() = default;
  virtual std::string DialogName() const = 0;

  // The OK button's check, run by every RunDialog once the input is in the model: true
  // when the dialog may close with Ok. Otherwise the model has told the operator why
  // (over the open dialog) and named the field to correct (FocusField()); the dialog
  // stays open with what was typed.
  virtual bool OnOk() { return true; }
  // The field that the last refused OK names, by a name the model defines; "" for none.
  const std::string& FocusField() const { return focusField_; }

 protected:
  void SetFocusField(std::string field) { focusField_ = std::move(field); }

 private:
  std::string focusField_;
};

enum class DialogResult { Ok, Cancel };

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  virtual Answer ShowMessage(const Message& message) = 0;
  // Folder picker: the chosen folder, or "" when the user cancels.
  virtual std::string BrowseForFolder(const std::string& title, const std::string& startFolder) = 0;
  // File-open dialog: the chosen file, or "" when the user cancels.
  virtual std::string OpenFile(const FileOpenRequest& request) = 0;
  virtual std::unique_ptr<IProgress> BeginProgress(const std::string& title, int total) = 0;
  // The same with the step's text and a Cancel button; an implementation without one
  // gives a progress that is never cancelled.
  virtual std::unique_ptr<IProgress> BeginCancellableProgress(const std::string& title, int total) {
    return BeginProgress(title, total);
  }
  // Wait cursor on (true) and off (false); calls nest.
  virtual void SetBusy(bool busy) = 0;
  // Shows the dialog of `model` until it is cancelled or its OnOk() lets it close.
  virtual DialogResult RunDialog(IDialogModel& model) = 0;
};

// The accept loop of the implementations that show a dialog anew for each try (scripted,
// terminal): runs `show` until it gives Cancel or the model's OnOk() accepts its Ok.
DialogResult RunUntilAccepted(IDialogModel& model, const std::function<DialogResult()>& show);

// The implementation in use by this process. Until one is installed, messages go to the
// console implementation.
IUserInterface& Current();

// Installs `ui` for the lifetime of this object and restores the previous one after.
class ScopedUserInterface {
 public:
  explicit ScopedUserInterface(IUserInterface& ui);
  ~ScopedUserInterface();
  ScopedUserInterface(const ScopedUserInterface&) = delete;
  ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

 private:
  IUserInterface* previous_;
};

// Shows the wait cursor while it lives.
class WaitCursor {
 public:
  WaitCursor() : ui_(Current()) { ui_.SetBusy(true); }
  ~WaitCursor() { ui_.SetBusy(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  IUserInterface& ui_;  // the one that showed the cursor also hides it
};

// Shorthand for a message box.
Answer ShowMessage(const std::string& text, const std::string& title, Buttons buttons = Buttons::Ok,
                   Icon icon = Icon::None);

}  // namespace rvc::ui
