// The user interface of ravlinctl. The operations it runs are those of Ravlin Configurator,
// which talk to a person through message boxes and dialogs; here
//   - messages go to standard error, prefixed "ravlinctl: ";
//   - questions (Yes/No, OK/Cancel) are answered yes with --yes, asked on the terminal
//     (y/N) when standard input is one, and otherwise refused: the answer is No and the
//     command ends saying which question needs --yes;
//   - a dialog is filled by the filler the command registered for it, as an operator would
//     fill it, and closed with OK. When the dialog's OK check refuses the input, the
//     dialog is cancelled, so the command ends after the check's own message. Dialogs
//     nobody registered are cancelled.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/user_interface.h"

namespace rvc::ctl {

class CtlConsole : public ui::IUserInterface {
 public:
  enum class Questions { Refuse, AnswerYes, AskTerminal };
  // Fills a dialog; "" when it could be filled, otherwise why not.
  using Filler = std::function<std::string(ui::IDialogModel&)>;

  explicit CtlConsole(Questions questions, std::FILE* out = stderr) : questions_(questions), out_(out) {}

  // The next showing of the dialog named `dialogName` is filled by `filler`.
  void ExpectDialog(const std::string& dialogName, Filler filler);

  // A message titled "Error" was shown (a reported failure).
  bool ErrorReported() const { return errorReported_; }
  // A dialog could not be filled, or its OK check refused the input, or it was cancelled.
  bool DialogRefused() const { return dialogRefused_; }
  // The first question that was refused for want of --yes or a terminal.
  const std::optional<std::string>& UnansweredQuestion() const { return unanswered_; }
  // Messages shown, in order (the texts as the operation gave them).
  const std::vector<std::string>& Shown() const { return shown_; }

  // Prints "ravlinctl: " + text on standard error.
  void Say(const std::string& text);
  // How many lines Say() printed.
  int Said() const { return said_; }

  ui::Answer ShowMessage(const ui::Message& message) override;
  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) override;
  std::string OpenFile(const ui::FileOpenRequest& request) override;
  std::unique_ptr<ui::IProgress> BeginProgress(const std::string& title, int total) override;
  // On a terminal, each step's text as a line "ravlinctl: <title> [step/total] <text>";
  // elsewhere nothing. Never cancelled (Ctrl+C ends the run).
  std::unique_ptr<ui::IProgress> BeginCancellableProgress(const std::string& title, int total) override;
  void SetBusy(bool busy) override;
  ui::DialogResult RunDialog(ui::IDialogModel& model) override;

 private:
  ui::Answer Ask(const ui::Message& message);

  struct Expected {
    Filler filler;
    bool shown = false;
  };

  Questions questions_;
  std::FILE* out_;
  std::map<std::string, Expected> dialogs_;
  bool errorReported_ = false;
  bool dialogRefused_ = false;
  std::optional<std::string> unanswered_;
  std::vector<std::string> shown_;
  int said_ = 0;
};

}  // namespace rvc::ctl
