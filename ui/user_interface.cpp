#include "ui/user_interface.h"

#include "ui/console/console_ui.h"

namespace rvc::ui {
namespace {

IUserInterface*& Installed() {
  static IUserInterface* installed = nullptr;
  return installed;
}

}  // namespace

IUserInterface& Current() {
  if (Installed() == nullptr) {
    static ConsoleUserInterface fallback;
    return fallback;
  }
  return *Installed();
}

ScopedUserInterface::ScopedUserInterface(IUserInterface& ui) : previous_(Installed()) { Installed() = &ui; }

ScopedUserInterface::~ScopedUserInterface() { Installed() = previous_; }

DialogResult RunUntilAccepted(IDialogModel& model, const std::function<DialogResult()>& show) {
  for (;;) {
    if (show() != DialogResult::Ok) return DialogResult::Cancel;
    if (model.OnOk()) return DialogResult::Ok;
  }
}

Answer ShowMessage(const std::string& text, const std::string& title, Buttons buttons, Icon icon) {
  return Current().ShowMessage(Message{text, title, buttons, icon, false});
}

}  // namespace rvc::ui
