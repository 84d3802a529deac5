#include "core/rvc_trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace rvc {
namespace {

using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

// Every test runs with a known trace folder, no installation environment file and a
// fixed time zone.
class TraceTest : public ::testing::Test {
 protected:
  TraceTest() { ::tzset(); }
  ~TraceTest() override { ::tzset(); }

  TempDir dir;
  ScopedEnv noEnvironmentFile{"RAVLIN_ENVIRONMENT_FILE", dir / "no-such-environment"};
  ScopedEnv dataFolder{"KW_DATA_RAVLINCONFIG", dir.Path()};
  ScopedEnv timeZone{"TZ", "UTC0"};
};

const std::regex kLine(R"((\d{4})-(\d\d)-(\d\d),(\d\d):(\d\d):(\d\d)\tRVC::([^\n]*)\n)");

// Seconds since the epoch of a stamp read as UTC.
std::time_t StampAsUtc(const std::smatch& m) {
  std::tm tm{};
  tm.tm_year = std::stoi(m[1]) - 1900;
  tm.tm_mon = std::stoi(m[2]) - 1;
  tm.tm_mday = std::stoi(m[3]);
  tm.tm_hour = std::stoi(m[4]);
  tm.tm_min = std::stoi(m[5]);
  tm.tm_sec = std::stoi(m[6]);
  return ::timegm(&tm);
}

// One instance that writes `message` and ends.
void TraceOnce(const std::string& file, const std::string& message) {
  CRvcTrace trace(file);
  trace.Trace(message);
}

// The messages of the stamped lines of `text`.
std::vector<std::string> Messages(const std::string& text) {
  std::vector<std::string> messages;
  for (std::sregex_iterator it(text.begin(), text.end(), kLine), end; it != end; ++it) messages.push_back((*it)[7]);
  return messages;
}

TEST_F(TraceTest, DefaultFileGetsOneStampedLinePerTrace) {
  std::time_t before = std::time(nullptr);
  {
    CRvcTrace trace("");
    EXPECT_EQ(CRvcTrace::CurrentFile(), dir / "trace_rvc.txt");
    trace.Trace("Start");
    trace.Trace("second line");
  }
  std::time_t after = std::time(nullptr);
  EXPECT_EQ(CRvcTrace::CurrentFile(), "");  // closed with the last instance

  std::string text = ReadFile(dir / "trace_rvc.txt");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(text, m, kLine, std::regex_constants::match_continuous)) << text;
  EXPECT_EQ(m[7], "Start");
  EXPECT_GE(StampAsUtc(m), before);
  EXPECT_LE(StampAsUtc(m), after);
  std::string rest = m.suffix();
  ASSERT_TRUE(std::regex_match(rest, m, kLine)) << rest;
  EXPECT_EQ(m[7], "second line");
}

TEST_F(TraceTest, StampIsLocalTime) {
  ScopedEnv east("TZ", "XYZ-03");  // three hours ahead of UTC, no daylight saving
  ::tzset();
  std::time_t before = std::time(nullptr);
  TraceOnce("", "local");
  std::time_t after = std::time(nullptr);
  std::string text = ReadFile(dir / "trace_rvc.txt");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m, kLine)) << text;
  EXPECT_GE(StampAsUtc(m), before + 3 * 3600);
  EXPECT_LE(StampAsUtc(m), after + 3 * 3600);
}

TEST_F(TraceTest, LaterInstancesWriteIntoTheFirstOnesFile) {
  {
    CRvcTrace mode(dir / "trace_rvc_update.txt");
    mode.Trace("Start");
    {
      CRvcTrace other(dir / "other.txt");
      other.Trace("from other");
      CRvcTrace defaulted("");
      defaulted.Trace("from default");
      EXPECT_EQ(CRvcTrace::CurrentFile(), dir / "trace_rvc_update.txt");
    }
    mode.Trace("Stop");  // still open after the inner instances ended
  }
  EXPECT_FALSE(test::FileExists(dir / "other.txt"));
  EXPECT_FALSE(test::FileExists(dir / "trace_rvc.txt"));
  EXPECT_EQ(Messages(ReadFile(dir / "trace_rvc_update.txt")),
            (std::vector<std::string>{"Start", "from other", "from default", "Stop"}));

  // Once all are gone, the next instance chooses again.
  TraceOnce(dir / "other.txt", "now here");
  EXPECT_EQ(Messages(ReadFile(dir / "other.txt")), std::vector<std::string>{"now here"});
}

TEST_F(TraceTest, FileOverTheLimitIsCutToItsTailWhenOpened) {
  auto pattern = [](size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 23);
    return bytes;
  };
  std::string over = pattern(131073);
  std::string limit = pattern(131072);
  WriteFile(dir / "over.txt", over);
  WriteFile(dir / "limit.txt", limit);

  { CRvcTrace trace(dir / "over.txt"); }
  EXPECT_EQ(ReadFile(dir / "over.txt"), over.substr(over.size() - 8192));

  { CRvcTrace trace(dir / "limit.txt"); }
  EXPECT_EQ(ReadFile(dir / "limit.txt"), limit);

  // New lines follow the kept tail.
  WriteFile(dir / "over.txt", over);
  TraceOnce(dir / "over.txt", "after cut");
  std::string text = ReadFile(dir / "over.txt");
  ASSERT_GT(text.size(), 8192u);
  EXPECT_EQ(text.substr(0, 8192), over.substr(over.size() - 8192));
  std::string line = text.substr(8192);
  EXPECT_TRUE(std::regex_match(line, kLine)) << line;
}

