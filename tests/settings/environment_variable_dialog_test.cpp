// The "Environment Variable" dialog: the name is fixed outside new mode, any text is
// accepted, Cancel gives the fields back unchanged.
#include "settings/environment_variable_dialog.h"

#include <gtest/gtest.h>

#include "ui/headless/headless_ui.h"

namespace rvc::settings {
namespace {

class EnvironmentVariableDialogTest : public ::testing::Test {
 protected:
  // The next run of the dialog types into all three edits and closes with `result`.
  void Type(std::string variable, std::string value, std::string comment, ui::DialogResult result) {
    ui_.QueueDialog("EnvironmentVariable", [=, this](ui::IDialogModel& model) {
      auto& dialog = dynamic_cast<CEnvironmentVariables&>(model);
      editable_ = dialog.VariableEditable();
      shown_ = {dialog.Variable, dialog.Value, dialog.Comment};
      dialog.Variable = variable;
      dialog.Value = value;
      dialog.Comment = comment;
      return result;
    });
  }
  static std::vector<std::string> Fields(const CEnvironmentVariables& dialog) {
    return {dialog.Variable, dialog.Value, dialog.Comment};
  }

  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  bool editable_ = false;
  std::vector<std::string> shown_;
};

TEST_F(EnvironmentVariableDialogTest, EditingKeepsTheNameAndReturnsValueAndComment) {
  CEnvironmentVariables dialog;
  dialog.Variable = "RIP_MEMORY";
  dialog.Value = "512";
  dialog.Comment = "MB";
  Type("OTHER", "768", "", ui::DialogResult::Ok);
  EXPECT_EQ(dialog.Run(), ui::DialogResult::Ok);
  EXPECT_FALSE(editable_);
  EXPECT_EQ(shown_, (std::vector<std::string>{"RIP_MEMORY", "512", "MB"}));
  EXPECT_EQ(Fields(dialog), (std::vector<std::string>{"RIP_MEMORY", "768", ""}));
  EXPECT_EQ(CEnvironmentVariables::kTitle, std::string("Environment Variable"));
}

TEST_F(EnvironmentVariableDialogTest, ANewVariableMayHaveAnEmptyValue) {
  CEnvironmentVariables dialog;
  dialog.SetNewMode(true);
  Type("KW_EXTRA", "", "", ui::DialogResult::Ok);
  EXPECT_EQ(dialog.Run(), ui::DialogResult::Ok);
  EXPECT_TRUE(editable_);
  EXPECT_EQ(shown_, (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Fields(dialog), (std::vector<std::string>{"KW_EXTRA", "", ""}));
}

TEST_F(EnvironmentVariableDialogTest, CancelGivesTheFieldsBackUnchanged) {
  CEnvironmentVariables dialog;
  dialog.SetNewMode(true);
  dialog.Variable = "A";
  dialog.Value = "1";
  Type("B", "2", "c", ui::DialogResult::Cancel);
  EXPECT_EQ(dialog.Run(), ui::DialogResult::Cancel);
  EXPECT_EQ(Fields(dialog), (std::vector<std::string>{"A", "1", ""}));
}

}  // namespace
}  // namespace rvc::settings
