// The backup of the sample installation through the model, with the headless user
// interface. The configurator's backup job is a stub script standing in for `rvc_setup
// -b` (the job itself is tested with the installer): it records its arguments and writes
// what the job leaves in the temporary folder.
#include "backup/backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "backup/backup_index.h"
#include "frame/rvc_app.h"
#include "platform/path.h"
#include "store/resource_db.h"
#include "tests/support/loaded_sample.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::backup {
namespace {

namespace fs = std::filesystem;

class BackupTest : public testing::Test {
 protected:
  BackupTest() {
    test::WriteFile(stub_, "#!/bin/sh\nprintf '%s|' \"$@\" >>'" + (tools_ / "job.log") +
                               "'\necho >>'" + (tools_ / "job.log") + "'\nmkdir -p \"$TMP/$1\" && echo saved >\"$TMP/$1/rvc1.cfg\"\n");
    fs::permissions(stub_, fs::perms::owner_all);
  }

  std::string Catalogue() const { return sample_.Path("config/" + frame::CRvcApp::CatalogueFileName); }
  std::optional<std::string> LastBackup() const {
    return store::ResourceDb::OpenOrThrow(Catalogue()).Find("_internal_", "LastSuccessfulBackup");
  }

  test::TempDir tools_;
  test::TempDir target_;
  std::string stub_ = tools_ / "rvc_setup";
  test::ScopedEnv computer_{"COMPUTERNAME", "RIP-01"};
  test::LoadedSample sample_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scopedUi_{ui_};
};

TEST_F(BackupTest, BacksUpEveryFlavourIntoANewFolderAndRemembersIt) {
  ui_.QueueFolder(target_.Path());
  CBackup(sample_.flavours, stub_).OnBackup();

  ASSERT_EQ(ui_.FolderTitles(), std::vector<std::string>{"Please browse to a folder for Backup"});
  const std::vector<std::string> made = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(target_.Path())) names.push_back(entry.path().filename());
    return names;
  }();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_TRUE(std::regex_match(made[0], std::regex(R"(RVC_Backup_rip-01_\d{4}_\d\d_\d\d_\d\d-\d\d)"))) << made[0];
  const std::string folder = target_ / made[0];

  // The index, byte for byte (the date is only in the folder's name).
  EXPECT_EQ(test::ReadFile(folder + "/BackupInfo.tmp"),
            test::ReadFile(std::string(RVC_SOURCE_DIR) + "/tests/backup/sample_index.golden"));

  // Data folders, the plug-in's data, the jobs' output, the proof server's files.
  const std::string tiff = folder + "/" + sample_.flavours[test::kTiff]->DisplayName;
  EXPECT_EQ(test::Snapshot(tiff + "/Mono1"),
            test::Snapshot(sample_.Path("data/Tiffmono/CtP_platedriver/data")));
  EXPECT_EQ(test::ReadFile(tiff + "/Mono/device_data.txt"), "flavour=Ravlin Tiff\ntype=Imagesetter_Film\n");
  const std::string tmp = sample_.Path("tmp/");
  std::string expectedLog;
  for (const auto& flavour : sample_.flavours) {
    EXPECT_EQ(test::ReadFile(folder + "/" + flavour->DisplayName + "/" + flavour->Key + "/rvc1.cfg"), "saved\n");
    EXPECT_FALSE(fs::exists(tmp + flavour->Key));
    EXPECT_TRUE(fs::exists(tmp + flavour->Key + "prog"));
    EXPECT_FALSE(fs::exists(tmp + flavour->Key + "prog/ppd"));
    expectedLog += flavour->Key + "|" + platform::WithTrailingSeparator(flavour->TemplateList->ProgramFolder()) + "/|" +
                   platform::WithTrailingSeparator(flavour->DispatcherList->DataFolder()) + "/|-b|" + frame::CRvcApp::ProductVersion + "|\n";
  }
  EXPECT_EQ(test::ReadFile(tools_ / "job.log"), expectedLog);
  EXPECT_TRUE(fs::exists(folder + "/Proof/ProofServer.BackUp"));
  EXPECT_TRUE(fs::exists(folder + "/Proof/proof_settings.txt"));

  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Backup operation is performed successfully.\n"
                                                         "Backed-up data can be found at " + folder});
  const std::string trace = test::ReadFile(sample_.Path("config/trace_rvc.txt"));
  EXPECT_NE(trace.find("RVC::Backup operation is performed successfully.\n"), std::string::npos);
  EXPECT_NE(trace.find("RVC::Backup location:" + folder + "\n"), std::string::npos);
  EXPECT_EQ(LastBackup(), folder);
  EXPECT_EQ(CBackup::StartFolder() + "/", target_.Path());
  EXPECT_EQ(ui_.ProgressTexts().front(), "Approval: " + sample_.flavours[0]->DispatcherList->GetAt(0).Record.Name);

  // The reader takes what the backup wrote.
  const BackupIndex index = BackupIndex::Read(folder);
  EXPECT_EQ(index.Flavours()->size(), sample_.flavours.size());
  EXPECT_EQ(BackedUpDispatcherFolder(index, folder, *index.Find("Ravlin Tiff", "Mono1")), tiff + "/Mono1");
}

