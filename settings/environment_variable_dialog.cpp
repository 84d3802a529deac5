#include "settings/environment_variable_dialog.h"

namespace rvc::settings {

ui::DialogResult CEnvironmentVariables::Run() {
  const std::string name = Variable;
  const std::string value = Value;
  const std::string comment = Comment;
  const ui::DialogResult result = ui::Current().RunDialog(*this);
  if (result != ui::DialogResult::Ok) {
    // Cancel leaves the fields as they were given.
    Variable = name;
    Value = value;
    Comment = comment;
  } else if (!NewMode) {
    Variable = name;
  }
  return result;
}

}  // namespace rvc::settings