TEST_F(TraceTest, WithoutDataFolderTheFileLandsInTmpThenTmpdir) {
  TempDir tmp;
  TempDir tmpdir;
  ScopedEnv noData("KW_DATA_RAVLINCONFIG", std::nullopt);
  ScopedEnv tmpdirVar("TMPDIR", tmpdir.Path());
  {
    ScopedEnv tmpVar("TMP", tmp.Path());
    CRvcTrace trace("");
    trace.Trace("in tmp");
    EXPECT_EQ(CRvcTrace::CurrentFile(), tmp / "trace_rvc.txt");
  }
  EXPECT_NE(ReadFile(tmp / "trace_rvc.txt").find("RVC::in tmp"), std::string::npos);
  {
    ScopedEnv tmpVar("TMP", std::nullopt);
    CRvcTrace trace("");
    EXPECT_EQ(CRvcTrace::CurrentFile(), tmpdir / "trace_rvc.txt");
  }
}

TEST_F(TraceTest, DataFolderComesFromTheEnvironmentFileAndIsExpanded) {
  TempDir data;
  ScopedEnv noData("KW_DATA_RAVLINCONFIG", std::nullopt);            // also undoes what the set-up sets
  std::string base = data.Path().substr(0, data.Path().size() - 1);  // without the separator
  ScopedEnv baseVar("RVC_TEST_TRACE_BASE", base);
  WriteFile(dir / "environment", "KW_DATA_RAVLINCONFIG=%RVC_TEST_TRACE_BASE%\\config\n");
  ScopedEnv file("RAVLIN_ENVIRONMENT_FILE", dir / "environment");
  std::filesystem::create_directories(data / "config");

  EXPECT_EQ(CRvcTrace::DefaultTraceFolder(), data / "config/");
  CRvcTrace trace("");
  EXPECT_EQ(CRvcTrace::CurrentFile(), data / "config/trace_rvc.txt");
}

TEST_F(TraceTest, EachFirstInstanceFollowsTheDataFolderOfTheMoment) {
  TempDir other;
  TraceOnce("", "first");
  {
    ScopedEnv moved("KW_DATA_RAVLINCONFIG", other.Path());
    CRvcTrace trace("");
    EXPECT_EQ(CRvcTrace::CurrentFile(), other / "trace_rvc.txt");
    trace.Trace("second");
  }
  TraceOnce("", "third");
  EXPECT_EQ(Messages(ReadFile(dir / "trace_rvc.txt")), (std::vector<std::string>{"first", "third"}));
  EXPECT_EQ(Messages(ReadFile(other / "trace_rvc.txt")), std::vector<std::string>{"second"});
}

TEST_F(TraceTest, AFileInAnotherCaseIsAppendedTo) {
  WriteFile(dir / "Trace_RVC.TXT", "earlier\n");
  {
    CRvcTrace trace("");
    EXPECT_EQ(CRvcTrace::CurrentFile(), dir / "Trace_RVC.TXT");
    trace.Trace("later");
  }
  EXPECT_FALSE(test::FileExists(dir / "trace_rvc.txt"));
  EXPECT_EQ(ReadFile(dir / "Trace_RVC.TXT").find("earlier\n"), 0u);
  EXPECT_NE(ReadFile(dir / "Trace_RVC.TXT").find("RVC::later\n"), std::string::npos);
}

TEST_F(TraceTest, LinesGoToTheEndAfterAnotherWriterAppended) {
  CRvcTrace trace("");
  trace.Trace("one");
  {
    std::ofstream other(dir / "trace_rvc.txt", std::ios::app | std::ios::binary);
    other << "other writer\n";
  }
  trace.Trace("two");
  const std::string text = ReadFile(dir / "trace_rvc.txt");
  EXPECT_TRUE(std::regex_match(text, std::regex("[^\n]*\tRVC::one\nother writer\n[^\n]*\tRVC::two\n"))) << text;
}

// A file that cannot be opened, or that is a link planted in its place (a symbolic link
// or a second name of another file, large enough to be cut), is neither written nor cut:
// the lines are dropped.
TEST_F(TraceTest, UnopenableOrPlantedFilesDropLines) {
  const std::string outside = dir / "outside/victim.txt";
  const std::string big(CRvcTrace::kSizeLimit + 1, 'v');
  const std::pair<const char*, int (*)(const char*, const char*)> plants[] = {
      {"no-such-folder/trace.txt", nullptr}, {"symbolic.txt", ::symlink}, {"hard.txt", ::link}};
  for (const auto& [name, plant] : plants) {
    SCOPED_TRACE(name);
    WriteFile(outside, big);
    const std::string file = dir / name;
    if (plant != nullptr) {
      ASSERT_EQ(plant(outside.c_str(), file.c_str()), 0);
    }
    {
      CRvcTrace trace(file);
      EXPECT_EQ(CRvcTrace::CurrentFile(), "");
      trace.Trace("dropped");
      CRvcTrace second("");  // shares the failed open, does not open the default
      second.Trace("dropped too");
    }
    EXPECT_EQ(ReadFile(outside), big);
    EXPECT_FALSE(test::FileExists(dir / "trace_rvc.txt"));
  }

  // The failure does not stick once every instance is gone.
  TraceOnce("", "kept");
  EXPECT_EQ(Messages(ReadFile(dir / "trace_rvc.txt")), std::vector<std::string>{"kept"});
}

}  // namespace
}  // namespace rvc
