// Rollback of dispatcher creation: a failure forced at each building step, from the
// folder copy to the announcement, leaves the installation (data folder, shortcut
// folders, hot folders, program folder) byte for byte and folder for folder as it was,
// and the dispatcher list as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <tuple>

#include "frame/flavour_catalogue.h"
#include "core/rvc_exception.h"
#include "lifecycle/dispatcher_creation.h"
#include "store/shortcuts.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/sample_installation.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Every file (with its bytes) and every folder below `root`, except the trace folder.
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    if (relative.rfind("config", 0) == 0) continue;
    tree[relative] = entry.is_directory() ? "<folder>" : ReadFile(entry.path().string());
  }
  return tree;
}

using Row = std::tuple<std::string, std::string, std::string, std::string, int, int, std::string>;
std::vector<Row> Rows(const store::CDispatcherList& list) {
  std::vector<Row> rows;
  for (int i = 0; i < list.GetCount(); ++i) {
    const store::DispatcherRecord& r = list.GetAt(i).Record;
    rows.emplace_back(r.Flavour, r.Name, r.Type, r.Folder, r.Base, r.CommandPort, list.GetAt(i).Path());
  }
  return rows;
}

std::vector<bool> Separators(const store::CDispatcherList& list) {
  std::vector<bool> used;
  for (int base = 0; base <= 9; ++base) used.push_back(list.SeparatorInUse(base));
  return used;
}

class RollbackTest : public ::testing::Test {
 protected:
  RollbackTest()
      : sample_({"config", "configurator", "prog/Dedezi", "data/Dedezi"},
                {"RAVLIN_ENVIRONMENT_FILE", "RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG", "TMP", "RAVLIN_DESKTOP_DIR",
                 "RAVLIN_PROGRAMS_DIR"}),
        root_(sample_.Root()) {
    frame::CatalogueOptions options;
    options.interactive = false;
    frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), "Dedezi", options, flavours_);
    flavour_ = flavours_.at(0).get();

    // The source's launchers: on the desktop, and in the program group of older
    // installations, so that creating the new one makes the "Orva" group. A launcher
    // whose name differs from the new one's only in case is replaced by it.
    test::MakeDispatcherLauncher("Velmora1", "Sheetfed_Plate", true, root_ + "/prog");
    fs::create_directories(root_ + "/programs/Orva-Graphics");
    fs::rename(test::MakeDispatcherLauncher("Velmora1", "Sheetfed_Plate", false, root_ + "/prog"),
               root_ + "/programs/Orva-Graphics/Velmora1 10.1 dispatcher.desktop");
    fs::remove(root_ + "/programs/Orva");
    WriteFile(root_ + "/desktop/PRESS2 10.1 Dispatcher.desktop", "[Desktop Entry]\nType=Application\nName=old\n");
    WriteFile(root_ + "/prog/Dedezi/com_win/dispatcherSheetfed_Plate.bat", "start\n");
  }

  // "Copy Velmora1" to a new Digital_Press dispatcher: every kind of change is made.
  CreateDispatcherInputs Inputs() {
    const store::CDispatcher& source = flavour_->DispatcherList->GetAt(1);
    target_ = std::make_unique<store::CDispatcher>(source);
    target_->Record.Name = "Press2";
    target_->Record.Type = "Digital_Press";
    target_->Record.Folder = "Digital Press";
    target_->Record.Base = 2;
    target_->Record.CommandPort = 7204;
    CreateDispatcherInputs in;
    in.source = &source;
    in.target = target_.get();
    in.dispatchers = flavour_->DispatcherList.get();
    in.templates = flavour_->TemplateList.get();
    in.label = flavour_->Version;
    in.vdpMode = 1;
    in.appendToList = false;
    in.renumberHotFolders = true;
    return in;
  }

  test::SampleInstallation sample_;
  std::string root_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scopedUi_{ui_};
  frame::FlavourList flavours_;
  frame::CFlavour* flavour_ = nullptr;
  std::unique_ptr<store::CDispatcher> target_;
};

