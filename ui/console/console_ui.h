// The user interface of unattended command-line jobs: messages go to standard error and,
// when a trace sink is given, to the trace; every question takes its default answer
// (the first button: OK or Yes), pickers return "" and dialogs are cancelled.
#pragma once

#include <cstdio>
#include <functional>
#include <string_view>

#include "ui/user_interface.h"

namespace rvc::ui {

class ConsoleUserInterface : public IUserInterface {
 public:
  using TraceSink = std::function<void(std::string_view)>;

  explicit ConsoleUserInterface(std::FILE* out = stderr, TraceSink trace = {}) : out_(out), trace_(std::move(trace)) {}

  Answer ShowMessage(const Message& message) override;
  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) override;
  std::string OpenFile(const FileOpenRequest& request) override;
  std::unique_ptr<IProgress> BeginProgress(const std::string& title, int total) override;
  void SetBusy(bool busy) override;
  DialogResult RunDialog(IDialogModel& model) override;

 private:
  std::FILE* out_;
  TraceSink trace_;
};

}  // namespace rvc::ui
