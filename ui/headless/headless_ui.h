// A scripted user interface for tests. It records every message box, folder request and
// dialog, and answers from queues that the test fills beforehand. An empty queue gives
// the default answer (first button; "" for pickers; Cancel for dialogs), so that a test
// that forgot a script fails on its assertions rather than hanging. A dialog whose OnOk()
// refuses a script's Ok is run again with the next script queued for it, as the operator
// would correct the open dialog.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/user_interface.h"

namespace rvc::ui {

class HeadlessUserInterface : public IUserInterface {
 public:
  using DialogScript = std::function<DialogResult(IDialogModel&)>;

  // Scripting.
  void QueueAnswer(Answer answer) { answers_.push_back(answer); }
  void QueueFolder(std::string folder) { folders_.push_back(std::move(folder)); }
  void QueueFile(std::string file) { files_.push_back(std::move(file)); }
  // The next run of the dialog named `name` is handed to `script`.
  void QueueDialog(const std::string& name, DialogScript script) { dialogs_[name].push_back(std::move(script)); }
  // A cancellable progress reports Cancel once `steps` of its steps are done.
  void CancelProgressAfter(int steps) { cancelAfter_ = steps; }

  // What was shown.
  const std::vector<Message>& Messages() const { return messages_; }
  std::vector<std::string> MessageTexts() const;
  const std::vector<std::string>& FolderTitles() const { return folderTitles_; }
  const std::vector<std::string>& DialogsRun() const { return dialogsRun_; }
  int ProgressStarts() const { return progressStarts_; }
  // The texts that progress dialogs showed, in order.
  const std::vector<std::string>& ProgressTexts() const { return progressTexts_; }
  int BusyDepth() const { return busyDepth_; }
  void Clear();

  Answer ShowMessage(const Message& message) override;
  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) override;
  std::string OpenFile(const FileOpenRequest& request) override;
  std::unique_ptr<IProgress> BeginProgress(const std::string& title, int total) override;
  std::unique_ptr<IProgress> BeginCancellableProgress(const std::string& title, int total) override;
  void SetBusy(bool busy) override;
  DialogResult RunDialog(IDialogModel& model) override;

 private:
  std::deque<Answer> answers_;
  std::deque<std::string> folders_;
  std::deque<std::string> files_;
  std::map<std::string, std::deque<DialogScript>> dialogs_;
  std::vector<Message> messages_;
  std::vector<std::string> folderTitles_;
  std::vector<std::string> dialogsRun_;
  int progressStarts_ = 0;
  std::vector<std::string> progressTexts_;
  int cancelAfter_ = -1;
  int busyDepth_ = 0;
};

}  // namespace rvc::ui
