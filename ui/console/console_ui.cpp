#include "ui/console/console_ui.h"

namespace rvc::ui {
namespace {

class SilentProgress : public IProgress {
 public:
  void SetRange(int) override {}
  void Step() override {}
};

Answer DefaultAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel:
      return Answer::Ok;
    case Buttons::YesNo:
      return Answer::Yes;
  }
  return Answer::Ok;
}

}  // namespace

Answer ConsoleUserInterface::ShowMessage(const Message& message) {
  if (message.title.empty()) {
    std::fprintf(out_, "%s\n", message.text.c_str());
  } else {
    std::fprintf(out_, "%s: %s\n", message.title.c_str(), message.text.c_str());
  }
  std::fflush(out_);
  if (trace_) trace_(message.text);
  return DefaultAnswer(message.buttons);
}

std::string ConsoleUserInterface::BrowseForFolder(const std::string&, const std::string&) { return {}; }

std::string ConsoleUserInterface::OpenFile(const FileOpenRequest&) { return {}; }

std::unique_ptr<IProgress> ConsoleUserInterface::BeginProgress(const std::string&, int) {
  return std::make_unique<SilentProgress>();
}

void ConsoleUserInterface::SetBusy(bool) {}

DialogResult ConsoleUserInterface::RunDialog(IDialogModel&) { return DialogResult::Cancel; }

}  // namespace rvc::ui
