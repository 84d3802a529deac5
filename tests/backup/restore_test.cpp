// Restore: the dialog on written indexes, the version test, the port matching, the path
// checks of restored settings, and the data copy on hostile backups and when it is cut
// short.
#include "backup/restore.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "backup/path_checks.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/recovery.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::backup {
namespace {

struct VersionCase {
  std::string backedUp, installed;
  bool equal;
};
class VersionTest : public ::testing::TestWithParam<VersionCase> {};
TEST_P(VersionTest, Compares) { EXPECT_EQ(VersionsEqual(GetParam().backedUp, GetParam().installed), GetParam().equal); }
INSTANTIATE_TEST_SUITE_P(Cases, VersionTest,
                         ::testing::Values(VersionCase{"10.1", "10.1", true}, VersionCase{"V0101", "10.1", true},
                                           VersionCase{"v0101", "10.1", true}, VersionCase{"9.0", "10.1", false},
                                           VersionCase{"V0901", "10.1", false}, VersionCase{"", "10.1", false}));

TEST(RestoreTest, APickedFolderLeadsBackToItsBackupFolder) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"/b/RVC_Backup_host-2026-12-06-04-51", "/b/RVC_Backup_host-2026-12-06-04-51"},
      {"/b/RVC_Backup_host-2026-12-06-04-51/Proof", "/b/RVC_Backup_host-2026-12-06-04-51"},
      {"/b/RVC_Backup_host", "/b/RVC_Backup_host"},
      {"/b/other-folder", std::nullopt},
  };
  for (const auto& [picked, expected] : cases) EXPECT_EQ(BackupFolderOf(picked), expected) << picked;
}

class RestoreDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_ / "RVC_Backup_host-2026-12-06-04-51";
    ::mkdir(folder_.c_str(), 0755);
  }
  void WriteIndex(const std::vector<IndexEntry>& entries, bool flavours = true) {
    BackupIndexWriter writer(folder_);
    if (flavours) {
      writer.AddFlavour("Approval");
      writer.AddFlavour("Tiffmono");
    }
    for (const IndexEntry& entry : entries) writer.AddDispatcher(entry);
    writer.Write();
  }
  static IndexEntry Entry(std::string flavour, std::string name, bool original) {
    IndexEntry entry;
    entry.Flavour = std::move(flavour);
    entry.Version = "10.1";
    entry.Name = name;
    entry.Original = original;
    entry.Folder = std::move(name);
    entry.Type = "Generic";
    entry.Port = 9000;
    return entry;
  }
  test::TempDir dir_;
  std::string folder_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

