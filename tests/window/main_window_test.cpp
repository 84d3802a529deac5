// The main window model on a copy of the sample installation: texts, columns, the
// enabling rules after opening, clicks, double-clicks and flavour changes, view-only mode,
// the "B", "Approval" and "Dedezi" rules, the job modes and the command dispatch.
#include "window/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "frame/flavour_catalogue.h"
#include "frame/rvc_app.h"
#include "lifecycle/change_type.h"
#include "lifecycle/commands.h"
#include "lifecycle/dispatcher_properties.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "platform/window_lookup.h"
#include "tests/support/loaded_sample.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::window {
namespace {

using namespace lifecycle;

using test::kApproval;
using test::kDedezi;
using test::kProof;
using test::kTiff;

const Command kRowButtons[] = {Command::Modify, Command::Delete, Command::View, Command::ChangeType};

class MainWindowTest : public ::testing::Test {
 protected:
  // A window over the sample, opened on `flavour`; `prepare` runs before it opens.
  CRvcDlg& Open(int flavour, const std::function<void(CRvcDlg&)>& prepare = {}) {
    window_ = std::make_unique<CRvcDlg>(sample_.flavours, flavour, commands_);
    if (prepare) prepare(*window_);
    window_->OnInitDialog();
    return *window_;
  }

  std::vector<std::string> Texts() const { return ui_.MessageTexts(); }
  // Each of `ids` is enabled (or not) in `window`.
  static void ExpectEnabled(const CRvcDlg& window, std::initializer_list<Command> ids, bool enabled) {
    for (Command id : ids) EXPECT_EQ(window.IsEnabled(id), enabled) << static_cast<int>(id);
  }

  MainWindowTest() {
    RegisterLifecycleCommands(commands_);
    for (Command id : {Command::Modify, Command::View, Command::Backup, Command::Restore, Command::PpdPreferences}) {
      commands_.Register(id, [this, id](frame::CommandRequest& request) {
        EXPECT_EQ(request.Flavour().Key, window_->CurrentFlavour().Key);
        ran_.push_back(id);
        atStart_.push_back(request.OpenModifyAtStart);
      });
    }
  }

