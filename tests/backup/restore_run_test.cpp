// The Restore command on a copy of the sample installation and a backup of its Approval
// flavour: the data restore of a single dispatcher, and the messages and questions of the
// paths that refuse or end a restore.
#include "backup/restore_run.h"

#include <gtest/gtest.h>

#include "lifecycle/scripted_commands.h"
#include "store/dispatcher_list.h"
#include "store/rvc_utils.h"
#include "store/template_list.h"
#include "tests/support/loaded_sample.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::backup {
namespace {

class RestoreRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame::CFlavour& flavour = *sample_.flavours[test::kApproval];
    folder_ = backup_ / "RVC_Backup_host-2026-12-06-04-51";
    BackupIndexWriter writer(folder_);
    writer.AddFlavour(flavour.DisplayName);
    store::CDispatcherList& list = *flavour.DispatcherList;
    store::CopyOptions copy;
    copy.showProgress = false;
    for (int i = 0; i < list.GetCount(); ++i) {
      const store::DispatcherRecord& record = list.GetAt(i).Record;
      IndexEntry entry{flavour.DisplayName, flavour.Version, record.Name, i == 0, record.Folder, record.Type,
                       std::nullopt,        record.Base,     record.CommandPort};
      if (version_) entry.Version = *version_;
      writer.AddDispatcher(entry);
      store::CRvcUtils().CopyTree(list.DataFolder() + record.Folder + "/data", folder_ + "/" + flavour.DisplayName + "/" + record.Name, copy);
    }
    writer.Write();
    context_.Lifecycle = lifecycle::MakeCommandContext(sample_.flavours, test::kApproval, -1);
    context_.DisplayName = flavour.DisplayName;
    context_.Key = flavour.Key;
    context_.Version = flavour.Version;
    context_.DataFolder = list.DataFolder();
    context_.IsRunning = [](const std::string&) { return false; };
  }
  std::string Installed(const std::string& relative) {
    return context_.DataFolder + context_.Lifecycle.Dispatchers->GetAt(0).Record.Folder + "/data/" + relative;
  }
  std::string FirstName() { return context_.Lifecycle.Dispatchers->GetAt(0).Record.Name; }

  std::optional<std::string> version_;
  test::LoadedSample sample_;
  test::TempDir backup_;
  std::string folder_;
  RestoreContext context_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

TEST_F(RestoreRunTest, ASingleDispatcherGetsItsDataBackButKeepsItsHistory) {
  const std::string history = test::ReadFile(Installed("History.txt"));
  const std::string backedUpIni = test::ReadFile(Installed("zv_config.res"));
  test::WriteFile(Installed("zv_config.res"), "changed");
  test::WriteFile(folder_ + "/Approval/" + FirstName() + "/History.txt", "from the backup");
  const RestoreResult result = RunRestore(context_, folder_, {"approval"}, {FirstName()}, false);
  EXPECT_EQ(result, RestoreResult::Restored);
  EXPECT_EQ(test::ReadFile(Installed("zv_config.res")), backedUpIni);
  EXPECT_EQ(test::ReadFile(Installed("History.txt")), history);
  EXPECT_EQ(ui_.MessageTexts().back(), "Dispatcher successfully restored!");
}

TEST_F(RestoreRunTest, RefusalsShowTheirMessageAndChangeNothing) {
  struct Case {
    std::string what;
    std::vector<std::string> flavours;
    std::function<void()> prepare;
    std::string message;
  };
  const std::string index = folder_ + "/BackupInfo.tmp";
  const std::vector<Case> cases = {
      {"no flavour chosen", {}, [] {}, "Dispatcher successfully restored!"},
      {"another flavour", {"Proof"}, [] {},
       "The requested flavour (Proof) does not match the active flavour (Approval) in Ravlin Configurator.\n"
       "Please select Proof in main dialog and try again."},
      {"another type",
       {"Approval"},
       [&] {
         std::string bytes = test::ReadFile(index);
         const std::string type = "Type=" + context_.Lifecycle.Dispatchers->GetAt(0).Record.Type + "\n";
         bytes.replace(bytes.find(type), type.size(), "Type=Other\n");
         test::WriteFile(index, bytes);
       },
       "The Dispatcher '" + FirstName() + "' uses same port number, but there are following differences\nType: " +
           context_.Lifecycle.Dispatchers->GetAt(0).Record.Type + " <> Other\nPlease resolve above differences and try again"},
      {"another version",
       {"Approval"},
       [&] {
         std::string bytes = test::ReadFile(index);
         for (std::size_t at; (at = bytes.find("Version=" + context_.Version + "\n")) != std::string::npos;) {
           bytes.replace(at, 8 + context_.Version.size(), "Version=9.0");
         }
         test::WriteFile(index, bytes);
       },
       "The selected Dispatcher version (9.0) to restore is not compatible with installed version (" + context_.Version +
           ")!\n\nRestores with version differences are only allowed for complete flavours, not for single dispatchers."},
  };
  const std::string original = test::ReadFile(index);
  for (const Case& c : cases) {
    test::WriteFile(index, original);
    c.prepare();
    ui_.Clear();
    const auto before = test::Snapshot(context_.DataFolder);
    RunRestore(context_, folder_, c.flavours, {FirstName()}, false);
    ASSERT_FALSE(ui_.MessageTexts().empty()) << c.what;
    EXPECT_EQ(ui_.MessageTexts().back(), c.message) << c.what;
    EXPECT_EQ(test::Snapshot(context_.DataFolder), before) << c.what;
  }
}

TEST_F(RestoreRunTest, AWholeFlavourAsksFirstAndEndsOnNo) {
  ui_.QueueAnswer(ui::Answer::No);
  const auto before = test::Snapshot(context_.DataFolder);
  EXPECT_EQ(RunRestore(context_, folder_, {"Approval"}, {FirstName()}, true), RestoreResult::Ended);
  ASSERT_EQ(ui_.MessageTexts().size(), 1u);
  EXPECT_EQ(ui_.MessageTexts()[0], "All the dispatchers present under the flavour 'Approval' will be replaced with "
                                   "backed-up dispatchers .\nDo you want to continue?");
  EXPECT_EQ(test::Snapshot(context_.DataFolder), before);
}

}  // namespace
}  // namespace rvc::backup
