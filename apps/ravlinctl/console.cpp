#include "apps/ravlinctl/console.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace rvc::ctl {
namespace {

class SilentProgress : public ui::IProgress {
 public:
  void SetRange(int) override {}
  void Step() override {}
};

class TerminalProgress : public ui::IProgress {
 public:
  TerminalProgress(std::FILE* out, std::string title, int total) : out_(out), title_(std::move(title)), total_(total) {}
  void SetRange(int total) override { total_ = total; }
  void Step() override { ++done_; }
  void SetText(const std::string& text) override {
    std::fprintf(out_, "ravlinctl: %s [%d/%d] %s\n", title_.c_str(), done_ + 1, total_, text.c_str());
    std::fflush(out_);
  }

 private:
  std::FILE* out_;
  std::string title_;
  int total_;
  int done_ = 0;
};

bool IsQuestion(ui::Buttons buttons) { return buttons != ui::Buttons::Ok; }

ui::Answer Affirmative(ui::Buttons buttons) { return buttons == ui::Buttons::YesNo ? ui::Answer::Yes : ui::Answer::Ok; }
ui::Answer Negative(ui::Buttons buttons) { return buttons == ui::Buttons::YesNo ? ui::Answer::No : ui::Answer::Cancel; }

}  // namespace

void CtlConsole::ExpectDialog(const std::string& dialogName, Filler filler) {
  dialogs_[dialogName] = Expected{std::move(filler), false};
}

void CtlConsole::Say(const std::string& text) {
  ++said_;
  std::fprintf(out_, "ravlinctl: %s\n", text.c_str());
  std::fflush(out_);
}

ui::Answer CtlConsole::ShowMessage(const ui::Message& message) {
  shown_.push_back(message.text);
  if (message.title == "Error") errorReported_ = true;
  if (IsQuestion(message.buttons)) return Ask(message);
  Say(message.text);
  return ui::Answer::Ok;
}

ui::Answer CtlConsole::Ask(const ui::Message& message) {
  switch (questions_) {
    case Questions::AnswerYes:
      return Affirmative(message.buttons);
    case Questions::AskTerminal: {
      std::fprintf(out_, "ravlinctl: %s [y/N] ", message.text.c_str());
      std::fflush(out_);
      std::string answer;
      if (!std::getline(std::cin, answer)) std::fputc('\n', out_);
      return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ? Affirmative(message.buttons)
                                                                                  : Negative(message.buttons);
    }
    case Questions::Refuse:
      break;
  }
  Say(message.text);
  if (!unanswered_) unanswered_ = message.text;
  Say("not answered: give --yes to answer yes, or run the command from a terminal to be asked");
  return Negative(message.buttons);
}

std::string CtlConsole::BrowseForFolder(const std::string& title, const std::string&) {
  Say(title + ": no folder can be chosen without a display");
  return {};
}

std::string CtlConsole::OpenFile(const ui::FileOpenRequest& request) {
  Say(request.title + ": no file can be chosen without a display");
  return {};
}

std::unique_ptr<ui::IProgress> CtlConsole::BeginProgress(const std::string&, int) {
  return std::make_unique<SilentProgress>();
}

std::unique_ptr<ui::IProgress> CtlConsole::BeginCancellableProgress(const std::string& title, int total) {
  if (::isatty(::fileno(out_)) == 0) return std::make_unique<SilentProgress>();
  return std::make_unique<TerminalProgress>(out_, title, total);
}

void CtlConsole::SetBusy(bool) {}

ui::DialogResult CtlConsole::RunDialog(ui::IDialogModel& model) {
  auto it = dialogs_.find(model.DialogName());
  if (it == dialogs_.end()) {
    Say("the dialog " + model.DialogName() + " needs a person; cancelled");
    dialogRefused_ = true;
    return ui::DialogResult::Cancel;
  }
  Expected& expected = it->second;
  // Shown again by the same command: it gets no second filling.
  if (expected.shown) {
    dialogRefused_ = true;
    return ui::DialogResult::Cancel;
  }
  expected.shown = true;
  if (std::string problem = expected.filler(model); !problem.empty()) {
    Say(problem);
    dialogRefused_ = true;
    return ui::DialogResult::Cancel;
  }
  // The OK check refused the input and has said why: the command ends there.
  if (!model.OnOk()) {
    dialogRefused_ = true;
    return ui::DialogResult::Cancel;
  }
  return ui::DialogResult::Ok;
}

}  // namespace rvc::ctl
