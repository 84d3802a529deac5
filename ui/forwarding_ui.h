// A user interface that hands every call to another one. Wrappers that change one kind of
// call (answer a file dialog, drop an impersonation around folder dialogs) derive from it
// and override only that call.
#pragma once

#include <memory>
#include <string>

#include "ui/user_interface.h"

namespace rvc::ui {

class CForwardingUserInterface : public IUserInterface {
 public:
  explicit CForwardingUserInterface(IUserInterface& inner) : inner_(inner) {}

  Answer ShowMessage(const Message& message) override { return inner_.ShowMessage(message); }
  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) override {
    return inner_.BrowseForFolder(title, startFolder);
  }
  std::string OpenFile(const FileOpenRequest& request) override { return inner_.OpenFile(request); }
  std::unique_ptr<IProgress> BeginProgress(const std::string& title, int total) override {
    return inner_.BeginProgress(title, total);
  }
  std::unique_ptr<IProgress> BeginCancellableProgress(const std::string& title, int total) override {
    return inner_.BeginCancellableProgress(title, total);
  }
  void SetBusy(bool busy) override { inner_.SetBusy(busy); }
  DialogResult RunDialog(IDialogModel& model) override { return inner_.RunDialog(model); }

 protected:
  IUserInterface& Inner() const { return inner_; }

 private:
  IUserInterface& inner_;
};

}  // namespace rvc::ui
