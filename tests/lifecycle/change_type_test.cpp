// Change of device type on a copy of the sample installation: the first dispatcher keeps
// its place and folder, another one moves, a failed creation changes nothing, and the
// refusals.
#include "lifecycle/change_type.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "core/rvc_exception.h"
#include "platform/window_lookup.h"
#include "store/shortcuts.h"
#include "tests/lifecycle/sample_flavour.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

using test::FileExists;
using test::ReadFile;

std::vector<std::string> Fields(const store::DispatcherRecord& r) {
  return {r.Name, r.Type, r.Folder, std::to_string(r.Base), std::to_string(r.CommandPort)};
}

class ChangeTypeTest : public test_fixture::SampleCommandTest {
 protected:
  ChangeTypeTest() {
    tiff_.CreatePpd = [this](int index) { ppdsCreated_.push_back(index); };
  }

  std::vector<std::vector<std::string>> Records() const {
    std::vector<std::vector<std::string>> records;
    for (int i = 0; i < tiff_.Dispatchers->GetCount(); ++i)
      records.push_back(Fields(tiff_.Dispatchers->GetAt(i).Record));
    return records;
  }
  // Changes row `row` to type `type` (with the PPD `ppd` for a PPD type).
  bool Retype(int row, int type, std::string ppd = {}) {
    Choose(type, ppd);
    tiff_.CurrentIndex = row;
    return OnChangeType(tiff_);
  }
  // The next dialog chooses type `type` (and, for a PPD type, the PPD `ppd`).
  void Choose(int type, std::string ppd = {}) {
    ui_.QueueDialog("ChangeDevType", [this, type, ppd](ui::IDialogModel& model) {
      auto& dialog = dynamic_cast<CChangeDevType&>(model);
      dialog.DeviceType = type;
      dialog.OnTypeChanged();
      if (!ppd.empty()) {
        ui_.QueueFile(ppd);
        dialog.OnBrowse();
      }
      return ui::DialogResult::Ok;
    });
  }

  std::vector<int> ppdsCreated_;
};

TEST_F(ChangeTypeTest, TheFirstDispatcherKeepsItsPlaceAndItsFolder) {
  const std::string desktop = test::MakeDispatcherLauncher("Mono", "Tiffmono", true);
  ui_.QueueDialog("ChangeDevType", [](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CChangeDevType&>(model);
    EXPECT_EQ(dialog.DeviceTypes, (std::vector<std::string>{"Imagesetter_Film", "CtP_platedriver", "Generic_FromPPD"}));
    EXPECT_EQ(dialog.ChosenType(), "Imagesetter_Film");
    EXPECT_FALSE(dialog.PpdEnabled);
    dialog.DeviceType = 1;
    dialog.OnTypeChanged();
    return ui::DialogResult::Ok;
  });
  tiff_.CurrentIndex = 0;
  ASSERT_TRUE(OnChangeType(tiff_));

  EXPECT_EQ(Records(), (std::vector<std::vector<std::string>>{
                           {"Mono", "CtP_platedriver", "Tiffmono", "0", "5004"},
                           {"Mono1", "CtP_platedriver", "CtP_platedriver", "1", "5104"},
                           {"Mono3_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD", "3", "5304"}}));
  EXPECT_EQ(tiff_.Dispatchers->GetAt(0).Path(), sample_.Data("Tiffmono/Tiffmono"));
  const std::string folder = sample_.Data("Tiffmono/Tiffmono/data/");
  EXPECT_FALSE(std::filesystem::exists(sample_.Data("Tiffmono/Tiffmono_dub")));
  EXPECT_TRUE(FileExists(folder + "zv_plate.res"));
  EXPECT_EQ(ReadFile(folder + "tiffmono.fid"),
            ReadFile(sample_.Path("prog/Tiffmono/dat/templates/Tiffmono/tiffmono_CtP_platedriver.fid")));
  const std::string ini = ReadFile(folder + "zvTiffmono_dispatcher.ini");
  EXPECT_NE(ini.find("flavor=Tiffmono\n"), std::string::npos);
  EXPECT_EQ(ini.find("_dub"), std::string::npos);
  EXPECT_FALSE(FileExists(folder + "zvTiffmono_dub_dispatcher.ini"));
  const std::string swap = ReadFile(folder + "swap_1.sfd");
  EXPECT_EQ(swap.rfind("[persistent]\n", 0), 0u);
  EXPECT_NE(swap.find("\\tiffmono\\"), std::string::npos);
  EXPECT_EQ(swap.find("_dub"), std::string::npos);
  EXPECT_EQ(ReadFile(folder + "servers.ini").find("_dub"), std::string::npos);
  // The hot folders made under the temporary name are gone, the dispatcher's are there.
  EXPECT_FALSE(std::filesystem::exists(sample_.Path("hotfolders/Tiffmono_dub")));
  EXPECT_TRUE(std::filesystem::is_directory(sample_.Path("hotfolders/Tiffmono/PDF")));
  // The copy the list rebuild reads follows the dispatcher.
  EXPECT_EQ(ReadFile(sample_.Data("Tiffmono/data/zvTiffmono_dispatcher.ini")), ini);
  EXPECT_FALSE(FileExists(sample_.Data("Tiffmono/data/zvTiffmono_dub_dispatcher.ini")));
  EXPECT_TRUE(FileExists(desktop));
  EXPECT_EQ(ReadFile(desktop).find("_dub"), std::string::npos);
  EXPECT_EQ(ppdsCreated_, std::vector<int>{0});
  for (int base : {0, 1, 3}) EXPECT_TRUE(tiff_.Dispatchers->SeparatorInUse(base)) << base;

  const store::CDispatcherList rebuilt(tiff_.Dispatchers->ListFile(), *tiff_.Templates, true, "Tiffmono");
  ASSERT_EQ(rebuilt.GetCount(), 3);
  EXPECT_EQ(Fields(rebuilt.GetAt(0).Record), Records()[0]);
}

