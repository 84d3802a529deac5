// PPD Preferences: the three items of the preference file, the copy location's check at
// OK, and the file written after OK and flushed after Cancel.
#include <gtest/gtest.h>

#include <functional>

#include "core/rvc_exception.h"
#include "frame/rvc_app.h"
#include "lifecycle/ppd_preferences.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

struct PreferencesCase {
  const char* name;
  const char* file;                         // the preference file before
  std::function<ui::DialogResult(CCopyPPDDlg&)> operator_;  // what the operator does
  const char* expected;                     // the file after
  const char* shownLocation;                // the location the dialog showed first
};

class PpdPreferencesTest : public ::testing::TestWithParam<PreferencesCase> {
 protected:
  test::TempDir dir_;
  test::ScopedEnv env_{"RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"};
  test::ScopedEnv data_{"KW_DATA_RAVLINCONFIG", dir_.Path()};
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

const PreferencesCase kCases[] = {
    {"DefaultsWhenAbsentAndItemsAddedAtOk", "[_internal_]\n",
     [](CCopyPPDDlg& d) {
       EXPECT_TRUE(d.Values.IncludeDGCInPPD);
       EXPECT_FALSE(d.Values.IncludeDotJobInPPD);
       return ui::DialogResult::Ok;
     },
     "[_internal_]\nExtraPPDLocation=\nIncludeDGCInPPD=1\nIncludeDotJobInPPD=0\n", ""},
    {"PresentItemsModifiedInPlace", "[_internal_]\nIncludeDotJobInPPD=0\nIncludeDGCInPPD=1\nExtraPPDLocation=\n[Tiff]\nname=T\n",
     [](CCopyPPDDlg& d) {
       d.Values.IncludeDGCInPPD = false;
       d.Values.IncludeDotJobInPPD = true;
       return ui::DialogResult::Ok;
     },
     "[_internal_]\nIncludeDotJobInPPD=1\nIncludeDGCInPPD=0\nExtraPPDLocation=\n[Tiff]\nname=T\n", ""},
    {"CancelChangesNothing", "[_internal_]\nExtraPPDLocation=/x\n",
     [](CCopyPPDDlg& d) {
       d.Values.IncludeDGCInPPD = false;
       return ui::DialogResult::Cancel;
     },
     "[_internal_]\nExtraPPDLocation=/x\n", "/x"},
};

TEST_P(PpdPreferencesTest, TheDialogReadsAndWritesThePreferenceFile) {
  const PreferencesCase& c = GetParam();
  test::WriteFile(dir_ / frame::CRvcApp::CatalogueFileName, c.file);
  ui_.QueueDialog(CCopyPPDDlg::kName, [&c](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CCopyPPDDlg&>(model);
    EXPECT_EQ(dialog.Values.ExtraPPDLocation, c.shownLocation);
    return c.operator_(dialog);
  });
  PpdPreferencesCommand();
  EXPECT_EQ(test::ReadFile(dir_ / frame::CRvcApp::CatalogueFileName), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Preferences, PpdPreferencesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PreferencesCase>& preferences) { return std::string(preferences.param.name); });

TEST_F(PpdPreferencesTest, AMissingCopyLocationKeepsTheDialogOpenOnTheLocation) {
  CCopyPPDDlg dialog({});
  dialog.Values.ExtraPPDLocation = dir_ / "missing";
  EXPECT_FALSE(dialog.OnOk());
  EXPECT_EQ(dialog.FocusField(), CCopyPPDDlg::kLocationField);
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Path does not exist. Please specify a valid path!"});
  dialog.Values.ExtraPPDLocation = dir_.Path();
  EXPECT_TRUE(dialog.OnOk());
  dialog.Values.ExtraPPDLocation.clear();
  EXPECT_TRUE(dialog.OnOk()) << "an empty location turns the copy off";
}

TEST_F(PpdPreferencesTest, APreferenceFileThatCannotBeReadEndsTheCommandWith109) {
  try {
    PpdPreferencesCommand();
    ADD_FAILURE() << "no error";
  } catch (const CRvcException& error) {
    EXPECT_EQ(error.Id(), 109);
    EXPECT_NE(error.Message().find(frame::CRvcApp::CatalogueFileName), std::string::npos);
  }
  EXPECT_TRUE(ui_.DialogsRun().empty());
}

TEST_F(PpdPreferencesTest, BrowseKeepsTheTextWhenNothingIsChosen) {
  CCopyPPDDlg dialog({"/kept", true, false});
  ui_.QueueFolder("");
  dialog.OnBrowse();
  EXPECT_EQ(dialog.Values.ExtraPPDLocation, "/kept");
  ui_.QueueFolder(dir_ / "chosen/");
  dialog.OnBrowse();
  EXPECT_EQ(dialog.Values.ExtraPPDLocation, dir_ / "chosen/");
  EXPECT_EQ(ui_.FolderTitles().front(), "Please open a location to copy PPD files");
}

}  // namespace
}  // namespace rvc::lifecycle
