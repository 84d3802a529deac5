// The command line: mode switches, the preferred flavour, the version and the folders.
#include "frame/command_line.h"

#include <gtest/gtest.h>

namespace rvc::frame {
namespace {

// "backup" holds a "u", which is tested before "b"; of several mode switches the leftmost
// wins, and one without a mode letter leaves the mode of another alone.
TEST(CommandLineTest, SwitchLettersAreFoundAnywhereInTheOrderIUBDV) {
  const std::pair<std::vector<std::string>, int> rows[] = {
      {{"Flav", "-i"}, kModeInstall}, {{"Flav", "-U"}, kModeUpdate}, {{"Flav", "/b"}, kModeBackup},
      {{"Flav", "-delete"}, kModeDelete}, {{"Flav", "/v"}, kModeVersion}, {{"Flav", "-backup"}, kModeUpdate},
      {{"Flav", "-db"}, kModeBackup}, {{"Flav", "-x"}, kModeInteractive}, {{"Flav"}, kModeInteractive},
      {{}, kModeInteractive}, {{"Flav", "-d", "-i"}, kModeDelete}, {{"Flav", "-i", "-x", "-d"}, kModeInstall},
      {{"Flav", "-f", "-b"}, kModeBackup}};
  for (const auto& [arguments, mode] : rows) {
    EXPECT_EQ(ParseCommandLine(arguments).Mode, mode) << ::testing::PrintToString(arguments);
  }
}

TEST(CommandLineTest, TheFirstArgumentIsThePreferredFlavourWhateverItIs) {
  CommandLine line = ParseCommandLine({"Dedezi", "-f"});
  EXPECT_EQ(line.PreferredFlavour, "Dedezi");
  EXPECT_TRUE(line.PreferredFlavourGiven);
  EXPECT_EQ(line.Mode, kModeInteractive);

  line = ParseCommandLine({"-uf"});
  EXPECT_EQ(line.PreferredFlavour, "-uf");
  EXPECT_EQ(line.Mode, kModeUpdate);
  EXPECT_TRUE(line.PreferredFlavourGiven);

  EXPECT_FALSE(ParseCommandLine({"Dedezi", "-u"}).PreferredFlavourGiven);
  EXPECT_EQ(ParseCommandLine({}).PreferredFlavour, "");
}

TEST(CommandLineTest, ALastArgumentWithADotIsTheVersion) {
  CommandLine line = ParseCommandLine({"Dedezi", "-u", "10.1"});
  EXPECT_EQ(line.Mode, kModeUpdate);
  EXPECT_EQ(line.PreferredFlavour, "Dedezi");
  ASSERT_TRUE(line.Version);
  EXPECT_EQ(*line.Version, "10.1");

  EXPECT_FALSE(ParseCommandLine({"Dedezi", "-u", "10"}).Version);
  EXPECT_FALSE(ParseCommandLine({"Dedezi", "10.1", "-u"}).Version);
  EXPECT_FALSE(ParseCommandLine({}).Version);
}

TEST(CommandLineTest, JobsWithMoreThanThreeArgumentsNameTheFolders) {
  CommandLine line = ParseCommandLine({"Dedezi", "/opt/ravlin/prog", "/srv/ravlin/data", "-u", "10.1"});
  // Paths are not switches, though they begin with "/".
  EXPECT_EQ(line.Mode, kModeUpdate);
  EXPECT_EQ(line.ProgramFolder().value_or("?"), "/opt/ravlin/prog");
  EXPECT_EQ(line.DataFolder().value_or("?"), "/srv/ravlin/data");

  EXPECT_FALSE(ParseCommandLine({"Dedezi", "-u", "10.1"}).ProgramFolder());
  EXPECT_EQ(ParseCommandLine({"Dedezi", "/prog/", "/data/", "-u"}).ProgramFolder().value_or("?"), "/prog/");
  // Interactive runs take the folders of the catalogue.
  EXPECT_FALSE(ParseCommandLine({"Dedezi", "/opt/p", "/opt/d", "x"}).DataFolder());
}

TEST(CommandLineTest, EachModeHasItsTraceFile) {
  const std::pair<int, const char*> rows[] = {
      {kModeInteractive, "trace_rvc.txt"},      {kModeInstall, "trace_rvc_install.txt"},
      {kModeBackup, "trace_rvc_backup.txt"},    {kModeUpdate, "trace_rvc_update.txt"},
      {kModeDelete, "trace_rvc_delete.txt"},    {kModeVersion, "trace_rvc_version.txt"}};
  for (const auto& [mode, file] : rows) EXPECT_STREQ(TraceFileName(mode), file) << mode;
}

}  // namespace
}  // namespace rvc::frame