TEST_F(BackupTest, ACancelledBackupIsNotRememberedAndACancelledPickerWritesNothing) {
  CBackup(sample_.flavours, stub_).OnBackup();
  EXPECT_TRUE(fs::is_empty(target_.Path()));

  ui_.QueueFolder(target_.Path());
  ui_.CancelProgressAfter(2);
  CBackup backup(sample_.flavours, stub_);
  backup.OnBackup();
  EXPECT_TRUE(backup.Cancelled());
  EXPECT_FALSE(LastBackup());
  ASSERT_EQ(ui_.MessageTexts().size(), 1u);
  EXPECT_EQ(ui_.MessageTexts()[0].rfind("The backup was cancelled.", 0), 0u);
  EXPECT_EQ(ui_.ProgressTexts().size(), 2u);  // two dispatchers, then the stop
}

TEST_F(BackupTest, StartsBesideTheConfigurationFolderAndOnlyAllBacksUpFlavours) {
  EXPECT_EQ(CBackup::StartFolder(), fs::path(sample_.Path("config")).parent_path());

  CBackup backup(sample_.flavours, stub_);
  EXPECT_FALSE(backup.BackupFlavours("All", ""));
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Destination folder is not specified"});
  ASSERT_TRUE(backup.BackupFlavours("Some", target_.Path()));
  EXPECT_EQ(test::ReadFile(target_ / "BackupInfo.tmp"),
            "[_internal_]\n;@=##=DO NOT EDIT THIS FILE   =##\nVersion=\nFlavours=\n");
}

TEST_F(BackupTest, APluginBelowVersionOneIsNotCalledAndAFromppdTypeRecordsItsPpd) {
  test::ScopedEnv log("RVC_PLUGIN_SAMPLE_LOG", tools_ / "plugins.log");
  const std::string types = sample_.Path("prog/Tiffmono/dat/types.dat");
  std::string table = test::ReadFile(types);
  const size_t ctp = table.find("backupdll=", table.find("[CtP_platedriver]"));
  table.insert(ctp + 10, "%RAVLIN_SAMPLE_ROOT%\\plugins\\librvc_sample_version09.so");
  test::WriteFile(types, table);
  frame::CFlavour& tiff = *sample_.flavours[test::kTiff];
  tiff.DispatcherList->GetAt(2).Record.Type = "Generic_fromppd";  // its data folder holds OrvaTiffsetter.ppd

  ASSERT_TRUE(CBackup(sample_.flavours, stub_).BackupFlavours("All", target_.Path()));
  const BackupIndex index = BackupIndex::Read(target_.Path());
  EXPECT_EQ(index.Find(tiff.DisplayName, "Mono3_OrvaTiffsetter")->Item("PPDUsed"), "OrvaTiffsetter.ppd");
  EXPECT_FALSE(index.Find(tiff.DisplayName, "Mono1")->Item("PPDUsed"));
  const std::string calls = test::ReadFile(tools_ / "plugins.log");
  EXPECT_NE(calls.find("backup Backup("), std::string::npos) << calls;
  EXPECT_EQ(calls.find("version09"), std::string::npos) << calls;
}

TEST(BackupFolderNameTest, LowerCasesTheComputerNameAndStampsTheMinute) {
  std::tm time{};
  time.tm_year = 2011 - 1900;
  time.tm_mon = 4;
  time.tm_mday = 3;
  time.tm_hour = 14;
  time.tm_min = 7;
  EXPECT_EQ(BackupFolderName("RIP-01", time), "RVC_Backup_rip-01_2011_05_03_14-07");
}

}  // namespace
}  // namespace rvc::backup
