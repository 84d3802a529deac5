// Deletion on a copy of the sample installation: the refusals, the question, and what a
// deletion removes and frees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "platform/window_lookup.h"
#include "store/shortcuts.h"
#include "tests/lifecycle/sample_flavour.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

using test::FileExists;

class DeletionTest : public test_fixture::SampleCommandTest {
 protected:
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < tiff_.Dispatchers->GetCount(); ++i) names.push_back(tiff_.Dispatchers->GetAt(i).Record.Name);
    return names;
  }
};

TEST_F(DeletionTest, TheFirstTheLastAndARunningDispatcherAreRefused) {
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  tiff_.CurrentIndex = 0;
  OnDeleteDispatcher(tiff_);
  ASSERT_EQ(ui_.Messages().size(), 1u);  // no question first
  EXPECT_EQ(ui_.Messages()[0].text, "You can not delete this dispatcher");
  EXPECT_EQ(ui_.Messages()[0].title, "Error");

  windows_.titles.insert("Dispatcher for Mono1 (10.1)");
  tiff_.CurrentIndex = 1;
  OnDeleteDispatcher(tiff_);
  EXPECT_EQ(ui_.MessageTexts().back(), "Dispatcher Mono1 is running.\nYou cannot delete a running dispatcher.");
  EXPECT_EQ(windows_.asked.back(), "Dispatcher for Mono1 (10.1)");
  EXPECT_EQ(ui_.Messages().size(), 2u);
  EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Mono", "Mono1", "Mono3_OrvaTiffsetter"}));

  // Another product version's dispatcher of that name is not this one.
  tiff_.ProductVersion = "9.0";
  EXPECT_TRUE(DeleteDispatcher(tiff_, {.ask = false}));
  tiff_.CurrentIndex = 1;
  EXPECT_TRUE(DeleteDispatcher(tiff_, {.ask = false}));
  ASSERT_EQ(Names(), std::vector<std::string>{"Mono"});
  // The last one stays, even where the first one may go.
  tiff_.CurrentIndex = 0;
  EXPECT_FALSE(DeleteDispatcher(tiff_, {.ask = false, .allowFirst = true}));
  EXPECT_EQ(ui_.MessageTexts().back(), "You can not delete this dispatcher");
  EXPECT_TRUE(std::filesystem::exists(sample_.Data("Tiffmono/Tiffmono")));

  // Without a selection nothing happens.
  const size_t shown = ui_.Messages().size();
  tiff_.CurrentIndex = -1;
  OnDeleteDispatcher(tiff_);
  EXPECT_EQ(ui_.Messages().size(), shown);
}

TEST_F(DeletionTest, AnsweringNoChangesNothing) {
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  ui_.QueueAnswer(ui::Answer::No);
  tiff_.CurrentIndex = 1;
  OnDeleteDispatcher(tiff_);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, "Are you sure you want to delete dispatcher Mono1?");
  EXPECT_EQ(ui_.Messages()[0].buttons, ui::Buttons::YesNo);
  EXPECT_EQ(ui_.Messages()[0].icon, ui::Icon::Question);
  EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before);
  EXPECT_EQ(tiff_.Dispatchers->GetCount(), 3);
  EXPECT_TRUE(tiff_.Dispatchers->SeparatorInUse(1));
  EXPECT_EQ(sample_.refreshes, 0);
}

TEST_F(DeletionTest, DeletionRemovesFilesShortcutsAndEntryAndTheSeparatorIsOfferedAgain) {
  const std::string desktop = test::MakeDispatcherLauncher("Mono1", "Mono1", true);
  const std::string programs = test::MakeDispatcherLauncher("Mono1", "Mono1", false);
  const std::string other = test::MakeDispatcherLauncher("Mono", "Mono", true);
  ui_.QueueAnswer(ui::Answer::Yes);
  tiff_.CurrentIndex = 1;
  OnDeleteDispatcher(tiff_);

  EXPECT_EQ(Names(), (std::vector<std::string>{"Mono", "Mono3_OrvaTiffsetter"}));
  EXPECT_FALSE(std::filesystem::exists(sample_.Data("Tiffmono/CtP_platedriver")));
  EXPECT_FALSE(FileExists(sample_.Data("Tiffmono/data/zvCtP_platedriver_dispatcher.ini")));
  EXPECT_TRUE(FileExists(sample_.Data("Tiffmono/data/zvTiffmono_dispatcher.ini")));
  EXPECT_FALSE(FileExists(desktop));
  EXPECT_FALSE(FileExists(programs));
  EXPECT_TRUE(FileExists(other));
  EXPECT_FALSE(tiff_.Dispatchers->SeparatorInUse(1));
  EXPECT_EQ(tiff_.CurrentIndex, -1);
  EXPECT_EQ(sample_.refreshes, 1);

  // The rebuilt list no longer knows the dispatcher either.
  const store::CDispatcherList rebuilt(tiff_.Dispatchers->ListFile(), *tiff_.Templates, true, "Tiffmono");
  EXPECT_EQ(rebuilt.GetCount(), 2);

  ui_.QueueDialog("NewDispatcher", [](ui::IDialogModel& model) {
    EXPECT_EQ(dynamic_cast<CNewDispatcher&>(model).Name, "Mono1");
    return ui::DialogResult::Ok;
  });
  ASSERT_TRUE(OnNewDispatcher(tiff_));
  const store::DispatcherRecord& made = tiff_.Dispatchers->GetAt(2).Record;
  EXPECT_EQ(made.Name, "Mono1");
  EXPECT_EQ(made.Base, 1);
  EXPECT_EQ(made.CommandPort, 5104);
}

TEST_F(DeletionTest, AFolderInUseIsRefusedWithMessage172) {
  std::ifstream held(sample_.Data("Tiffmono/CtP_platedriver/data/zv_config.res"));
  ASSERT_TRUE(held.is_open());
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  tiff_.CurrentIndex = 1;
  OnDeleteDispatcher(tiff_);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, sample_.Data("Tiffmono/") +
                                        "CtP_platedriver is in use by an other application.\nPlease close all "
                                        "applications using this directory.");
  EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before);
  EXPECT_EQ(tiff_.Dispatchers->GetCount(), 3);

  held.close();
  ui_.QueueAnswer(ui::Answer::Yes);
  OnDeleteDispatcher(tiff_);
  EXPECT_EQ(tiff_.Dispatchers->GetCount(), 2);
}

TEST_F(DeletionTest, InViewOnlyModeNoCommandChangesAnything) {
  tiff_.ViewOnly = true;
  tiff_.CurrentIndex = 1;
  OnDeleteDispatcher(tiff_);
  EXPECT_FALSE(OnNewDispatcher(tiff_));
  EXPECT_FALSE(OnChangeType(tiff_));
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_TRUE(ui_.DialogsRun().empty());
  EXPECT_EQ(tiff_.Dispatchers->GetCount(), 3);
}

}  // namespace
}  // namespace rvc::lifecycle