  test::LoadedSample sample_;
  frame::CCommandTable commands_;
  std::vector<Command> ran_;  // the commands of the stand-in handlers, in order
  std::vector<bool> atStart_;  // whether each was the modify dialog of the install job's start
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  std::unique_ptr<CRvcDlg> window_;
};

TEST_F(MainWindowTest, OpensWithTheTitleLabelFlavoursColumnsButtonsAndMenu) {
  CRvcDlg& window = Open(kTiff);

  EXPECT_EQ(window.Title, "Ravlin Configurator 10.1");
  EXPECT_EQ(window.FlavourLabel, "Installed Flavours (Ravlin 10.1):");
  EXPECT_EQ(window.FlavourEntries,
            (std::vector<std::string>{"Approval", "Ravlin Proof", "Ravlin Tiff", "Velmora Dedezi"}));
  EXPECT_EQ(window.FlavourSelection, kTiff);
  EXPECT_TRUE(window.FlavourSelectorVisible);
  EXPECT_FALSE(window.BackupAtTop);

  ASSERT_EQ(window.Columns.size(), 3u);
  EXPECT_EQ(window.Columns[0].Heading, "Name");
  EXPECT_EQ(window.Columns[1].Heading, "Type");
  EXPECT_EQ(window.Columns[2].Heading, "OrvaLink Port");
  EXPECT_EQ(window.ColumnWidth(0, 600), 130);
  EXPECT_EQ(window.ColumnWidth(1, 600), 240);
  EXPECT_EQ(window.ColumnWidth(2, 600), 230);  // the client width less 370

  EXPECT_EQ(window.Rows, (std::vector<std::vector<std::string>>{{"Mono", "Imagesetter_Film", "5004"},
                                                                {"Mono1", "CtP_platedriver", "5104"},
                                                                {"Mono3_OrvaTiffsetter", "Generic_FromPPD", "5304"}}));
  EXPECT_EQ(window.CurrentIndex, 0);
  EXPECT_FALSE(window.RowSelected);

  std::vector<std::string> buttons;
  for (const Button& button : window.Buttons) buttons.push_back(button.Text);
  EXPECT_EQ(buttons, (std::vector<std::string>{"&New...", "&Delete", "&Modify...", "&View...", "Change Type",
                                               "&Backup...", "&Exit"}));
  ASSERT_EQ(window.Menus.size(), 2u);
  EXPECT_EQ(window.Menus[0].Text, "&File");
  std::vector<std::string> file;
  for (const MenuEntry& entry : window.Menus[0].Entries) file.push_back(entry.Text);
  EXPECT_EQ(file, (std::vector<std::string>{"&New Dispatcher", "Dispatcher Properties", "&Restore", "&Create PPD",
                                            "Create All PPDs", "&PPD Preferences...", "Exit"}));
  EXPECT_EQ(window.GetMenuEntry(Command::NewDispatcher).Shortcut, "Ctrl+N");
  EXPECT_EQ(window.Menus[1].Text, "&Help");
  EXPECT_EQ(window.GetMenuEntry(Command::AboutRavlin).Text, "About Ravlin Configurator");
  EXPECT_EQ(window.GetMenuEntry(Command::AboutRvc).Text, "&About Rvc...");

  // Enabled at opening: everything but the commands on a selected dispatcher and "&Create PPD".
  for (Command id : {Command::New, Command::Backup, Command::Close, Command::NewDispatcher,
                     Command::DispatcherProperties, Command::Restore, Command::CreateAllPpds, Command::PpdPreferences,
                     Command::Exit, Command::AboutRavlin, Command::AboutRvc}) {
    EXPECT_TRUE(window.IsEnabled(id)) << static_cast<int>(id);
  }
  for (Command id : kRowButtons) EXPECT_FALSE(window.IsEnabled(id)) << static_cast<int>(id);
  EXPECT_FALSE(window.IsEnabled(Command::CreatePpd));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(MainWindowTest, ClicksOnARowAndOnEmptySpaceSwitchTheSelectionCommands) {
  CRvcDlg& window = Open(kTiff);

  window.OnClick(1);
  EXPECT_EQ(window.CurrentIndex, 1);
  EXPECT_TRUE(window.RowSelected);
  for (Command id : kRowButtons) EXPECT_TRUE(window.IsEnabled(id)) << static_cast<int>(id);
  ExpectEnabled(window, {Command::DispatcherProperties, Command::CreatePpd}, true);

  window.OnClick(-1);  // empty space below the rows
  EXPECT_EQ(window.CurrentIndex, -1);
  EXPECT_FALSE(window.RowSelected);
  for (Command id : kRowButtons) EXPECT_FALSE(window.IsEnabled(id)) << static_cast<int>(id);
  ExpectEnabled(window, {Command::DispatcherProperties, Command::CreatePpd}, false);
  EXPECT_TRUE(window.IsEnabled(Command::New));

  // A double-click on empty space disables the same buttons and opens nothing.
  window.OnClick(0);
  window.OnDoubleClick(-1);
  for (Command id : kRowButtons) EXPECT_FALSE(window.IsEnabled(id)) << static_cast<int>(id);
  EXPECT_TRUE(window.IsEnabled(Command::DispatcherProperties));  // the menu is not touched by a double-click
  EXPECT_TRUE(Texts().empty());

  // A double-click on a row opens the modify dialog.
  window.OnDoubleClick(2);
  EXPECT_EQ(window.CurrentIndex, 2);
  for (Command id : kRowButtons) EXPECT_TRUE(window.IsEnabled(id)) << static_cast<int>(id);
  EXPECT_EQ(ran_, std::vector<Command>{Command::Modify});
}

TEST_F(MainWindowTest, ViewOnlyLeavesTheReadingCommands) {
  CRvcDlg& window = Open(kTiff, [](CRvcDlg& w) { w.SetViewOnly(true); });

  ExpectEnabled(window,
                {Command::New, Command::Modify, Command::Delete, Command::ChangeType, Command::Backup, Command::View,
                 Command::NewDispatcher, Command::Restore, Command::CreatePpd},
                false);
  ExpectEnabled(window, {Command::DispatcherProperties, Command::Close}, true);

  window.OnClick(1);
  for (const Button& button : window.Buttons) {
    const bool expected = button.Id == Command::View || button.Id == Command::Close;
    EXPECT_EQ(button.Enabled, expected) << button.Text;
  }

  window.OnDoubleClick(1);
  EXPECT_EQ(ran_, std::vector<Command>{Command::View});

  // A flavour change enables nothing that changes dispatchers.
  window.OnFlavourChanged(kProof);
  window.OnClick(0);
  ExpectEnabled(window, {Command::New, Command::NewDispatcher, Command::Modify, Command::Delete, Command::ChangeType},
                false);

  // Disabled commands do nothing, also when the view delivers them (a shortcut, say).
  window.OnCommand(Command::NewDispatcher);
  window.OnCommand(Command::Delete);
  EXPECT_TRUE(ui_.DialogsRun().empty());
  EXPECT_EQ(sample_.flavours[kProof]->DispatcherList->GetCount(), 2);
}

TEST_F(MainWindowTest, ApprovalNeverEnablesChangeType) {
  CRvcDlg& window = Open(kApproval);
  window.OnClick(0);
  EXPECT_FALSE(window.IsEnabled(Command::ChangeType));
  EXPECT_TRUE(window.IsEnabled(Command::Modify));
  window.OnDoubleClick(1);
  EXPECT_FALSE(window.IsEnabled(Command::ChangeType));

  // Another flavour enables it again; back on Approval it is off whatever is clicked.
  window.OnFlavourChanged(kTiff);
  EXPECT_TRUE(window.IsEnabled(Command::ChangeType));
  EXPECT_EQ(window.Rows.size(), 3u);
  EXPECT_EQ(window.CurrentIndex, -1);
  EXPECT_FALSE(window.IsEnabled(Command::DispatcherProperties));
  window.OnFlavourChanged(kApproval);
  EXPECT_EQ(window.Rows[0][0], "Appr");
  window.OnClick(1);
  EXPECT_FALSE(window.IsEnabled(Command::ChangeType));
}

TEST_F(MainWindowTest, FlavourBHasNoNewCommand) {
  // A flavour shown as "B": the Tiffmono lists under another display name.
  const std::string prog = sample_.Path("prog/Tiffmono/rvc2.cfg");
  const std::string data = sample_.Path("data/Tiffmono/rvc1.cfg");
  sample_.flavours.push_back(std::make_unique<frame::CFlavour>("B", "B", "10.1", prog, false, data, false));
  const int b = static_cast<int>(sample_.flavours.size()) - 1;

  CRvcDlg& window = Open(b);
  EXPECT_EQ(window.FlavourEntries[static_cast<size_t>(window.FlavourSelection)], "B");
  ExpectEnabled(window, {Command::New, Command::NewDispatcher}, false);
  window.OnCommand(Command::NewDispatcher);
  EXPECT_TRUE(ui_.DialogsRun().empty());

  window.OnFlavourChanged(kTiff);
  ExpectEnabled(window, {Command::New, Command::NewDispatcher}, true);
  window.OnFlavourChanged(b);
  ExpectEnabled(window, {Command::New, Command::NewDispatcher}, false);
}

TEST_F(MainWindowTest, PreferredFlavourDedeziShowsOnlyItUnderTheVelmoraTitle) {
  CRvcDlg& window = Open(kDedezi, [](CRvcDlg& w) { w.SetPreferredFlavour("dedezi"); });
  EXPECT_EQ(window.Title, "Velmora RIP Configurator");
  EXPECT_EQ(window.FlavourEntries, (std::vector<std::string>{"Velmora Dedezi"}));
  EXPECT_EQ(window.FlavourSelection, 0);
  EXPECT_FALSE(window.FlavourSelectorVisible);
  EXPECT_TRUE(window.BackupAtTop);
  EXPECT_EQ(window.Rows[0][0], "Velmora");

  // Another preferred flavour keeps the normal layout but lists only that flavour.
  CRvcDlg& proof = Open(kProof, [](CRvcDlg& w) { w.SetPreferredFlavour("PROOF"); });
  EXPECT_EQ(proof.Title, "Ravlin Configurator 10.1");
  EXPECT_EQ(proof.FlavourEntries, (std::vector<std::string>{"Ravlin Proof"}));
  EXPECT_TRUE(proof.FlavourSelectorVisible);
}

TEST_F(MainWindowTest, AfterAnInstallationTheCloseButtonContinuesAndModifyOpens) {
  CRvcDlg& install = Open(kTiff, [](CRvcDlg& w) {
    w.SetMode(frame::kModeInstall);
    w.OpenModifyAtStart = true;
  });
  EXPECT_EQ(install.GetButton(Command::Close).Text, "&Continue");
  EXPECT_FALSE(install.IsEnabled(Command::Backup));
  EXPECT_FALSE(install.OpenModifyAtStart);
  EXPECT_EQ(ran_, std::vector<Command>{Command::Modify});
  EXPECT_EQ(atStart_, std::vector<bool>{true});
  install.OnDoubleClick(1);
  EXPECT_EQ(atStart_, (std::vector<bool>{true, false}));

  CRvcDlg& update = Open(kTiff, [](CRvcDlg& w) { w.SetMode(frame::kModeUpdate); });
  EXPECT_EQ(update.GetButton(Command::Close).Text, "&Continue");
  EXPECT_FALSE(update.IsEnabled(Command::Backup));

  CRvcDlg& backup = Open(kTiff, [](CRvcDlg& w) { w.SetMode(frame::kModeBackup); });
  EXPECT_EQ(backup.GetButton(Command::Close).Text, "&Exit");
  EXPECT_TRUE(backup.IsEnabled(Command::Backup));
}

TEST_F(MainWindowTest, NewCreatesADispatcherAndLeavesNothingSelected) {
  CRvcDlg& window = Open(kTiff);
  window.OnClick(1);
  ui_.QueueDialog("NewDispatcher", [](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CNewDispatcher&>(model);
    EXPECT_EQ(dialog.Name, "Mono2");
    return ui::DialogResult::Ok;
  });
  window.OnCommand(Command::NewDispatcher);

  ASSERT_EQ(window.Rows.size(), 4u);
  EXPECT_EQ(window.Rows[3], (std::vector<std::string>{"Mono2", "Imagesetter_Film", "5204"}));
  EXPECT_EQ(window.CurrentIndex, -1);
  for (Command id : kRowButtons) EXPECT_FALSE(window.IsEnabled(id)) << static_cast<int>(id);
  EXPECT_FALSE(window.IsEnabled(Command::DispatcherProperties));

  // The name is checked against every installed flavour: Proof's first dispatcher is taken.
  ui_.QueueDialog("NewDispatcher", [](ui::IDialogModel& model) {
    dynamic_cast<CNewDispatcher&>(model).Name = "proofer";
    return ui::DialogResult::Ok;
  });
  window.OnCommand(Command::New);
  EXPECT_EQ(window.Rows.size(), 4u);
  EXPECT_EQ(ui_.MessageTexts().back(), "proofer already exists, please choose another name");
}

TEST_F(MainWindowTest, DeletePropertiesAndChangeTypeWorkOnTheClickedRow) {
  CRvcDlg& window = Open(kTiff);

  window.OnClick(1);
  ui_.QueueDialog("DispatcherProperties", [](ui::IDialogModel& model) {
    auto& properties = dynamic_cast<CDispatcherProperties&>(model);
    EXPECT_EQ(properties.Name, "Mono1");
    EXPECT_EQ(properties.Port, "1");
    return ui::DialogResult::Ok;
  });
  window.OnCommand(Command::DispatcherProperties);
  EXPECT_EQ(ui_.DialogsRun(), (std::vector<std::string>{"DispatcherProperties"}));

  // Change Type of the first dispatcher keeps it first.
  window.OnClick(0);
  ui_.QueueDialog("ChangeDevType", [](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CChangeDevType&>(model);
    dialog.DeviceType = 1;  // CtP_platedriver
    dialog.OnTypeChanged();
    return ui::DialogResult::Ok;
  });
  window.OnCommand(Command::ChangeType);
  ASSERT_EQ(window.Rows.size(), 3u);
  EXPECT_EQ(window.Rows[0], (std::vector<std::string>{"Mono", "CtP_platedriver", "5004"}));
  EXPECT_EQ(window.Dispatchers->GetAt(0).Record.Folder, "Tiffmono");
  EXPECT_EQ(window.CurrentIndex, -1);

  window.OnClick(1);
  ui_.QueueAnswer(ui::Answer::Yes);
  window.OnCommand(Command::Delete);
  ASSERT_EQ(window.Rows.size(), 2u);
  EXPECT_EQ(window.Rows[1][0], "Mono3_OrvaTiffsetter");
  EXPECT_FALSE(window.IsEnabled(Command::Delete));
}

TEST_F(MainWindowTest, CommandsReachTheirHandlersAndCloseEndsTheWindow) {
  const std::vector<Command> later = {Command::Modify, Command::View, Command::Backup, Command::Restore,
                                      Command::PpdPreferences};
  CRvcDlg& window = Open(kTiff);
  window.OnClick(0);
  for (Command id : later) window.OnCommand(id);
  EXPECT_EQ(ran_, later);
  EXPECT_TRUE(Texts().empty());

  // Without a handler a command shows disabled and does nothing, whatever its rules say.
  const frame::CCommandTable none;
  CRvcDlg bare(sample_.flavours, kTiff, none);
  bare.OnInitDialog();
  bare.OnClick(0);
  for (Command id : later) {
    EXPECT_FALSE(bare.IsEnabled(id)) << static_cast<int>(id);
    bare.OnCommand(id);
  }
  EXPECT_EQ(ran_, later);
  EXPECT_TRUE(bare.IsEnabled(Command::Close));

  ui_.QueueDialog("About", [](ui::IDialogModel& model) {
    auto& about = dynamic_cast<CAboutDlg&>(model);
    EXPECT_EQ(about.Product, "RavlinConfigurator 10.1");
    EXPECT_EQ(about.Build, "Ravlin Configurator 10.1.0 Build 30");
    EXPECT_FALSE(about.VelmoraPicture());
    return ui::DialogResult::Ok;
  });
  window.OnCommand(Command::AboutRvc);
  EXPECT_EQ(ui_.DialogsRun(), (std::vector<std::string>{"About"}));

  EXPECT_FALSE(window.Closed);
  window.OnCommand(Command::Close);
  EXPECT_TRUE(window.Closed);
}

// The PPD files (any case of ".ppd") in the "ppd" folder of a dispatcher of the sample.
std::vector<std::string> PpdFiles(const std::string& folder) {
  std::vector<std::string> files;
  if (!std::filesystem::is_directory(folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string extension = entry.path().extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".ppd") files.push_back(entry.path().filename().string());
  }
  return files;
}

TEST_F(MainWindowTest, CreatePpdMakesThePpdOfTheClickedRowAndCreateAllOfEveryDispatcher) {
  const std::string monoPpds = sample_.Path("data/Tiffmono/Tiffmono/ppd");
  const std::string platePpds = sample_.Path("data/Tiffmono/CtP_platedriver/ppd");
  ASSERT_TRUE(PpdFiles(monoPpds).empty());
  CRvcDlg& window = Open(kTiff);

  window.OnClick(0);
  window.OnCommand(Command::CreatePpd);
  ASSERT_FALSE(Texts().empty());  // notices of the generation may come first
  EXPECT_EQ(Texts().back().rfind("PPD file has been created for selected dispatcher: Mono\nand stored under: ", 0), 0u)
      << Texts().back();
  EXPECT_EQ(PpdFiles(monoPpds).size(), 1u);
  EXPECT_TRUE(PpdFiles(platePpds).empty());
  EXPECT_EQ(ui_.BusyDepth(), 0);

  // After the update job, without a window; no word of its own to the user.
  ui_.Clear();
  window.RegeneratePpd(1);
  EXPECT_EQ(PpdFiles(platePpds).size(), 1u);
  for (const std::string& text : Texts()) EXPECT_EQ(text.find("PPD file has been created"), std::string::npos);

  window.OnCommand(Command::CreateAllPpds);
  EXPECT_EQ(ui_.MessageTexts().back(),
            "PPD files have been created for all the dispatchers of installed Ravlin flavours.");
  EXPECT_EQ(PpdFiles(sample_.Path("data/Approval/Approval/ppd")).size(), 1u);
  EXPECT_EQ(PpdFiles(sample_.Path("data/Dedezi/Sheetfed_Plate/ppd")).size(), 1u);
}

}  // namespace
}  // namespace rvc::window
