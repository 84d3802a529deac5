#include "core/rvc_exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rvc_trace.h"
#include "core/string_table.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc {
namespace {

using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;

TEST(RvcExceptionTest, FormatsTheTableTextWithItsArguments) {
  EXPECT_EQ(CRvcException(124).Message(), "You must specify a name");
  EXPECT_EQ(CRvcException(104, "C:\\data\\x.res").Message(), "Failed to open C:\\data\\x.res");
  EXPECT_EQ(CRvcException(103, "old", "new").Message(), "Failed to rename old to new");
  EXPECT_EQ(CRvcException(103, "old").Message(), "Failed to rename old to ");  // absent: empty
  EXPECT_EQ(CRvcException(172, "/data/", "Disp1").Message().substr(0, 40), "/data/Disp1 is in use by an other applic");
  // An argument is inserted as it is, never read as a format.
  EXPECT_EQ(CRvcException(107, "50%s %d").Message(), "Failed to delete 50%s %d");

  CRvcException e(113, "Proof1");
  EXPECT_EQ(e.Id(), 113);
  EXPECT_STREQ(e.what(), "Proof1 already exists, please choose another name");

  // An unknown id gives "Error" with the number.
  EXPECT_EQ(CRvcException(999, "ignored").Message(), "Error 999");
  EXPECT_EQ(CRvcException(131).Message(), "Error 131");
  EXPECT_EQ(CRvcException(-5).Message(), "Error -5");
}

TEST(RvcExceptionTest, FormatMessageTextConversions) {
  EXPECT_EQ(FormatMessageText("100%% of %s", "x", ""), "100% of x");
  EXPECT_EQ(FormatMessageText("%s%s", "a", "b"), "ab");
  EXPECT_EQ(FormatMessageText("no arguments", "a", "b"), "no arguments");
  EXPECT_EQ(FormatMessageText("%d", "1", ""), std::nullopt);
  EXPECT_EQ(FormatMessageText("ends in %", "", ""), std::nullopt);
  EXPECT_EQ(FormatMessageText("%s %s %s", "a", "b"), std::nullopt);

  const std::vector<std::string> three{"a", "b", "c"};
  EXPECT_EQ(FormatMessageText(std::string_view("%s-%s-%s"), three), "a-b-c");
  EXPECT_EQ(FormatMessageText(std::string_view("%s"), std::span<const std::string>()), std::nullopt);
}

TEST(RvcExceptionTest, MessageTextTakesAsManyArgumentsAsTheTextNeeds) {
  const std::vector<std::string> args{"Conf1", "A4", "Letter"};
  std::string text = MessageText(175, args);
  EXPECT_EQ(text.rfind("Configuration Conf1 has an invalid reference to film A4 ", 0), 0u) << text;
  EXPECT_NE(text.find("using film Letter instead."), std::string::npos) << text;
  // Too few arguments for the text: the fallback, as for an exception.
  EXPECT_EQ(MessageText(175, std::vector<std::string>{"a", "b"}), "Error 175");
  EXPECT_EQ(MessageText(500), "Error 500");
}

// Lookups across the whole table: an entry out of order would not be found, and a
// text with a stray "%" or a written-out "\n" would show wrongly.
TEST(StringTableTest, EntriesAreFoundAndFormattable) {
  for (int id : {103, 126, 127, 129, 138, 155, 160, 172, 175, 176, 178, 185, 186, 187, 190}) {
    EXPECT_TRUE(LoadString(id).has_value()) << id;
  }
  for (int id : {0, 102, 131, 159, 179, 191, 1000}) {
    EXPECT_FALSE(LoadString(id).has_value()) << id;
  }
  const std::vector<std::string> many(5, "x");
  int found = 0;
  for (int id = 0; id < 1000; ++id) {
    auto text = LoadString(id);
    if (!text) continue;
    ++found;
    EXPECT_GE(id, 103);
    EXPECT_LE(id, 190);
    EXPECT_TRUE(FormatMessageText(*text, many).has_value()) << id;
    EXPECT_EQ(text->find("\\n"), std::string_view::npos) << id;
    EXPECT_FALSE(text->empty()) << id;
  }
  EXPECT_GT(found, 50);
  EXPECT_EQ(*LoadString(160), "10.1");
  EXPECT_EQ(*LoadString(129), "10.1.0");
}

class ReportTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedEnv noEnvironmentFile{"RAVLIN_ENVIRONMENT_FILE", dir / "no-such-environment"};
  ScopedEnv dataFolder{"KW_DATA_RAVLINCONFIG", dir.Path()};
  ui::HeadlessUserInterface headless;
  ui::ScopedUserInterface installed{headless};
};

TEST_F(ReportTest, TracesAndShowsAnErrorBox) {
  headless.QueueAnswer(ui::Answer::Cancel);  // whatever the box answers is passed on
  EXPECT_EQ(CRvcException(104, "zv_config.res").Report(), ui::Answer::Cancel);

  ASSERT_EQ(headless.Messages().size(), 1u);
  const ui::Message& box = headless.Messages()[0];
  EXPECT_EQ(box.text, "Failed to open zv_config.res");
  EXPECT_EQ(box.title, "Error");
  EXPECT_EQ(box.buttons, ui::Buttons::Ok);
  EXPECT_EQ(box.icon, ui::Icon::Exclamation);
  EXPECT_TRUE(box.systemModal);

  std::string trace = ReadFile(dir / "trace_rvc.txt");
  EXPECT_NE(trace.find("\tRVC::Failed to open zv_config.res\n"), std::string::npos) << trace;
  EXPECT_EQ(CRvcTrace::CurrentFile(), "");  // the report's own trace is closed again
}

TEST_F(ReportTest, AlreadyRunningIsShownButNotTraced) {
  CRvcException(122, "Ravlin Configurator").Report();
  ASSERT_EQ(headless.MessageTexts(), std::vector<std::string>{"Ravlin Configurator application is already running"});
  EXPECT_EQ(ReadFile(dir / "trace_rvc.txt"), "");
}

TEST_F(ReportTest, GoesIntoTheTraceOfTheRunningMode) {
  {
    CRvcTrace mode(dir / "trace_rvc_backup.txt");
    mode.Trace("Start");
    CRvcException(999).Report();
    mode.Trace("Stop");
  }
  std::string trace = ReadFile(dir / "trace_rvc_backup.txt");
  size_t start = trace.find("RVC::Start\n");
  size_t error = trace.find("RVC::Error 999\n");
  size_t stop = trace.find("RVC::Stop\n");
  ASSERT_NE(error, std::string::npos) << trace;
  EXPECT_LT(start, error);
  EXPECT_LT(error, stop);
  EXPECT_FALSE(test::FileExists(dir / "trace_rvc.txt"));
}

}  // namespace
}  // namespace rvc
