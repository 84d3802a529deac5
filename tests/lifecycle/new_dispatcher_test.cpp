// The New command on a copy of the sample installation: the dialogs' lists and checks,
// the proposed name, port separator, command port and folder, the PPD and the VDP mode.
#include "lifecycle/new_dispatcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/rvc_exception.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "platform/window_lookup.h"
#include "store/resource_db.h"
#include "tests/lifecycle/sample_flavour.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

using test::FileExists;
using test::ReadFile;

class NewDispatcherTest : public test_fixture::SampleCommandTest {
 protected:
  // Scripts the next run of `dialog` with `edit`, closing with Ok.
  template <typename Model>
  void Script(const std::string& dialog, std::function<void(Model&)> edit) {
    ui_.QueueDialog(dialog, [edit](ui::IDialogModel& model) {
      edit(dynamic_cast<Model&>(model));
      return ui::DialogResult::Ok;
    });
  }
  // Chooses Generic_FromPPD and browses for the PPD the file dialog gives.
  static void BrowsePpdType(CNewDispatcher& dialog) {
    dialog.DeviceType = 2;  // Generic_FromPPD
    dialog.OnTypeChanged();
    dialog.OnBrowse();
  }
  const store::DispatcherRecord& Last(const CommandContext& context) const {
    return context.Dispatchers->GetAt(context.Dispatchers->GetCount() - 1).Record;
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const ui::Message& message : ui_.Messages()) {
      if (message.icon == ui::Icon::Exclamation) texts.push_back(message.text);
    }
    return texts;
  }
};

