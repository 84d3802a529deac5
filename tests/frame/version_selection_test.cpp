// The choice of the product version from the "rvc_<version>.dat" catalogues.
#include "frame/version_selection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::frame {
namespace {

using test::TempDir;
using test::WriteFile;

// "rvc_5.1.dat": 51 is below 60; "rvc_10.dat": no dot; "rvcold.dat": no "_".
TEST(CatalogueVersionTest, OffersVersionsOfSixOrLaterWithADot) {
  const std::pair<const char*, const char*> rows[] = {
      {"rvc_10.1.dat", "10.1"}, {"/cfg/RVC_6.0.DAT", "6.0"}, {"rvc_5.1.dat", ""}, {"rvc_10.dat", ""},
      {"rvc.dat", ""},          {"RVC.dat", ""},             {"rvcold.dat", ""},  {"rvc_old_9.5.dat", "9.5"}};
  for (const auto& [file, version] : rows) EXPECT_EQ(CatalogueVersion(file), version) << file;
}

class VersionSelectionTest : public ::testing::Test {
 protected:
  VersionSelectionTest()
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"), data_("KW_DATA_RAVLINCONFIG", dir_ / "cfg") {
    std::filesystem::create_directories(dir_ / "cfg");
  }
  void Catalogue(const std::string& name) { WriteFile(dir_ / ("cfg/" + name), "[_internal_]\n"); }

  TempDir dir_;
  test::ScopedEnv env_;
  test::ScopedEnv data_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

TEST_F(VersionSelectionTest, ASingleQualifyingVersionIsTakenWithoutShowingTheDialog) {
  Catalogue("rvc.dat");
  Catalogue("rvc_5.1.dat");
  Catalogue("rvc_10.dat");
  Catalogue("rvc_10.1.dat");
  CVersionSelection selection;
  EXPECT_EQ(selection.Run(), ui::DialogResult::Ok);
  EXPECT_TRUE(ui_.DialogsRun().empty());
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_EQ(selection.Entries, std::vector<std::string>{"Ravlin 10.1"});
  EXPECT_EQ(selection.ChosenVersion, "10.1");
  EXPECT_EQ(selection.ChosenCatalogue, "rvc_10.1.dat");
  EXPECT_EQ(selection.Choice, "Ravlin 10.1");
}

TEST_F(VersionSelectionTest, SeveralVersionsAreOfferedAndTheSelectedOneIsChosen) {
  Catalogue("rvc_9.5.dat");
  Catalogue("Rvc_10.1.dat");
  ui_.QueueDialog("VersionSelection", [](ui::IDialogModel& model) {
    auto& selection = dynamic_cast<CVersionSelection&>(model);
    EXPECT_EQ(selection.Selection, 0);  // the first entry is preselected
    EXPECT_EQ(selection.Entries, (std::vector<std::string>{"Ravlin 10.1", "Ravlin 9.5"}));
    selection.Selection = 1;
    return ui::DialogResult::Ok;
  });
  CVersionSelection selection;
  EXPECT_EQ(selection.Run(), ui::DialogResult::Ok);
  EXPECT_EQ(ui_.DialogsRun(), std::vector<std::string>{"VersionSelection"});
  EXPECT_EQ(selection.ChosenVersion, "9.5");
  EXPECT_EQ(selection.ChosenCatalogue, "rvc_9.5.dat");

  // The catalogue keeps the spelling found on disk.
  ui_.QueueDialog("VersionSelection", [](ui::IDialogModel&) { return ui::DialogResult::Ok; });
  CVersionSelection first;
  EXPECT_EQ(first.Run(), ui::DialogResult::Ok);
  EXPECT_EQ(first.ChosenCatalogue, "Rvc_10.1.dat");

  // A cancel (the headless dialog's, without a script) leaves the defaults.
  CVersionSelection cancelled;
  EXPECT_EQ(cancelled.Run(), ui::DialogResult::Cancel);
  EXPECT_EQ(cancelled.ChosenVersion, "10.1");
  EXPECT_EQ(cancelled.ChosenCatalogue, "rvc.dat");
}

TEST_F(VersionSelectionTest, TellsWhyNothingCanBeChosen) {
  {
    test::ScopedEnv unset("KW_DATA_RAVLINCONFIG", std::nullopt);
    EXPECT_EQ(CVersionSelection().Run(), ui::DialogResult::Cancel);
  }
  EXPECT_EQ(CVersionSelection().Run(), ui::DialogResult::Cancel);
  Catalogue("rvc.dat");
  Catalogue("rvc_5.1.dat");
  EXPECT_EQ(CVersionSelection().Run(), ui::DialogResult::Cancel);
  EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{
                                    "The logical 'KW_DATA_RAVLINCONFIG' is not defined",
                                    "No 'rvc_<version>.dat' files found at : " + dir_ / "cfg/",
                                    "No Ravlin version of 6.0 or later found at : " + dir_ / "cfg/",
                                }));
  EXPECT_TRUE(ui_.DialogsRun().empty());
}

}  // namespace
}  // namespace rvc::frame