TEST_F(RestoreDialogTest, ListsTheActiveFlavourWithThePreselectedDispatcher) {
  WriteIndex({Entry("Approval", "Press", true), Entry("Tiffmono", "Press", true), Entry("Tiffmono", "Proofer", false)});
  CRestoreDlg dlg;
  dlg.BackupFolder = folder_;
  dlg.PreselectedFlavour = "tiffmono";
  dlg.PreselectedDispatcher = "PROOFER";
  dlg.OnInitDialog();
  EXPECT_EQ(dlg.Flavours, (std::vector<std::string>{"Approval", "Tiffmono"}));
  EXPECT_EQ(dlg.SelectedFlavour, 1);
  EXPECT_EQ(dlg.Dispatchers, (std::vector<std::string>{"Press", "Proofer"}));
  EXPECT_EQ(dlg.DispatcherSelected, (std::vector<bool>{false, true}));
  ASSERT_TRUE(dlg.OnOk());
  EXPECT_EQ(dlg.SelectedDispatchers, std::vector<std::string>{"Proofer"});
  EXPECT_FALSE(dlg.WholeFlavour);

  dlg.SelectedFlavour = 0;
  dlg.OnFlavourClick();
  ASSERT_TRUE(dlg.OnOk());
  EXPECT_EQ(dlg.SelectedFlavours, std::vector<std::string>{"Approval"});
  EXPECT_EQ(dlg.SelectedDispatchers, std::vector<std::string>{"Press"});
  EXPECT_TRUE(dlg.WholeFlavour);
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(RestoreDialogTest, BrowsingRefusesAFolderThatIsNoBackupAndCutsASubFolderBack) {
  WriteIndex({Entry("Approval", "Press", true)});
  CRestoreDlg dlg;
  ui_.QueueFolder(dir_.Path() + "elsewhere");
  dlg.OnInitDialog();
  ASSERT_EQ(ui_.MessageTexts().size(), 1u);
  EXPECT_EQ(ui_.MessageTexts()[0], CRvcException(157).Message());
  EXPECT_EQ(ui_.FolderTitles().back(), "Please open a valid backup folder");
  EXPECT_TRUE(dlg.BackupFolder.empty());

  ui_.QueueFolder(folder_ + "/Approval/Press");
  dlg.OnBrowse();
  EXPECT_EQ(dlg.BackupFolder, folder_);
  EXPECT_EQ(dlg.Dispatchers, std::vector<std::string>{"Press"});
}

// Backups the dialog cannot list: each is refused with its message and lists nothing.
TEST_F(RestoreDialogTest, RefusedBackupsListNothing) {
  struct Case {
    std::string what;
    std::function<void()> prepare;
    std::string message;
  };
  const std::string index = folder_ + "/" + kIndexFileName;
  const std::vector<Case> cases = {
      {"missing index", [] {}, CRvcException(155, folder_).Message()},
      {"no flavours", [&] { WriteIndex({}, false); }, CRvcException(156).Message()},
      {"truncated", [&] { test::WriteFile(index, "[Press]\nFlavour=Appr"); }, ""},
      {"dots in a folder", [&] { IndexEntry e = Entry("Approval", "Press", true); e.Folder = ".."; WriteIndex({e}); }, ""},
      {"absolute folder", [&] { IndexEntry e = Entry("Approval", "Press", true); e.Folder = "/etc"; WriteIndex({e}); }, ""},
      {"separator in a name", [&] { WriteIndex({Entry("Approval", "a\\b", true)}); }, ""},
  };
  for (const Case& c : cases) {
    ::unlink(index.c_str());
    ui_.Clear();
    c.prepare();
    CRestoreDlg dlg;
    dlg.BackupFolder = folder_;
    dlg.PreselectedFlavour = "Approval";
    dlg.OnInitDialog();
    EXPECT_TRUE(dlg.Dispatchers.empty()) << c.what;
    ASSERT_EQ(ui_.MessageTexts().size(), 1u) << c.what;
    if (!c.message.empty()) {
      EXPECT_EQ(ui_.MessageTexts()[0], c.message) << c.what;
    } else {
      EXPECT_NE(ui_.MessageTexts()[0].find(kIndexFileName), std::string::npos) << c.what;
      EXPECT_FALSE(dlg.Index().has_value()) << c.what;
    }
  }
}

TEST(RestoreMatchTest, DifferencesNameTheInstalledValueFirst) {
  IndexTopic backedUp{"Press", {{"Flavour", "Tiffmono"}, {"Name", "Press"}, {"Folder", "Press"},
                                {"Type", "Generic"}, {"PPDUsed", "a.ppd"}, {"Port", "9000"}}};
  struct Case {
    InstalledDispatcher installed;
    std::string differences;
  };
  const std::vector<Case> cases = {
      {{"press", "PRESS", "generic", 0, 9000, ""}, ""},
      {{"Press", "Press", "Approval", 0, 9000, ""}, "Type: Approval <> Generic\n"},
      {{"Plate", "Other", "Generic", 0, 9000, ""}, "Folder: Other <> Press\nName: Plate <> Press\n"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(PortMatches(c.installed, backedUp));
    EXPECT_EQ(MatchDifferences(c.installed, backedUp), c.differences);
  }
  backedUp.Items[3].second = "fromPPD";
  EXPECT_EQ(MatchDifferences({"Press", "Press", "fromPPD", 0, 9100, "b.ppd"}, backedUp), "Used PPD: b.ppd <> a.ppd\n");
  EXPECT_FALSE(PortMatches({"Press", "Press", "fromPPD", 0, 9100, ""}, backedUp));
}

class RestoreDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_ / "data/";
    source_ = dir_ / "backup/Tiffmono/Press";
    target_ = data_ + "Press/data";
    test::WriteFile(source_ + "/zvPress_dispatcher.ini", "[hotfolder]\nFolder=%KW_DATA_TAMRIX%\\Hot\n");
    for (int n = 0; n < 3; ++n) {
      test::WriteFile(source_ + "/swap_" + std::to_string(n) + ".sfd", "[persistent]\n# swap\n%KW_DATA_TAMRIX%\\Swap\n");
    }
    test::WriteFile(source_ + "/History.txt", "backed up history");
    test::WriteFile(source_ + "/sub/new.res", "new");
    test::WriteFile(target_ + "/History.txt", "own history");
    test::WriteFile(target_ + "/zvPress_dispatcher.ini", "old ini");
    test::WriteFile(target_ + "/kept.res", "kept");
  }
  test::TempDir dir_;
  test::ScopedEnv config_{"KW_DATA_RAVLINCONFIG", dir_.Path() + "config"};
  std::string data_, source_, target_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

TEST_F(RestoreDataTest, CopiesOverTheDispatcherKeepingItsHistoryAndMakesTheFoldersItsSettingsName) {
  ::mkdir((dir_ / "config").c_str(), 0755);
  ::chmod((source_ + "/sub/new.res").c_str(), 04750);
  CRvcTrace trace("");
  EXPECT_TRUE(RestoreDispatcher(source_, "Press", data_, "Press", trace));
  EXPECT_EQ(test::ReadFile(target_ + "/History.txt"), "own history");
  struct stat restored {};
  ASSERT_EQ(::stat((target_ + "/sub/new.res").c_str(), &restored), 0);
  EXPECT_EQ(restored.st_mode & 07777, 0750u) << "permissions come back, a set-user-ID bit does not";
  EXPECT_EQ(test::ReadFile(target_ + "/zvPress_dispatcher.ini"), test::ReadFile(source_ + "/zvPress_dispatcher.ini"));
  EXPECT_EQ(test::ReadFile(target_ + "/sub/new.res"), "new");
  EXPECT_EQ(test::ReadFile(target_ + "/kept.res"), "kept");
  EXPECT_TRUE(test::FileExists(data_ + "swap")) << "swap lines are lower-cased";
  EXPECT_TRUE(test::FileExists(data_ + "Hot"));
  EXPECT_FALSE(test::FileExists(lifecycle::CIntentJournal::Path()));
}

// A file that already holds the backed-up bytes keeps its inode (linked, not copied);
// anything a copy would change is copied.
TEST_F(RestoreDataTest, AFileHoldingTheBackedUpBytesIsKeptAndAnyOtherCopied) {
  ::mkdir((dir_ / "config").c_str(), 0755);
  struct Case {
    std::string what, installed;
    std::function<void(const std::string& installedPath)> prepare;
    bool kept;
  };
  const std::string bytes(300 * 1024, 'x');  // more than one compared chunk
  const std::vector<Case> cases = {
      {"same bytes, other times", bytes, [](const std::string& p) { ::utimensat(AT_FDCWD, p.c_str(), nullptr, 0); }, true},
      {"one byte differs at the end", bytes.substr(0, bytes.size() - 1) + "y", [](const std::string&) {}, false},
      {"shorter", bytes.substr(1), [](const std::string&) {}, false},
      {"other permission bits", bytes, [](const std::string& p) { ::chmod(p.c_str(), 0600); }, false},
      {"a second name", bytes, [this](const std::string& p) { ::link(p.c_str(), (dir_ / "second").c_str()); }, false},
      {"a pipe in its place", bytes, [](const std::string& p) { ::unlink(p.c_str()); ::mkfifo(p.c_str(), 0644); }, false},
  };
  std::vector<ino_t> before;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "/sub/case" + std::to_string(i);
    test::WriteFile(source_ + name, bytes);
    test::WriteFile(target_ + name, cases[i].installed);
    cases[i].prepare(target_ + name);
    struct stat info {};
    ::stat((target_ + name).c_str(), &info);
    before.push_back(info.st_ino);
  }
  RestoreDataFolder(source_, target_, data_, "Press", nullptr, {target_});
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string path = target_ + "/sub/case" + std::to_string(i);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0) << cases[i].what;
    EXPECT_EQ(test::ReadFile(path), bytes) << cases[i].what;
    EXPECT_EQ(info.st_ino == before[i], cases[i].kept) << cases[i].what;
    EXPECT_EQ(info.st_mode & 07777, 0644u) << cases[i].what;
  }
}

