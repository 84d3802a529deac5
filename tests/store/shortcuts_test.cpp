#include "store/shortcuts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/rvc_exception.h"
#include "platform/desktop_entry.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/shell.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::FileExists;
using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

constexpr const char* kLabel = "V10.1";
constexpr const char* kProgram = "/opt/ravlin/bin/rip";

// A launcher as an earlier installation left it.
std::string Launcher(const std::string& arguments, const std::string& workingFolder = "/opt/ravlin/prog") {
  std::string text = "[Desktop Entry]\nType=Application\nName=Old name\n";
  text += "Exec=/opt/ravlin/bin/rip" + (arguments.empty() ? "" : " " + arguments) + "\n";
  text += "Path=" + workingFolder + "\n";
  text += "Icon=ravlin-rip\nX-Custom=kept\n";
  return text;
}

struct Read {
  std::string name, program, arguments, workingFolder, icon, custom;
  bool operator==(const Read&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Read& r) {
    return os << r.name << " | " << r.program << " | " << r.arguments << " | " << r.workingFolder << " | " << r.icon
              << " | " << r.custom;
  }
};

Read ReadLauncher(const std::string& path) {
  platform::DesktopEntry entry;
  std::string error;
  EXPECT_TRUE(platform::LoadDesktopEntry(path, entry, &error)) << error;
  Read read;
  EXPECT_TRUE(entry.GetCommand(read.program, read.arguments, &error)) << error;
  read.name = entry.Name();
  read.workingFolder = entry.WorkingFolder();
  read.icon = entry.Icon();
  read.custom = entry.Get("X-Custom").value_or("");
  return read;
}

std::vector<std::string> LaunchersIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored)) {
    if (entry.is_regular_file()) names.push_back(std::filesystem::relative(entry.path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void SetModificationTime(const std::string& path, time_t seconds) {
  struct utimbuf times {};
  times.actime = times.modtime = seconds;
  ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

class ShortcutsTest : public ::testing::Test {
 protected:
  std::string Desktop(const std::string& file = {}) const { return dir_ / ("Desktop/" + file); }
  std::string Programs(const std::string& file = {}) const { return dir_ / ("Programs/" + file); }

  TempDir dir_;
  ScopedEnv environment_{"RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"};
  ScopedEnv desktop_{"RAVLIN_DESKTOP_DIR", dir_ / "Desktop"};
  ScopedEnv programs_{"RAVLIN_PROGRAMS_DIR", dir_ / "Programs"};
  ScopedEnv trace_{"KW_DATA_RAVLINCONFIG", dir_.Path()};
  CShortcuts shortcuts_;
};

TEST_F(ShortcutsTest, NamesDropTheCapitalVOfTheLabel) {
  EXPECT_EQ(CShortcuts::CurrentFormName("Press01", kLabel), "Press01 10.1 dispatcher.desktop");
  EXPECT_EQ(CShortcuts::OlderFormPattern("Press01", kLabel), "Press01 10.1* Dispatcher.desktop");
  EXPECT_EQ(CShortcuts::LabelInNames("VvV7"), "v7");
  EXPECT_EQ(CShortcuts::DispatcherArguments("Press01", "Press_1"), "Press01 \"Press_1\"");
  EXPECT_EQ(shortcuts_.ShortcutFolder(true), Desktop());
  EXPECT_EQ(shortcuts_.ShortcutFolder(false), Programs("Orva/"));
}

TEST_F(ShortcutsTest, RefreshSetsTheArgumentsAndKeepsTheRest) {
  WriteFile(Desktop("Press01 10.1 dispatcher.desktop"), Launcher("Old \"Old\""));
  EXPECT_TRUE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Press01", "Press01 \"Press 1\"", true));

  EXPECT_EQ(
      ReadLauncher(Desktop("Press01 10.1 dispatcher.desktop")),
      (Read{"Press01 10.1 dispatcher", kProgram, "Press01 \"Press 1\"", "/opt/ravlin/prog", "ravlin-rip", "kept"}));
  EXPECT_EQ(LaunchersIn(Desktop()), std::vector<std::string>{"Press01 10.1 dispatcher.desktop"});

  EXPECT_TRUE(shortcuts_.SetShortcutArguments(kLabel, "press01", "P \"Q\"", true));
  EXPECT_EQ(ReadLauncher(Desktop("press01 10.1 dispatcher.desktop")).arguments, "P \"Q\"");
  EXPECT_EQ(LaunchersIn(Desktop()), std::vector<std::string>{"press01 10.1 dispatcher.desktop"});
}

TEST_F(ShortcutsTest, RefreshRenamesAnOlderFormDesktopShortcut) {
  WriteFile(Desktop("Press01 10.1 Press Dispatcher.desktop"), Launcher("Old \"Old\""));
  WriteFile(Desktop("Press02 10.1 Dispatcher.desktop"), Launcher("Press02 \"Press02\""));
  EXPECT_TRUE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Press01", "Press01 \"Press01\"", true));
  EXPECT_EQ(LaunchersIn(Desktop()),
            (std::vector<std::string>{"Press01 10.1 dispatcher.desktop", "Press02 10.1 Dispatcher.desktop"}));
  EXPECT_EQ(ReadLauncher(Desktop("Press01 10.1 dispatcher.desktop")).arguments, "Press01 \"Press01\"");

  // Same letters, older case: still one launcher afterwards.
  EXPECT_TRUE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Press02", "Press02 \"Press02\"", true));
  EXPECT_EQ(LaunchersIn(Desktop()),
            (std::vector<std::string>{"Press01 10.1 dispatcher.desktop", "Press02 10.1 dispatcher.desktop"}));

  // A program-menu shortcut moves out of "Orva-Graphics".
  WriteFile(Programs("Orva-Graphics/Press01 10.1 Dispatcher.desktop"), Launcher("Old \"Old\""));
  EXPECT_TRUE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Press01", "Press01 \"Press01\"", false));
  EXPECT_EQ(LaunchersIn(Programs()), std::vector<std::string>{"Orva/Press01 10.1 dispatcher.desktop"});
  EXPECT_EQ(ReadLauncher(Programs("Orva/Press01 10.1 dispatcher.desktop")).arguments, "Press01 \"Press01\"");
}

