// New, Delete and Change Type save the flavour's list file as part of their change: a list
// file that cannot be saved undoes the change, on disk and in the list in memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/new_dispatcher.h"
#include "tests/lifecycle/sample_flavour.h"
#include "tests/support/test_support.h"

namespace rvc::lifecycle {
namespace {

class ListFileTest : public test_fixture::SampleCommandTest {
 protected:
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int i = 0; i < tiff_.Dispatchers->GetCount(); ++i) {
      const store::DispatcherRecord& r = tiff_.Dispatchers->GetAt(i).Record;
      rows.push_back(r.Name + " " + r.Type + " " + r.Folder + " " + std::to_string(r.Base));
    }
    return rows;
  }

  // Each command as the operator runs it on the dispatcher in row 1.
  const std::vector<std::pair<const char*, std::function<bool()>>> commands_ = {
      {"New",
       [this] {
         ui_.QueueDialog("NewDispatcher", [](ui::IDialogModel&) { return ui::DialogResult::Ok; });
         return OnNewDispatcher(tiff_);
       }},
      {"Delete",
       [this] {
         ui_.QueueAnswer(ui::Answer::Yes);
         tiff_.CurrentIndex = 1;
         return DeleteDispatcher(tiff_);
       }},
      {"Change Type",
       [this] {
         ui_.QueueDialog("ChangeDevType", [](ui::IDialogModel& model) {
           dynamic_cast<CChangeDevType&>(model).DeviceType = 0;
           return ui::DialogResult::Ok;
         });
         tiff_.CurrentIndex = 1;
         return OnChangeType(tiff_);
       }},
  };
};

TEST_F(ListFileTest, AListFileThatCannotBeSavedUndoesTheChange) {
  // A folder in the list file's place cannot be read for the undo entry, nor replaced.
  const std::string listFile = tiff_.Dispatchers->ListFile();
  std::filesystem::remove(listFile);
  std::filesystem::create_directory(listFile);
  const auto before = test::Snapshot(sample_.Data("Tiffmono"));
  const std::vector<std::string> rows = Rows();
  for (const auto& [name, command] : commands_) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(command());
    EXPECT_EQ(ui_.MessageTexts().back(), "Failed to open " + listFile);
    EXPECT_EQ(test::Snapshot(sample_.Data("Tiffmono")), before);
    EXPECT_EQ(Rows(), rows);
    EXPECT_FALSE(CIntentJournal::Read());
  }
}

}  // namespace
}  // namespace rvc::lifecycle