TEST_F(RestoreDataTest, HostileBackupsChangeNothing) {
  ::mkdir((dir_ / "config").c_str(), 0755);
  test::WriteFile(dir_ / "outside/secret", "secret");
  const auto before = test::Snapshot(dir_.Path());
  struct Case {
    std::string what;
    std::function<void()> prepare;
    std::string target;
  };
  const std::vector<Case> cases = {
      {"link out of the backup", [&] { ::symlink((dir_ / "outside").c_str(), (source_ + "/sub/link").c_str()); }, target_},
      {"target outside", [] {}, dir_ / "outside"},
      {"target through dots", [] {}, data_ + "Press/../../outside"},
  };
  for (const Case& c : cases) {
    c.prepare();
    EXPECT_THROW(RestoreDataFolder(source_, c.target, data_, "Press"), CRvcException) << c.what;
    EXPECT_EQ(test::Snapshot(dir_.Path()), before) << c.what;
  }
  EXPECT_EQ(CheckRestoredIni(source_ + "/zvPress_dispatcher.ini", data_, false), false);
  test::WriteFile(source_ + "/zvPress_dispatcher.ini", "[PavoNet]\nldir1=" + dir_.Path() + "outside/made\n");
  EXPECT_FALSE(CheckRestoredIni(source_ + "/zvPress_dispatcher.ini", data_, true));
  EXPECT_FALSE(test::FileExists(dir_ / "outside/made")) << "no folder is made outside the installation";
}