TEST_F(ShortcutsTest, RefreshWithoutAShortcutWritesNothingButMakesTheGroup) {
  WriteFile(Desktop("Press010 10.1 dispatcher.desktop"), Launcher("x"));
  EXPECT_FALSE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Press01", "a", true));
  EXPECT_FALSE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Press01", "a", false));
  EXPECT_EQ(LaunchersIn(Desktop()), std::vector<std::string>{"Press010 10.1 dispatcher.desktop"});
  EXPECT_TRUE(LaunchersIn(Programs()).empty());
  // The menu's group is there all the same.
  EXPECT_TRUE(std::filesystem::is_directory(Programs("Orva")));
}

TEST_F(ShortcutsTest, CopyMakesTheNewDispatchersShortcutFromTheSource) {
  WriteFile(Programs("Orva-Graphics/Press01 10.1 Dispatcher.desktop"), Launcher("Press01 \"Press01\""));
  EXPECT_TRUE(shortcuts_.CopyDispatcherShortcut("Press01", "Proof", "Proof \"Proof\"", kLabel, false));
  EXPECT_EQ(LaunchersIn(Programs()), (std::vector<std::string>{"Orva-Graphics/Press01 10.1 Dispatcher.desktop",
                                                               "Orva/Proof 10.1 dispatcher.desktop"}));
  EXPECT_EQ(ReadLauncher(Programs("Orva/Proof 10.1 dispatcher.desktop")),
            (Read{"Proof 10.1 dispatcher", kProgram, "Proof \"Proof\"", "/opt/ravlin/prog", "ravlin-rip", "kept"}));
  EXPECT_EQ(ReadLauncher(Programs("Orva-Graphics/Press01 10.1 Dispatcher.desktop")).arguments, "Press01 \"Press01\"");

  EXPECT_FALSE(shortcuts_.CopyDispatcherShortcut("Missing", "Other", "Other \"Other\"", kLabel, true));
  EXPECT_TRUE(LaunchersIn(Desktop()).empty());
}

