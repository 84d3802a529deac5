// The command line: mode switches, the preferred flavour, the version and the folders.
#include "frame/command_line.h"

#include <gtest/gtest.h>

namespace rvc::frame {
namespace {

int ModeOf(std::vector<std::string> arguments) { return ParseCommandLine(std::move(arguments)).Mode; }

TEST(CommandLineTest, SwitchLettersAreFoundAnywhereInTheOrderIUBDV) {
  EXPECT_EQ(ModeOf({"Flav", "-i"}), kModeInstall);
  EXPECT_EQ(ModeOf({"Flav", "-U"}), kModeUpdate);
  EXPECT_EQ(ModeOf({"Flav", "/b"}), kModeBackup);
  EXPECT_EQ(ModeOf({"Flav", "-delete"}), kModeDelete);
  EXPECT_EQ(ModeOf({"Flav", "/v"}), kModeVersion);
  // "backup" holds a "u", which is tested before "b".
  EXPECT_EQ(ModeOf({"Flav", "-backup"}), kModeUpdate);
  EXPECT_EQ(ModeOf({"Flav", "-db"}), kModeBackup);
  EXPECT_EQ(ModeOf({"Flav", "-x"}), kModeInteractive);
  EXPECT_EQ(ModeOf({"Flav"}), kModeInteractive);
  EXPECT_EQ(ModeOf({}), kModeInteractive);
}

TEST(CommandLineTest, OfSeveralModeSwitchesTheLeftmostWins) {
  EXPECT_EQ(ModeOf({"Flav", "-d", "-i"}), kModeDelete);
  EXPECT_EQ(ModeOf({"Flav", "-i", "-x", "-d"}), kModeInstall);
  // A switch without a mode letter leaves the mode of another alone.
  EXPECT_EQ(ModeOf({"Flav", "-f", "-b"}), kModeBackup);
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
  EXPECT_STREQ(TraceFileName(kModeInteractive), "trace_rvc.txt");
  EXPECT_STREQ(TraceFileName(kModeInstall), "trace_rvc_install.txt");
  EXPECT_STREQ(TraceFileName(kModeBackup), "trace_rvc_backup.txt");
  EXPECT_STREQ(TraceFileName(kModeUpdate), "trace_rvc_update.txt");
  EXPECT_STREQ(TraceFileName(kModeDelete), "trace_rvc_delete.txt");
  EXPECT_STREQ(TraceFileName(kModeVersion), "trace_rvc_version.txt");
}

}  // namespace
}  // namespace rvc::frame