TEST_F(NewDispatcherTest, TheDialogOffersTheFlavoursTypesAndDispatchersAndTheLowestFreeSeparator) {
  tiff_.CurrentIndex = 1;
  Script<CNewDispatcher>("NewDispatcher", [](CNewDispatcher& dialog) {
    EXPECT_EQ(dialog.Name, "Mono2");  // separators 0, 1 and 3 are in use
    EXPECT_EQ(dialog.DeviceTypes, (std::vector<std::string>{"Imagesetter_Film", "CtP_platedriver", "Generic_FromPPD"}));
    EXPECT_EQ(dialog.DeviceType, 0);
    EXPECT_EQ(dialog.QueueSetups, (std::vector<std::string>{"Use Factory Default", "Copy Mono", "Copy Mono1",
                                                            "Copy Mono3_OrvaTiffsetter"}));
    EXPECT_EQ(dialog.QueueSetup, 0);
    EXPECT_TRUE(dialog.QueueSetupListEnabled);
    EXPECT_TRUE(dialog.CancelEnabled);
    EXPECT_FALSE(dialog.PpdEnabled);
    dialog.DeviceType = 1;  // CtP_platedriver, whose folder exists already
    dialog.OnTypeChanged();
    dialog.QueueSetup = 2;  // Copy Mono1
  });
  ASSERT_TRUE(OnNewDispatcher(tiff_));

  ASSERT_EQ(tiff_.Dispatchers->GetCount(), 4);
  const store::DispatcherRecord& made = Last(tiff_);
  EXPECT_EQ(made.Name, "Mono2");
  EXPECT_EQ(made.Type, "CtP_platedriver");
  EXPECT_EQ(made.Folder, "CtP_platedriver_2");
  EXPECT_EQ(made.Base, 2);
  EXPECT_EQ(made.CommandPort, 5204);  // 5104 with the hundreds digit replaced
  EXPECT_TRUE(tiff_.Dispatchers->SeparatorInUse(2));
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/CtP_platedriver_2/data/zvCtP_platedriver_2_dispatcher.ini")));
  // The queues of the copied dispatcher come along.
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/CtP_platedriver_2/data/servers.ini")));
  EXPECT_EQ(tiff_.CurrentIndex, -1);
  EXPECT_EQ(sample_.refreshes, 1);
  EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(NewDispatcherTest, TheFolderIsMadeUniqueAndTheFactoryDefaultDropsTheQueues) {
  std::filesystem::create_directories(sample_.Data("Tiffmono/Imagesetter_Film"));
  std::filesystem::create_directories(sample_.Data("Tiffmono/imagesetter_film_2"));  // case is ignored
  EXPECT_EQ(UniqueFolderName(sample_.Data("Tiffmono/"), "Imagesetter_Film"), "Imagesetter_Film_3");
  EXPECT_EQ(UniqueFolderName(sample_.Data("Tiffmono/"), "Elsewhere"), "Elsewhere");

  Script<CNewDispatcher>("NewDispatcher", [](CNewDispatcher& dialog) { dialog.Name = "Press"; });
  ASSERT_TRUE(OnNewDispatcher(tiff_));
  const store::DispatcherRecord& made = Last(tiff_);
  EXPECT_EQ(made.Folder, "Imagesetter_Film_3");
  EXPECT_EQ(made.CommandPort, 5204);  // from the first dispatcher's 5004
  EXPECT_FALSE(FileExists(sample_.Data("Tiffmono/Imagesetter_Film_3/data/servers.ini")));
}

TEST_F(NewDispatcherTest, OkRefusesBadNamesAndAPpdTypeWithoutPpd) {
  tiff_.InstalledDispatchers = {tiff_.Dispatchers, sample_.Load("Dedezi").Dispatchers};
  for (std::string name : {"Press|1", "mONO1", "velmora1"}) {
    Script<CNewDispatcher>("NewDispatcher", [name](CNewDispatcher& dialog) { dialog.Name = name; });
  }
  Script<CNewDispatcher>("NewDispatcher", [](CNewDispatcher& dialog) {
    dialog.Name = "Press";
    dialog.DeviceType = 2;  // Generic_FromPPD
    dialog.OnTypeChanged();
    EXPECT_TRUE(dialog.PpdEnabled);
    EXPECT_FALSE(dialog.BrowseFocused);
  });
  ui_.QueueDialog("NewDispatcher", [](ui::IDialogModel& model) {
    EXPECT_TRUE(dynamic_cast<CNewDispatcher&>(model).BrowseFocused);
    return ui::DialogResult::Cancel;
  });
  EXPECT_FALSE(OnNewDispatcher(tiff_));

  EXPECT_EQ(ui_.DialogsRun().size(), 5u);
  EXPECT_EQ(Errors(),
            (std::vector<std::string>{
                "Following characters may not be used: \\/:*?\"<>|", "mONO1 already exists, please choose another name",
                "velmora1 already exists, please choose another name", "Please browse and select a PPD file."}));
  EXPECT_EQ(tiff_.Dispatchers->GetCount(), 3);
  EXPECT_FALSE(tiff_.Dispatchers->SeparatorInUse(2));
  EXPECT_EQ(sample_.refreshes, 0);
}

TEST_F(NewDispatcherTest, EveryForbiddenCharacterControlCharacterAndOverlongNameIsRefused) {
  CNewDispatcher dialog(*tiff_.Templates, *tiff_.Dispatchers, false);
  dialog.OnInitDialog();
  // An empty name keeps the dialog open on the name, like the other refusals.
  dialog.Name.clear();
  EXPECT_FALSE(dialog.OnOk());
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"You must specify a name"});
  EXPECT_EQ(dialog.FocusField(), CNewDispatcherDialog::kNameField);
  ui_.Clear();
  for (char c : std::string("\\/:*?\"<>|")) {
    dialog.Name = std::string("Pre") + c + "ss";
    EXPECT_FALSE(dialog.OnOk()) << c;
  }
  EXPECT_EQ(ui_.Messages().size(), 9u);
  // Control characters would split the ini lines the name is written into.
  for (char c : std::string("\n\r\t\x1b\x7f", 5)) {
    dialog.Name = std::string("Pre") + c + "ss";
    EXPECT_FALSE(dialog.OnOk()) << int(c);
    EXPECT_EQ(ui_.Messages().back().text,
              "You can not create a dispatcher whose name holds a control character (such as a line break)");
  }
  dialog.Name = std::string(129, 'n');
  EXPECT_FALSE(dialog.OnOk());
  EXPECT_EQ(ui_.Messages().back().text, "You can not create a dispatcher whose name is longer than 128 bytes");
  for (const std::string& name : {std::string("Press & Co"), std::string(128, 'n'), std::string("Pr\xc3\xa9sse")}) {
    dialog.Name = name;
    EXPECT_TRUE(dialog.OnOk()) << name;
  }
  EXPECT_EQ(ui_.Messages().size(), 15u);
}