TEST_F(ShortcutsTest, CopyWithoutSourceNameTakesTheNewestDispatcherShortcut) {
  WriteFile(Desktop("A 10.1 dispatcher.desktop"), Launcher("A \"A\"", "/old"));
  WriteFile(Desktop("B 9.0 Dispatcher.desktop"), Launcher("B \"B\"", "/newest"));
  WriteFile(Desktop("Browser.desktop"), Launcher("", "/not-a-dispatcher"));
  SetModificationTime(Desktop("A 10.1 dispatcher.desktop"), 1000000);
  SetModificationTime(Desktop("B 9.0 Dispatcher.desktop"), 2000000);
  SetModificationTime(Desktop("Browser.desktop"), 3000000);
  EXPECT_TRUE(shortcuts_.CopyDispatcherShortcut("", "C", "C \"C\"", kLabel, true));
  EXPECT_EQ(ReadLauncher(Desktop("C 10.1 dispatcher.desktop")).workingFolder, "/newest");
}

TEST_F(ShortcutsTest, DeleteRemovesBothFormsInBothProgramGroups) {
  WriteFile(Programs("Orva/Press01 10.1 dispatcher.desktop"), Launcher("a"));
  WriteFile(Programs("Orva/Press01 10.1 x Dispatcher.desktop"), Launcher("a"));
  WriteFile(Programs("Orva-Graphics/Press01 10.1 Dispatcher.desktop"), Launcher("a"));
  WriteFile(Programs("Orva/Press010 10.1 dispatcher.desktop"), Launcher("b"));
  WriteFile(Programs("Orva/Press01 9.0 dispatcher.desktop"), Launcher("c"));
  EXPECT_TRUE(shortcuts_.DeleteDispatcherShortcut(kLabel, "PRESS01", false));
  EXPECT_EQ(LaunchersIn(Programs()),
            (std::vector<std::string>{"Orva/Press01 9.0 dispatcher.desktop", "Orva/Press010 10.1 dispatcher.desktop"}));
  EXPECT_FALSE(shortcuts_.DeleteDispatcherShortcut(kLabel, "Press01", false));
  EXPECT_FALSE(shortcuts_.DeleteDispatcherShortcut(kLabel, "Press01", true));
}

TEST_F(ShortcutsTest, StartPathShortcutsWithArgumentsAreNeverDeleted) {
  WriteFile(Desktop("Main 10.1 dispatcher.desktop"), Launcher("", "/opt/ravlin/prog"));
  WriteFile(Desktop("Other Dispatcher.desktop"), Launcher("", "/OPT/Ravlin/Prog/"));
  WriteFile(Desktop("Press01 10.1 dispatcher.desktop"), Launcher("Press01 \"Press01\"", "/opt/ravlin/prog"));
  WriteFile(Desktop("Elsewhere 10.1 dispatcher.desktop"), Launcher("", "/opt/ravlin/other"));
  WriteFile(Desktop("Viewer.desktop"), Launcher("", "/opt/ravlin/prog"));

  std::string found;
  EXPECT_TRUE(shortcuts_.FindStartPathShortcut("/opt/ravlin/prog/", true, &found));
  EXPECT_EQ(found, Desktop("Main 10.1 dispatcher.desktop"));

  shortcuts_.DeleteStartPathShortcuts("/opt/ravlin/prog/", true);
  EXPECT_EQ(LaunchersIn(Desktop()), (std::vector<std::string>{"Elsewhere 10.1 dispatcher.desktop",
                                                              "Press01 10.1 dispatcher.desktop", "Viewer.desktop"}));
  EXPECT_TRUE(shortcuts_.FindStartPathShortcut("/opt/ravlin/prog", true, &found));
  EXPECT_EQ(found, Desktop("Press01 10.1 dispatcher.desktop"));
  EXPECT_FALSE(shortcuts_.FindStartPathShortcut("/opt/ravlin/prog", false));
  EXPECT_FALSE(shortcuts_.FindStartPathShortcut("/nowhere", true));
}