// A copy cut short after any journal write is rolled back to the installed state by the
// recovery, or completed once it was committed; nothing it staged or set aside stays, and
// a file linked rather than copied is whole either way.
TEST_F(RestoreDataTest, AnInterruptedCopyIsRolledBackOrCompletedByTheRecovery) {
  ::mkdir((dir_ / "config").c_str(), 0755);
  test::WriteFile(target_ + "/sub/new.res", "new");  // unchanged: linked into the staged folder
  const auto before = test::Snapshot(data_);
  struct Killed {};
  for (int killAt = 1;; ++killAt) {
    int writes = 0;
    std::string step;
    lifecycle::CIntentJournal::afterWrite = [&](const lifecycle::IntentRecord& record) {
      step = record.step;
      if (++writes == killAt) throw Killed{};
    };
    EXPECT_THROW(RestoreDataFolder(source_, target_, data_, "Press", nullptr, {target_}), Killed) << killAt;
    lifecycle::CIntentJournal::afterWrite = nullptr;
    EXPECT_EQ(lifecycle::RecoverInterruptedOperation().problem, "") << killAt;
    if (step != "committed") {
      EXPECT_EQ(test::Snapshot(data_), before) << killAt;
      continue;
    }
    EXPECT_EQ(test::ReadFile(target_ + "/sub/new.res"), "new");
    EXPECT_EQ(test::ReadFile(target_ + "/kept.res"), "kept");
    EXPECT_EQ(test::ReadFile(target_ + "/History.txt"), "own history");
    for (const auto& [path, bytes] : test::Snapshot(data_)) {
      EXPECT_EQ(path.find(".rvc-"), std::string::npos) << "staged or set aside: " << path;
    }
    break;
  }
}

TEST(PathChecksTest, ResolvesTheDataFolderReference) {
  EXPECT_EQ(ResolveRestoredPath("%kw_data_tamrix%\\swap", "/d/"), "/d/swap");
  EXPECT_EQ(ResolveRestoredPath("%KW_DATA_TAMRIX%\\Hot\\In", "/d/"), "/d/Hot/In");
  EXPECT_EQ(ResolveRestoredPath("%OTHER%\\x", "/d/"), "%OTHER%/x");
}

}  // namespace
}  // namespace rvc::backup
