// ravlinctl config, media and resolutions as a script runs them, on a fresh copy of the
// sample installation: exit codes, the dialogs' messages, and the files they leave.
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using rvc::test::ReadFile;
using rvc::test::Snapshot;
using rvc::test::WriteFile;

class RavlinctlRipconfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string command = std::string(RVC_SOURCE_DIR) + "/scripts/lay_out_sample.sh " + root_ + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string environment = ReadFile(root_ + "environment");
    if (group* own = ::getgrgid(::getegid())) environment += std::string("RAVLIN_ADMIN_GROUP=") + own->gr_name + "\n";
    WriteFile(root_ + "environment", environment);
  }

  rvc::test::ProgramResult Run(const std::vector<std::string>& arguments) {
    rvc::test::ProgramRun run{RAVLINCTL_PROGRAM, arguments, {}, dir_.Path(), -1, nullptr};
    run.environment.emplace("RAVLIN_ENVIRONMENT_FILE", root_ + "environment");
    return rvc::test::RunProgram(run);
  }
  std::string Mono(const std::string& file) const { return root_ + "data/Tiffmono/Tiffmono/data/" + file; }

  rvc::test::TempDir dir_;
  std::string root_ = dir_ / "sample/";
};

struct Step {
  std::vector<std::string> arguments;
  int exitCode;
  std::string shown;  // in the output (exit code 0) or the error output
};

TEST_F(RavlinctlRipconfigTest, VerbsRunTheDialogsAndTheirChecks) {
  const std::vector<Step> steps = {
      {{"media", "Mono", "list"}, 0, "A4  11693  8268  positive  -\n"},
      {{"media", "Mono", "list", "--json"}, 0, "[{\"name\": \"A4\", \"vertical_mil\": 11693"},
      {{"media", "Mono", "new", "Letter2", "--height", "11in", "--width", "215.9", "--polarity", "negative"}, 0, ""},
      {{"media", "Mono", "new", "letter2", "--height", "11000mil", "--width", "1in"}, 1, "The film already exists."},
      {{"media", "Mono", "new", "set_1", "--height", "1in", "--width", "1in"}, 1,
       "This name exists already in the resource files."},
      {{"media", "Mono", "new", "Huge", "--height", "25001mil", "--width", "1in"}, 1,
       "smaller than 25000 mil (vertical) \nand 14000 mil (horizontal)"},
      {{"media", "Mono", "new", "Flat", "--height", "0", "--width", "1in"}, 1, "Film sizes should be bigger than 0."},
      {{"config", "Mono", "new", "Tabloid", "--media", "Letter2", "--resolution-set", "set_1"}, 0, ""},
      {{"config", "Mono", "new", "a#b", "--media", "A4", "--resolution-set", "set_1"}, 1,
       "Following characters may not be used in a configuration name"},
      {{"config", "Mono", "new", "standard", "--media", "A4", "--resolution-set", "set_1"}, 1,
       "This configuration exists already."},
      {{"config", "Mono", "modify", "Tabloid", "--output", "/no/such/folder"}, 1, "The outputpath doesn't exists."},
      {{"media", "Mono", "modify", "Letter2", "--name", "Letter Negative"}, 0, ""},
      {{"config", "Mono", "show", "Tabloid"}, 0, "media: Letter Negative\nresolution set: set_1\n"},
      {{"media", "Mono", "delete", "Letter Negative", "--yes"}, 1, "Letter Negative"},
      {{"resolutions", "Mono", "add", "set_1", "0"}, 1, "Entered value is not a valid resolution.!"},
      {{"resolutions", "Mono", "add", "set_1", "2540.5", "--gamma", "40"}, 0, ""},
      {{"resolutions", "Mono", "add", "set_1", "2540.5"}, 1, "Resolution already exists in this set."},
      {{"resolutions", "Mono", "list", "set_1", "--json"}, 0, "{\"set\": \"set_1\", \"dpi\": 2540.5, \"gamma\": 40}"},
      {{"resolutions", "Mono", "modify", "set_1", "2540.5", "--value", "3000"}, 0, ""},
      {{"resolutions", "Mono", "delete", "set_1", "3000"}, 1, "give --yes"},
      {{"resolutions", "Mono", "delete", "set_1", "3000", "--yes"}, 0, ""},
      {{"resolutions", "Mono", "list", "set_1"}, 0, "set_1  "},
      {{"media", "Mono", "resize", "A4"}, 2, "unknown action resize"},
      {{"resolutions", "Mono", "add", "set_1", "fast"}, 2, "fast is no resolution"},
      {{"config", "Mono", "new", "X", "--media", "A4"}, 2, "--media and --resolution-set are needed"},
  };
  for (const Step& step : steps) {
    std::string shown;
    for (const std::string& argument : step.arguments) shown += argument + " ";
    SCOPED_TRACE(shown);
    const auto before = Snapshot(Mono(""));
    const rvc::test::ProgramResult result = Run(step.arguments);
    EXPECT_EQ(result.exitCode, step.exitCode) << result.err;
    EXPECT_NE((step.exitCode == 0 ? result.out : result.err).find(step.shown), std::string::npos)
        << result.out << result.err;
    if (step.exitCode != 0) {
      EXPECT_TRUE(Snapshot(Mono("")) == before);
    }
  }
  EXPECT_NE(ReadFile(Mono("zv_film.res")).find("[Letter Negative]"), std::string::npos);
  EXPECT_EQ(ReadFile(Mono("zv_config.res")).find("3000"), std::string::npos);
  EXPECT_FALSE(fs::exists(root_ + "config/rvc_intent.journal"));
}

}  // namespace