TEST_F(ShortcutsTest, CreateAndRestoreWriteTheCurrentForm) {
  NewDispatcherShortcut shortcut{.name = "Press01",
                                 .label = kLabel,
                                 .program = kProgram,
                                 .arguments = "Press01 \"Press01\"",
                                 .workingFolder = "/opt/ravlin/prog",
                                 .icon = "/opt/ravlin/rip.png",
                                 .comment = "Ravlin dispatcher"};
  EXPECT_EQ(shortcuts_.CreateDispatcherShortcut(shortcut, false), Programs("Orva/Press01 10.1 dispatcher.desktop"));
  EXPECT_EQ(ReadLauncher(Programs("Orva/Press01 10.1 dispatcher.desktop")),
            (Read{"Press01 10.1 dispatcher", kProgram, "Press01 \"Press01\"", "/opt/ravlin/prog", "/opt/ravlin/rip.png",
                  ""}));

  WriteFile(dir_ / "data/Press01 10.1 dispatcherDesktop.bak", Launcher("Old \"Old\""));
  EXPECT_TRUE(shortcuts_.RestoreDispatcherShortcut(dir_ / "DATA/press01 10.1 dispatcherdesktop.BAK", kLabel, "Press01",
                                                   "Press01 \"Press01\"", true));
  EXPECT_EQ(ReadLauncher(Desktop("Press01 10.1 dispatcher.desktop")).arguments, "Press01 \"Press01\"");
  EXPECT_TRUE(FileExists(dir_ / "data/Press01 10.1 dispatcherDesktop.bak"));
  EXPECT_FALSE(shortcuts_.RestoreDispatcherShortcut(dir_ / "data/missing.bak", kLabel, "X", "X \"X\"", true));
}

TEST_F(ShortcutsTest, FailuresRaiseInternalErrorsNamingTheStep) {
  WriteFile(Desktop("Broken Dispatcher.desktop"), "not a launcher\n");
  ExpectRvcError([&] { shortcuts_.DeleteStartPathShortcuts("/opt", true); }, 118, "Internal error: Load failed");

  WriteFile(Desktop("Open 10.1 dispatcher.desktop"), "[Desktop Entry]\nType=Application\nExec=rip \"open\n");
  ExpectRvcError([&] { shortcuts_.RefreshDispatcherShortcut(kLabel, "Open", "a", true); }, 118,
                 "Internal error: SetArguments failed");

  // A folder where the new launcher belongs: it cannot be written.
  WriteFile(Desktop("Press01 10.1 Dispatcher.desktop"), Launcher("a"));
  std::filesystem::create_directories(Desktop("Press01 10.1 dispatcher.desktop"));
  ExpectRvcError([&] { shortcuts_.RefreshDispatcherShortcut(kLabel, "Press01", "b", true); }, 118,
                 "Internal error: Save failed");
  EXPECT_EQ(ReadLauncher(Desktop("Press01 10.1 Dispatcher.desktop")).arguments, "a");
}

TEST_F(ShortcutsTest, EveryWrittenShortcutPassesDesktopFileValidate) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
  }
  const std::string tricky = "Press01 \"Press $1 `x` \\\"q\\\" 100% (a) & b; c\"";
  NewDispatcherShortcut shortcut{.name = "Press01",
                                 .label = kLabel,
                                 .program = "/opt/ravlin bin/rip",
                                 .arguments = tricky,
                                 .workingFolder = "/opt/ravlin prog",
                                 .icon = "ravlin-rip",
                                 .comment = "Starts a dispatcher"};
  shortcuts_.CreateDispatcherShortcut(shortcut, true);
  shortcuts_.CreateDispatcherShortcut(shortcut, false);
  ASSERT_TRUE(shortcuts_.CopyDispatcherShortcut("Press01", "Proof", "Proof \"Proof\"", kLabel, true));
  WriteFile(Programs("Orva-Graphics/Old 10.1 Dispatcher.desktop"), Launcher("x"));
  ASSERT_TRUE(shortcuts_.RefreshDispatcherShortcut(kLabel, "Old", tricky, false));
  WriteFile(dir_ / "copy.bak", Launcher(""));
  ASSERT_TRUE(shortcuts_.RestoreDispatcherShortcut(dir_ / "copy.bak", kLabel, "Restored", "", true));
  ASSERT_TRUE(shortcuts_.SetShortcutArguments(kLabel, "Restored", "Restored \"Restored\"", true));

  std::vector<std::string> written;
  for (const std::string& name : LaunchersIn(Desktop())) written.push_back(Desktop(name));
  for (const std::string& name : LaunchersIn(Programs())) written.push_back(Programs(name));
  ASSERT_EQ(written.size(), 5u);
  for (const std::string& path : written) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ReadLauncher(path).name + ".desktop", std::filesystem::path(path).filename().string());
    SCOPED_TRACE(ReadFile(path));
    EXPECT_TRUE(test::ExpectValidDesktopFile(path));
  }
}

}  // namespace
}  // namespace rvc::store
