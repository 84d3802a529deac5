#include "ui/user_interface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/console/console_ui.h"
#include "ui/headless/headless_ui.h"

namespace rvc::ui {
namespace {

struct NamedModel : IDialogModel {
  explicit NamedModel(std::string n) : name(std::move(n)) {}
  std::string DialogName() const override { return name; }
  bool OnOk() override { return refusals-- <= 0; }
  std::string name;
  std::string entered;
  int refusals = 0;  // how many Oks the check refuses
};

TEST(HeadlessUserInterfaceTest, AnswersFromQueuesThenDefaults) {
  HeadlessUserInterface headless;
  headless.QueueAnswer(Answer::No);
  headless.QueueFolder("/picked/");
  headless.QueueFile("/a.ppd");

  EXPECT_EQ(headless.ShowMessage({"Delete?", "Q", Buttons::YesNo, Icon::Question, false}), Answer::No);
  EXPECT_EQ(headless.ShowMessage({"Delete?", "Q", Buttons::YesNo, Icon::Question, false}), Answer::Yes);
  EXPECT_EQ(headless.ShowMessage({"Go on?", "", Buttons::OkCancel, Icon::None, false}), Answer::Ok);
  EXPECT_EQ(headless.MessageTexts(), (std::vector<std::string>{"Delete?", "Delete?", "Go on?"}));
  EXPECT_EQ(headless.Messages()[0].icon, Icon::Question);

  EXPECT_EQ(headless.BrowseForFolder("Choose", "/start/"), "/picked/");
  EXPECT_EQ(headless.BrowseForFolder("Again", "/start/"), "");
  EXPECT_EQ(headless.FolderTitles(), (std::vector<std::string>{"Choose", "Again"}));
  EXPECT_EQ(headless.OpenFile({}), "/a.ppd");
  EXPECT_EQ(headless.OpenFile({}), "");

  auto progress = headless.BeginProgress("Progressing", 3);
  progress->Step();
  EXPECT_EQ(headless.ProgressStarts(), 1);

  headless.Clear();
  EXPECT_TRUE(headless.Messages().empty());
  EXPECT_TRUE(headless.FolderTitles().empty());
  EXPECT_EQ(headless.ProgressStarts(), 0);
}

TEST(HeadlessUserInterfaceTest, DialogScriptsRunByNameOnceAndARefusedOkRunsTheNext) {
  HeadlessUserInterface headless;
  for (const char* paper : {"A4", "A5"}) {
    headless.QueueDialog("media", [paper](IDialogModel& model) {
      static_cast<NamedModel&>(model).entered = paper;
      return DialogResult::Ok;
    });
  }
  headless.QueueDialog("media", [](IDialogModel&) { return DialogResult::Cancel; });

  NamedModel other("login");
  NamedModel media("media");
  media.refusals = 1;
  EXPECT_EQ(headless.RunDialog(other), DialogResult::Cancel);  // no script: cancelled
  EXPECT_EQ(headless.RunDialog(media), DialogResult::Ok);      // A4 refused, A5 taken
  EXPECT_EQ(media.entered, "A5");
  media.entered.clear();
  EXPECT_EQ(headless.RunDialog(media), DialogResult::Cancel);  // the third script
  EXPECT_EQ(headless.RunDialog(media), DialogResult::Cancel);  // queue used up
  EXPECT_EQ(media.entered, "");
  EXPECT_EQ(headless.DialogsRun(), (std::vector<std::string>{"login", "media", "media", "media", "media"}));
}

TEST(HeadlessUserInterfaceTest, InstalledInterfaceGetsMessagesAndWaitCursors) {
  HeadlessUserInterface outer;
  HeadlessUserInterface inner;
  {
    ScopedUserInterface installOuter(outer);
    {
      WaitCursor busy;
      EXPECT_EQ(outer.BusyDepth(), 1);
      {
        WaitCursor nested;
        EXPECT_EQ(outer.BusyDepth(), 2);
      }
      EXPECT_EQ(outer.BusyDepth(), 1);

      ScopedUserInterface installInner(inner);
      EXPECT_EQ(&Current(), &inner);
      ShowMessage("to inner", "T");
    }
    EXPECT_EQ(&Current(), &outer);  // the previous one is back
    EXPECT_EQ(outer.BusyDepth(), 0);
    EXPECT_EQ(ShowMessage("to outer", "T", Buttons::YesNo, Icon::Error), Answer::Yes);
  }
  EXPECT_NE(&Current(), &outer);
  EXPECT_EQ(inner.MessageTexts(), std::vector<std::string>{"to inner"});
  EXPECT_EQ(outer.MessageTexts(), std::vector<std::string>{"to outer"});
  EXPECT_EQ(outer.Messages()[0].icon, Icon::Error);
  EXPECT_FALSE(outer.Messages()[0].systemModal);
}

std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  return text;
}

TEST(ConsoleUserInterfaceTest, WritesMessagesAndTakesDefaults) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  std::vector<std::string> traced;
  {
    ConsoleUserInterface console(out, [&](std::string_view line) { traced.emplace_back(line); });
    EXPECT_EQ(console.ShowMessage({"Failed to open x", "Error", Buttons::Ok, Icon::Exclamation, true}), Answer::Ok);
    EXPECT_EQ(console.ShowMessage({"Sure?", "Question", Buttons::YesNo, Icon::Question, false}), Answer::Yes);
    EXPECT_EQ(console.ShowMessage({"Line one\nline two", "", Buttons::OkCancel, Icon::None, false}), Answer::Ok);
    EXPECT_EQ(console.BrowseForFolder("Pick", "/"), "");
    EXPECT_EQ(console.OpenFile({}), "");
    NamedModel model("media");
    EXPECT_EQ(console.RunDialog(model), DialogResult::Cancel);
    console.SetBusy(true);
    console.SetBusy(false);
    console.BeginProgress("Progressing", 2)->Step();
  }
  EXPECT_EQ(Contents(out), "Error: Failed to open x\nQuestion: Sure?\nLine one\nline two\n");
  EXPECT_EQ(traced, (std::vector<std::string>{"Failed to open x", "Sure?", "Line one\nline two"}));
  std::fclose(out);

  // Without a sink nothing but the file is written.
  std::FILE* plain = std::tmpfile();
  ASSERT_NE(plain, nullptr);
  ConsoleUserInterface quiet(plain);
  EXPECT_EQ(quiet.ShowMessage({"100% done %s", "Info", Buttons::Ok, Icon::Information, false}), Answer::Ok);
  EXPECT_EQ(Contents(plain), "Info: 100% done %s\n");
  std::fclose(plain);
}

}  // namespace
}  // namespace rvc::ui