TEST_F(RollbackTest, AFailureAtAnyBuildingStepLeavesEverythingAsItWas) {
  const auto tree = Tree(root_);
  const auto rows = Rows(*flavour_->DispatcherList);
  const auto separators = Separators(*flavour_->DispatcherList);
  flavour_->DispatcherList->SetCurrent(1);
  CreationStep reached{};
  for (CreationStep step : kCreationSteps) {
    const std::string name = "step " + std::to_string(static_cast<int>(step));
    SCOPED_TRACE(name);
    ui_.Clear();
    CreateDispatcherInputs in = Inputs();
    in.stepHook = [step, &reached, &name](CreationStep at) {
      reached = at;
      if (at == step) throw CRvcException(118, name);
    };
    EXPECT_FALSE(CreateDispatcher(in));
    EXPECT_EQ(reached, step);
    ASSERT_FALSE(ui_.Messages().empty());
    EXPECT_EQ(ui_.Messages().back().text, "Internal error: " + name + " failed");
    EXPECT_EQ(ui_.Messages().back().title, "Error");
    EXPECT_EQ(Tree(root_), tree);
    EXPECT_EQ(Rows(*flavour_->DispatcherList), rows);
    EXPECT_EQ(Separators(*flavour_->DispatcherList), separators);
    EXPECT_EQ(flavour_->DispatcherList->Current(), 1);
  }

  // Without a failure the same creation changes all of it.
  ui_.Clear();
  CreateDispatcherInputs in = Inputs();
  in.stepHook = [&reached](CreationStep at) { reached = at; };
  ASSERT_TRUE(CreateDispatcher(in));
  EXPECT_EQ(reached, CreationStep::Built);
  const auto after = Tree(root_);
  EXPECT_EQ(after.count("data/Dedezi/Digital_Press/data/zvDigital_Press_dispatcher.ini"), 1u);
  EXPECT_EQ(after.count("hotfolders/Digital_Press/PS"), 1u);
  EXPECT_EQ(after.count("programs/Orva/Press2 10.1 dispatcher.desktop"), 1u);
  EXPECT_EQ(after.count("desktop/Press2 10.1 dispatcher.desktop"), 1u);
  EXPECT_EQ(after.count("desktop/PRESS2 10.1 Dispatcher.desktop"), 0u);
  EXPECT_EQ(flavour_->DispatcherList->GetCount(), 3);
  EXPECT_EQ(flavour_->DispatcherList->GetAt(1).Record.Name, "Press2");
  EXPECT_EQ(flavour_->DispatcherList->Current(), 2);  // still Velmora1
  EXPECT_TRUE(flavour_->DispatcherList->SeparatorInUse(2));
}

TEST_F(RollbackTest, OtherExceptionsAreRolledBackAndPassedOn) {
  const auto tree = Tree(root_);
  CreateDispatcherInputs in = Inputs();
  in.stepHook = [](CreationStep at) {
    if (at == CreationStep::ProgramsShortcut) throw std::runtime_error("unexpected");
  };
  EXPECT_THROW(CreateDispatcher(in), std::runtime_error);
  EXPECT_EQ(Tree(root_), tree);
  EXPECT_EQ(flavour_->DispatcherList->GetCount(), 2);
}

TEST_F(RollbackTest, StartFilesOfTheNewFolderGoWithTheRollback) {
  // Left by installations elsewhere; only the new folder's own start file goes.
  WriteFile(root_ + "/prog/Dedezi/com_win/dispatcherDigital_Press.bat", "start\n");
  CreateDispatcherInputs in = Inputs();
  in.stepHook = [](CreationStep at) {
    if (at == CreationStep::RenameIni) throw CRvcException(103, "a", "b");
  };
  EXPECT_FALSE(CreateDispatcher(in));
  EXPECT_FALSE(fs::exists(root_ + "/prog/Dedezi/com_win/dispatcherDigital_Press.bat"));
  EXPECT_TRUE(fs::exists(root_ + "/prog/Dedezi/com_win/dispatcherSheetfed_Plate.bat"));
}

}  // namespace
}  // namespace rvc::lifecycle
