// The "Environment Variable" dialog with which the Setup page adds or edits one
// environment variable of a dispatcher: its name, value and comment. It stores nothing
// itself, and accepts any text, empty included; the Setup page checks and writes the
// values after OK.
#pragma once

#include <string>

#include "ui/user_interface.h"

namespace rvc::settings {

// The view binds the three edits and enables "Variable:" only when VariableEditable().
class CEnvironmentVariables : public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "Environment Variable";

  std::string DialogName() const override { return "EnvironmentVariable"; }

  // New mode: the name can be entered. Otherwise an existing variable keeps its name.
  void SetNewMode(bool newMode) { NewMode = newMode; }
  bool VariableEditable() const { return NewMode; }

  // Shows the dialog; after Ok the fields hold the input. Outside new mode the name is
  // returned as it was set.
  ui::DialogResult Run();

  std::string Comment;   // "Comment:"
  std::string Value;     // "Value:"
  std::string Variable;  // "Variable:"
  bool NewMode = false;
};

}  // namespace rvc::settings