TEST_F(ChangeTypeTest, HotFoldersOfTheTemporaryNameStayWhileTheyHoldSomething) {
  const std::string job = sample_.Path("hotfolders/Tiffmono_dub/PS/job.ps");
  std::filesystem::create_directories(sample_.Path("hotfolders/Tiffmono_dub/PS"));
  test::WriteFile(job, "%!PS");
  ASSERT_TRUE(Retype(0, 1));

  EXPECT_EQ(ReadFile(job), "%!PS");
  EXPECT_FALSE(std::filesystem::exists(sample_.Path("hotfolders/Tiffmono_dub/PDF")));
  EXPECT_TRUE(std::filesystem::is_directory(sample_.Path("hotfolders/Tiffmono/PS")));
}

TEST_F(ChangeTypeTest, AnotherDispatcherMovesToItsNewTypesFolderAtTheEnd) {
  const std::string desktop = test::MakeDispatcherLauncher("Mono1", "CtP_platedriver", true);
  ASSERT_TRUE(Retype(1, 0));
  EXPECT_EQ(Records(), (std::vector<std::vector<std::string>>{
                           {"Mono", "Imagesetter_Film", "Tiffmono", "0", "5004"},
                           {"Mono3_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD", "3", "5304"},
                           {"Mono1", "Imagesetter_Film", "Imagesetter_Film", "1", "5104"}}));
  EXPECT_FALSE(std::filesystem::exists(sample_.Data("Tiffmono/CtP_platedriver")));
  EXPECT_FALSE(FileExists(sample_.Data("Tiffmono/data/zvCtP_platedriver_dispatcher.ini")));
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/Imagesetter_Film/data/zvImagesetter_Film_dispatcher.ini")));
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/data/zvImagesetter_Film_dispatcher.ini")));
  EXPECT_TRUE(FileExists(desktop));  // the launchers stay with the new dispatcher
  EXPECT_EQ(ppdsCreated_, std::vector<int>{2});

  // The same type again: rebuilt from the templates under the same folder.
  ASSERT_TRUE(Retype(2, 0));
  EXPECT_EQ(Records().back(), (std::vector<std::string>{"Mono1", "Imagesetter_Film", "Imagesetter_Film", "1", "5104"}));
  EXPECT_FALSE(std::filesystem::exists(sample_.Data("Tiffmono/Imagesetter_Film_dub")));
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/Imagesetter_Film/data/zvImagesetter_Film_dispatcher.ini")));
}

TEST_F(ChangeTypeTest, AFailedCreationLeavesTheOldDispatcherUntouched) {
  tiff_.CreationStepHook = [](CreationStep step) {
    if (step == CreationStep::MediaFile) throw CRvcException(105, "zv_plate_CtP_platedriver.res", "zv_plate.res");
  };
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  const auto records = Records();
  for (int k : {0, 2}) {
    EXPECT_FALSE(Retype(k, 1)) << k;
    EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before) << k;
    EXPECT_EQ(Records(), records) << k;
  }
  EXPECT_EQ(ui_.MessageTexts(),
            (std::vector<std::string>(2, "Failed to copy zv_plate_CtP_platedriver.res to zv_plate.res")));
  EXPECT_TRUE(ppdsCreated_.empty());
}

TEST_F(ChangeTypeTest, RefusalsStopBeforeAnythingChanges) {
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  {
    std::ifstream held(sample_.Data("Tiffmono/CtP_platedriver/data/servers.ini"));
    tiff_.CurrentIndex = 1;
    EXPECT_FALSE(OnChangeType(tiff_));
    EXPECT_EQ(ui_.MessageTexts().back(), sample_.Data("Tiffmono/") +
                                             "CtP_platedriver is in use by an other application.\nPlease close all "
                                             "applications using this directory.");
  }
  windows_.titles.insert("Dispatcher for Mono1 (10.1)");
  EXPECT_FALSE(OnChangeType(tiff_));
  EXPECT_EQ(ui_.MessageTexts().back(), "Dispatcher Mono1 is running.\nYou cannot delete a running dispatcher.");
  EXPECT_TRUE(ui_.DialogsRun().empty());

  // A PPD type needs a PPD; Cancel ends the command.
  windows_.titles.clear();
  Choose(2);
  EXPECT_FALSE(OnChangeType(tiff_));
  EXPECT_EQ(ui_.DialogsRun().size(), 2u);
  EXPECT_EQ(ui_.MessageTexts().back(), "Please browse and select a PPD file.");
  EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before);

  EXPECT_TRUE(CChangeDevType::IsPpdType("_fromPPD"));
  EXPECT_TRUE(CChangeDevType::IsPpdType("Proof_fromppd"));
  EXPECT_FALSE(CChangeDevType::IsPpdType("Proof_fromPPD"));
}

TEST_F(ChangeTypeTest, APpdTypeTakesThePpd) {
  ASSERT_TRUE(Retype(1, 2, sample_.Path("ppds/OrvaTiffsetter.ppd")));
  EXPECT_EQ(Records().back(), (std::vector<std::string>{"Mono1", "Generic_FromPPD", "Generic_FromPPD_2", "1", "5104"}));
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/Generic_FromPPD_2/data/OrvaTiffsetter.ppd")));

  // The dialog opens on the current type, with the PPD field for a PPD type.
  CChangeDevType dialog(*tiff_.Templates, "generic_fromppd");
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.DeviceType, 2);
  EXPECT_TRUE(dialog.PpdEnabled);
}

}  // namespace
}  // namespace rvc::lifecycle