TEST_F(NewDispatcherTest, TenUsedSeparatorsGiveMessage138) {
  for (int base = 0; base < 10; ++base) tiff_.Dispatchers->SetSeparatorInUse(base, true);
  Script<CNewDispatcher>("NewDispatcher", [](CNewDispatcher& dialog) {
    EXPECT_EQ(dialog.Name, "Mono-1");
    dialog.Name = "Press";
  });
  EXPECT_FALSE(OnNewDispatcher(tiff_));
  EXPECT_EQ(Errors(), std::vector<std::string>{"You cannot create more than nine clones of one dispatcher."});
  EXPECT_EQ(tiff_.Dispatchers->GetCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(sample_.Data("Tiffmono/Imagesetter_Film")));
}

TEST_F(NewDispatcherTest, APpdIsBrowsedParsedAndNamesTheDispatcher) {
  const std::string ppd = sample_.Path("ppds/OrvaTiffsetter.ppd");
  ui_.QueueFile(ppd);
  Script<CNewDispatcher>("NewDispatcher", BrowsePpdType);
  ASSERT_TRUE(OnNewDispatcher(tiff_));
  const store::DispatcherRecord& made = Last(tiff_);
  EXPECT_EQ(made.Name, "Mono2_OrvaTiffsetter");  // the model appended, the blank made "_"
  EXPECT_EQ(made.Folder, "Generic_FromPPD_2");
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/Generic_FromPPD_2/data/OrvaTiffsetter.ppd")));
}

TEST_F(NewDispatcherTest, AModelAlreadyInTheNameIsNotAppendedAgain) {
  ui_.QueueFile(sample_.Path("ppds/OrvaTiffsetter.ppd"));
  Script<CNewDispatcher>("NewDispatcher", [](CNewDispatcher& dialog) {
    dialog.Name = "My_OrvaTiffsetter";
    BrowsePpdType(dialog);
  });
  ASSERT_TRUE(OnNewDispatcher(tiff_));
  EXPECT_EQ(Last(tiff_).Name, "My_OrvaTiffsetter");
}

TEST_F(NewDispatcherTest, AnUnreadablePpdEndsTheCommandBeforeAnythingIsMade) {
  const std::string notAPpd = sample_.Path("ppds/broken.ppd");
  test::WriteFile(notAPpd, "this is no PPD\n");
  ui_.QueueFile(notAPpd);
  Script<CNewDispatcher>("NewDispatcher", BrowsePpdType);
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  EXPECT_FALSE(OnNewDispatcher(tiff_));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text,
            "Error while parsing the options from: " + notAPpd + "\nCheck whether selected PPD is a valid one");
  EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before);
  EXPECT_FALSE(tiff_.Dispatchers->SeparatorInUse(2));
}

