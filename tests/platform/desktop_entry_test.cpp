#include "platform/desktop_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/shell.h"
#include "tests/support/test_support.h"

namespace rvc::platform {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr const char* kProgram = "/opt/ravlin/bin/rip";

// The Exec line as written to the file.
std::string ExecLine(const DesktopEntry& entry) {
  const std::string text = entry.ToText();
  const size_t start = text.find("\nExec=");
  if (start == std::string::npos) return {};
  return text.substr(start + 1, text.find('\n', start + 1) - start - 1);
}

// Arguments texts that come back exactly as they were set.
const char* const kRoundTrips[] = {
    "",
    "Press01 \"Press 1\"",
    "Press01 \"Press_1\"",
    "Press01 Press_1",
    "Folder \"A $HOME `id` 100% done\"",
    "Folder \"it's (a) <test> | & ; * ? # ~\"",
    "\"say \\\"hi\\\"\" next",
    "\"C:\\Orva\\Data\\\\\" x",
    "a \"\" b",
    "\"tab\there\"",
};

TEST(DesktopEntryCommandTest, ArgumentsRoundTripThroughTheFile) {
  for (const char* arguments : kRoundTrips) {
    SCOPED_TRACE(arguments);
    DesktopEntry written;
    written.SetCommand(kProgram, arguments);
    DesktopEntry read;
    std::string error;
    ASSERT_TRUE(DesktopEntry::Parse(written.ToText(), read, &error)) << error;
    std::string program, back;
    ASSERT_TRUE(read.GetCommand(program, back, &error)) << error;
    EXPECT_EQ(program, kProgram);
    EXPECT_EQ(back, arguments);
  }
}

TEST(DesktopEntryCommandTest, ExecIsQuotedAndEscapedForLaunchers) {
  DesktopEntry entry;
  entry.SetCommand(kProgram, "Press01 \"Press 1\"");
  EXPECT_EQ(ExecLine(entry), "Exec=/opt/ravlin/bin/rip Press01 \"Press 1\"");

  // Quoting level: \$ \` \" \\ ; string level doubles each backslash; % is doubled.
  entry.SetCommand("/opt/my rip/rip", "F \"a$b `c` \\\"d\\\" 5%\" C:\\x");
  EXPECT_EQ(ExecLine(entry), "Exec=\"/opt/my rip/rip\" F \"a\\\\$b \\\\`c\\\\` \\\\\"d\\\\\" 5%%\" \"C:\\\\\\\\x\"");

  // Words without reserved characters stay bare unless they were quoted.
  entry.SetCommand("rip", "plain \"quoted\"");
  EXPECT_EQ(ExecLine(entry), "Exec=rip plain \"quoted\"");
}

TEST(DesktopEntryCommandTest, UnquotedWordsWithReservedCharactersComeBackQuoted) {
  // The launcher passes the same word either way; only the text form changes.
  DesktopEntry entry;
  entry.SetCommand(kProgram, "C:\\data a$b  two   blanks");
  std::string program, arguments;
  ASSERT_TRUE(entry.GetCommand(program, arguments));
  EXPECT_EQ(arguments, "\"C:\\data\" \"a$b\" two blanks");
}

TEST(DesktopEntryCommandTest, ReadsExecWrittenByOtherTools) {
  std::string program;
  std::vector<CommandWord> words;
  ASSERT_TRUE(SplitExecValue("rip %f Press01 \"Press 1\" %U \"%%f\" 100%%", program, words));
  EXPECT_EQ(program, "rip");
  ASSERT_EQ(words.size(), 4u);
  EXPECT_EQ(words[0].text, "Press01");
  EXPECT_EQ(words[1].text, "Press 1");
  EXPECT_TRUE(words[1].quoted);
  EXPECT_EQ(words[2].text, "%f");
  EXPECT_EQ(words[3].text, "100%");

  std::string error;
  EXPECT_FALSE(SplitExecValue("rip \"open", program, words, &error));
  EXPECT_NE(error.find("quote"), std::string::npos);

  DesktopEntry entry;
  ASSERT_TRUE(DesktopEntry::Parse("[Desktop Entry]\nType=Application\nExec=rip \"x\n", entry));
  std::string arguments;
  EXPECT_FALSE(entry.GetCommand(program, arguments));
  ASSERT_TRUE(DesktopEntry::Parse("[Desktop Entry]\nType=Application\nName=n\n", entry));
  ASSERT_TRUE(entry.GetCommand(program, arguments));
  EXPECT_EQ(program, "");
  EXPECT_EQ(arguments, "");
}

TEST(DesktopEntryCommandTest, SplitsArgumentsLikeTheInstallationsCommandLines) {
  auto texts = [](std::string_view arguments) {
    std::vector<std::string> out;
    for (const CommandWord& word : SplitArgumentsText(arguments)) out.push_back(word.text);
    return out;
  };
  EXPECT_EQ(texts("  a\t\"b c\"d  "), (std::vector<std::string>{"a", "b cd"}));
  EXPECT_EQ(texts(R"(a\\\"b "c\\" d\e)"), (std::vector<std::string>{R"(a\"b)", R"(c\)", R"(d\e)"}));
  EXPECT_EQ(texts(R"("x""y")"), (std::vector<std::string>{R"(x"y)"}));
  EXPECT_TRUE(texts("   ").empty());
}

const char* const kForeignFile =
    "# written by hand\n"
    "\n"
    "[Desktop Entry]\n"
    "Version=1.0\n"
    "Type=Application\n"
    "Name=Press01 V10.1 Dispatcher\n"
    "Name[de]=Press01 Verteiler\n"
    "Exec=/opt/ravlin/bin/rip Old \"Old Name\"\n"
    "Path = /opt/ravlin/prog\n"
    "X-Custom=keep\\;me\n"
    "# end of the main group\n"
    "\n"
    "[Desktop Action Stop]\n"
    "Name=Stop\n"
    "Exec=/opt/ravlin/bin/rip -stop\n";

TEST(DesktopEntryFileTest, RewriteChangesOnlyTheKeysSet) {
  DesktopEntry entry;
  std::string error;
  ASSERT_TRUE(DesktopEntry::Parse(kForeignFile, entry, &error)) << error;
  EXPECT_EQ(entry.ToText(), kForeignFile);
  EXPECT_EQ(entry.WorkingFolder(), "/opt/ravlin/prog");
  EXPECT_EQ(entry.Get("X-Custom"), "keep\\;me");

  entry.SetCommand("/opt/ravlin/bin/rip", "Press01 \"Press 1\"");
  entry.SetName("Press01 10.1 dispatcher");
  entry.SetIcon("ravlin-rip");
  const std::string expected =
      "# written by hand\n"
      "\n"
      "[Desktop Entry]\n"
      "Version=1.0\n"
      "Type=Application\n"
      "Name=Press01 10.1 dispatcher\n"
      "Exec=/opt/ravlin/bin/rip Press01 \"Press 1\"\n"
      "Path = /opt/ravlin/prog\n"
      "X-Custom=keep\\;me\n"
      "Icon=ravlin-rip\n"
      "# end of the main group\n"
      "\n"
      "[Desktop Action Stop]\n"
      "Name=Stop\n"
      "Exec=/opt/ravlin/bin/rip -stop\n";
  EXPECT_EQ(entry.ToText(), expected);

  entry.SetIcon("");
  EXPECT_FALSE(entry.Get("Icon").has_value());
}

TEST(DesktopEntryFileTest, StringValuesAreEscaped) {
  DesktopEntry entry;
  entry.SetWorkingFolder(" /srv/a\\b\tc");
  entry.SetComment("two\nlines");
  DesktopEntry read;
  ASSERT_TRUE(DesktopEntry::Parse(entry.ToText(), read));
  EXPECT_NE(entry.ToText().find("Path=\\s/srv/a\\\\b\\tc\n"), std::string::npos);
  EXPECT_EQ(read.WorkingFolder(), " /srv/a\\b\tc");
  EXPECT_EQ(read.Comment(), "two\nlines");
}

TEST(DesktopEntryFileTest, RejectsFilesThatAreNoDesktopEntries) {
  const char* const bad[] = {"", "[Other]\nName=x\n", "Name=x\n[Desktop Entry]\n", "[Desktop Entry]\nthis is no key\n",
                             "[Desktop Entry]\nName=a\n[Desktop Entry]\nName=b\n", "[Desktop Entry\nName=x\n",
                             "[Desktop Entry]\nNa me=x\n"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    DesktopEntry entry;
    std::string error;
    EXPECT_FALSE(DesktopEntry::Parse(text, entry, &error));
    EXPECT_FALSE(error.empty());
  }
  DesktopEntry entry;
  EXPECT_TRUE(DesktopEntry::Parse("\xEF\xBB\xBF[Desktop Entry]\r\nType=Application\r\nName=x\r\n", entry));
  EXPECT_EQ(entry.Name(), "x");
}

TEST(DesktopEntryFileTest, SaveWritesAnExecutableFileThatLoadsAgain) {
  TempDir dir;
  const std::string path = dir / "Press01 10.1 dispatcher.desktop";
  DesktopEntry entry;
  entry.SetName("Press01 10.1 dispatcher");
  entry.SetCommand(kProgram, "Press01 \"Press 1\"");
  entry.SetWorkingFolder("/opt/ravlin/prog");
  std::string error;
  ASSERT_TRUE(SaveDesktopEntry(path, entry, &error)) << error;

  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, 0111u);

  DesktopEntry loaded;
  ASSERT_TRUE(LoadDesktopEntry(path, loaded, &error)) << error;
  EXPECT_EQ(loaded.ToText(), entry.ToText());

  EXPECT_FALSE(LoadDesktopEntry(dir / "missing.desktop", loaded, &error));
  EXPECT_NE(error.find("missing.desktop"), std::string::npos);
  EXPECT_FALSE(SaveDesktopEntry(dir / "no/such/folder/x.desktop", entry, &error));
}

TEST(DesktopEntryFileTest, WrittenFilesPassDesktopFileValidate) {
  TempDir dir;
  int index = 0;
  for (const char* arguments : kRoundTrips) {
    SCOPED_TRACE(arguments);
    DesktopEntry entry;
    entry.SetName("Press01 10.1 dispatcher");
    entry.SetComment("Starts the dispatcher");
    entry.SetCommand("/opt/my rip/rip", arguments);
    entry.SetWorkingFolder("/opt/ravlin/prog dir");
    entry.SetIcon("/opt/ravlin/rip.png");
    const std::string path = dir / ("entry" + std::to_string(index++) + ".desktop");
    ASSERT_TRUE(SaveDesktopEntry(path, entry));
    SCOPED_TRACE(ReadFile(path));
    if (!test::ExpectValidDesktopFile(path)) GTEST_SKIP() << "desktop-file-validate is not installed";
  }
}

}  // namespace
}  // namespace rvc::platform
