#include "ui/headless/headless_ui.h"

namespace rvc::ui {
namespace {

class CountingProgress : public IProgress {
 public:
  CountingProgress(std::vector<std::string>& texts, int cancelAfter) : texts_(texts), cancelAfter_(cancelAfter) {}
  void SetRange(int) override {}
  void Step() override { ++steps_; }
  void SetText(const std::string& text) override { texts_.push_back(text); }
  bool Cancelled() override { return cancelAfter_ >= 0 && steps_ >= cancelAfter_; }

 private:
  std::vector<std::string>& texts_;
  int cancelAfter_;
  int steps_ = 0;
};

template <typename T>
T PopOr(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

}  // namespace

std::vector<std::string> HeadlessUserInterface::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : messages_) texts.push_back(message.text);
  return texts;
}

void HeadlessUserInterface::Clear() {
  messages_.clear();
  folderTitles_.clear();
  dialogsRun_.clear();
  progressStarts_ = 0;
  progressTexts_.clear();
}

Answer HeadlessUserInterface::ShowMessage(const Message& message) {
  messages_.push_back(message);
  Answer fallback = message.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  return PopOr(answers_, fallback);
}

std::string HeadlessUserInterface::BrowseForFolder(const std::string& title, const std::string&) {
  folderTitles_.push_back(title);
  return PopOr(folders_, std::string());
}

std::string HeadlessUserInterface::OpenFile(const FileOpenRequest&) { return PopOr(files_, std::string()); }

std::unique_ptr<IProgress> HeadlessUserInterface::BeginProgress(const std::string&, int) {
  ++progressStarts_;
  return std::make_unique<CountingProgress>(progressTexts_, -1);
}

std::unique_ptr<IProgress> HeadlessUserInterface::BeginCancellableProgress(const std::string&, int) {
  ++progressStarts_;
  return std::make_unique<CountingProgress>(progressTexts_, cancelAfter_);
}

void HeadlessUserInterface::SetBusy(bool busy) { busyDepth_ += busy ? 1 : -1; }

DialogResult HeadlessUserInterface::RunDialog(IDialogModel& model) {
  // A refused Ok shows the dialog again: the next script for it takes over.
  return RunUntilAccepted(model, [this, &model] {
    dialogsRun_.push_back(model.DialogName());
    auto found = dialogs_.find(model.DialogName());
    if (found == dialogs_.end() || found->second.empty()) return DialogResult::Cancel;
    DialogScript script = std::move(found->second.front());
    found->second.pop_front();
    return script(model);
  });
}

}  // namespace rvc::ui