TEST_F(NewDispatcherTest, ThePpdFieldFollowsTheType) {
  CNewDispatcher dialog(*tiff_.Templates, *tiff_.Dispatchers, false);
  dialog.OnInitDialog();
  EXPECT_FALSE(dialog.PpdEnabled);
  ui_.QueueFile(sample_.Path("ppds/missing.ppd"));  // the file dialog only gives existing files
  dialog.DeviceType = 2;
  dialog.OnTypeChanged();
  dialog.OnBrowse();
  EXPECT_EQ(dialog.PpdPath, "");
  ui_.QueueFile(sample_.Path("ppds/OrvaJet.ppd"));
  dialog.OnBrowse();
  EXPECT_EQ(dialog.PpdPath, sample_.Path("ppds/OrvaJet.ppd"));
  dialog.DeviceType = 0;
  dialog.OnTypeChanged();
  EXPECT_FALSE(dialog.PpdEnabled);
  EXPECT_EQ(dialog.PpdPath, "");

  EXPECT_TRUE(CNewDispatcher::IsPpdType("_fromppd"));
  EXPECT_TRUE(CNewDispatcher::IsPpdType("Proof_fromPPD"));
  EXPECT_FALSE(CNewDispatcher::IsPpdType("Proof_fromppd"));
}

TEST_F(NewDispatcherTest, RetypeModeSkipsTheNameChecksAndCannotBeCancelled) {
  CNewDispatcher dialog(*tiff_.Templates, *tiff_.Dispatchers, true);
  dialog.queueSetupEnabled = false;
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.ChosenType(), "CtP_platedriver");  // Tiffmono: the last platedriver type
  EXPECT_FALSE(dialog.CancelEnabled);
  EXPECT_FALSE(dialog.QueueSetupListEnabled);
  dialog.Name = "Mono";
  EXPECT_TRUE(dialog.OnOk());
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(NewDispatcherTest, TheVdpDialogProposesItsOwnNameForAPreferredFlavour) {
  CommandContext& dedezi = sample_.Load("Dedezi");
  EXPECT_EQ(NewDispatcherKindOf("Tiffgray"), NewDispatcherKind::WithPpd);
  EXPECT_EQ(NewDispatcherKindOf("dcs"), NewDispatcherKind::WithPpd);
  EXPECT_EQ(NewDispatcherKindOf("DEDEZI"), NewDispatcherKind::VdpMode);
  EXPECT_EQ(NewDispatcherKindOf("Approval"), NewDispatcherKind::NoPpd);

  dedezi.PreferredFlavour = "Dedezi";
  Script<CNewDispatcherVDPMode>("NewDispatcherVDPMode", [](CNewDispatcherVDPMode& dialog) {
    EXPECT_EQ(dialog.Name, "VE050_D&A_Dadudi2");
    EXPECT_EQ(dialog.VdpModes, (std::vector<std::string>{"Active", "Disabled"}));
    EXPECT_EQ(dialog.VdpIndex(), 1);
    dialog.VdpMode = 1;
  });
  ASSERT_TRUE(OnNewDispatcher(dedezi));
  const store::DispatcherRecord& made = Last(dedezi);
  EXPECT_EQ(made.Name, "VE050_D&A_Dadudi2");
  const store::ResourceDb ini = store::ResourceDb::OpenOrThrow(
      sample_.Data("Dedezi/" + made.Folder + "/data/zv" + made.Folder + "_dispatcher.ini"));
  EXPECT_EQ(ini.Find("environment", "VDP_MODE"), "STATIC");

  dedezi.PreferredFlavour.clear();
  Script<CNewDispatcherVDPMode>("NewDispatcherVDPMode",
                                [](CNewDispatcherVDPMode& dialog) { EXPECT_EQ(dialog.Name, "Velmora3"); });
  ASSERT_TRUE(OnNewDispatcher(dedezi));
  const store::DispatcherRecord& active = Last(dedezi);
  const store::ResourceDb activeIni = store::ResourceDb::OpenOrThrow(
      sample_.Data("Dedezi/" + active.Folder + "/data/zv" + active.Folder + "_dispatcher.ini"));
  EXPECT_EQ(activeIni.Find("environment", "VDP_MODE"), "VDP");
}

}  // namespace
}  // namespace rvc::lifecycle
