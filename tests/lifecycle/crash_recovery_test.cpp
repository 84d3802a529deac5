// Recovery of each journaled operation killed at each point it journals. A child process
// runs the operation and leaves with _exit right after the journal's k-th write, as a
// kill would leave it; the recovery then brings the installation to the state before the
// operation (a creation; a change of type whose replacement is not built yet) or to the
// state a finished run leaves (a deletion; a change of type past that point), byte for
// byte, removes the journal, and every flavour loads, before the recovery as after it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "frame/flavour_catalogue.h"
#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_creation.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/recovery.h"
#include "lifecycle/scripted_commands.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/sample_installation.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

namespace fs = std::filesystem;

// Every file (with its bytes) and folder below `root`, without the catalogue's folder
// (trace, lock and journal).
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    if (relative.rfind("config", 0) == 0) continue;
    tree[relative] = entry.is_directory() ? "<folder>" : test::ReadFile(entry.path().string());
  }
  return tree;
}

frame::FlavourList LoadAll() {
  frame::FlavourList flavours;
  frame::CatalogueOptions options;
  options.interactive = false;
  frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), "", options, flavours);
  return flavours;
}

int FlavourIndex(const frame::FlavourList& flavours, const std::string& key) {
  for (size_t i = 0; i < flavours.size(); ++i) {
    if (flavours[i]->Key == key) return static_cast<int>(i);
  }
  return -1;
}

void Create(frame::FlavourList& flavours, const std::string& key, const std::string& type, int port) {
  frame::CFlavour& flavour = *flavours.at(static_cast<size_t>(FlavourIndex(flavours, key)));
  const store::CDispatcher& source = flavour.DispatcherList->GetAt(0);
  store::CDispatcher target(source);
  target.Record.Name = "AA";
  target.Record.Type = type;
  target.Record.Folder = type + "_2";
  target.Record.Base = 2;
  target.Record.CommandPort = port;
  const auto generator = MakePpdGenerator(flavour);
  CreateDispatcherInputs in;
  in.source = &source;
  in.target = &target;
  in.dispatchers = flavour.DispatcherList.get();
  in.templates = flavour.TemplateList.get();
  in.label = flavour.Version;
  in.ppdGenerator = generator.get();
  CreateDispatcher(in);
}

void Delete(frame::FlavourList& flavours, const std::string& key) {
  CommandContext context = MakeCommandContext(flavours, FlavourIndex(flavours, key), 1);
  DeleteDispatcher(context, {.ask = false});
}

void ChangeType(frame::FlavourList& flavours, int row, const std::string& type, ui::HeadlessUserInterface& ui) {
  const int index = FlavourIndex(flavours, "Tiffmono");
  frame::CFlavour& flavour = *flavours.at(static_cast<size_t>(index));
  ui.QueueDialog("ChangeDevType", [type](ui::IDialogModel& model) {
    FillChangeDevTypeDialog(dynamic_cast<CChangeDevType&>(model), {type, std::nullopt});
    return ui::DialogResult::Ok;
  });
  CommandContext context = MakeCommandContext(flavours, index, row);
  const auto generator = MakePpdGenerator(flavour);
  context.PpdGenerator = generator.get();
  context.CreatePpd = [&flavour](int at) { CreatePpdCommand(flavour, at); };
  OnChangeType(context);
}

class CrashRecoveryTest : public ::testing::Test {
 protected:
  CrashRecoveryTest()
      : sample_({""}, {"RAVLIN_ENVIRONMENT_FILE", "RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG", "KW_PROG_RAVLINCONFIG",
                       "KW_DATA_TRP", "KW_DATA_SCREENS", "KW_DATA_DGC", "KW_CMS", "TMP", "RAVLIN_DESKTOP_DIR",
                       "RAVLIN_PROGRAMS_DIR"}),
                        root_(sample_.Root()) {
    // Launchers, so that creation, deletion and change of type change them too.
    for (const auto& [name, folder] : {std::pair{"Appr", "Approval"}, std::pair{"ApprPlate", "Platesetter"},
                                       std::pair{"Mono", "Tiffmono"}, std::pair{"Mono1", "CtP_platedriver"}}) {
      test::MakeDispatcherLauncher(name, folder, true);
      test::MakeDispatcherLauncher(name, folder, false);
    }
    fs::copy(root_, pristine_ / "copy", fs::copy_options::recursive);
  }

  void Restore() {
    fs::remove_all(root_);
    fs::copy(pristine_ / "copy", root_, fs::copy_options::recursive);
  }

  // Runs `operation` in a child process that stops after the journal's `crashAt`-th write
  // (0: never). The number of writes of a run that was not stopped.
  int RunInChild(const std::function<void(frame::FlavourList&, ui::HeadlessUserInterface&)>& operation,
                 int crashAt) {
    const pid_t child = ::fork();
    if (child == 0) {
      int writes = 0;
      CIntentJournal::afterWrite = [&writes, crashAt](const IntentRecord&) {
        if (++writes == crashAt) ::_exit(0);
      };
      try {
        ui::HeadlessUserInterface ui;
        ui::ScopedUserInterface scoped(ui);
        frame::FlavourList flavours = LoadAll();
        operation(flavours, ui);
      } catch (...) {
        ::_exit(255);
      }
      ::_exit(writes);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  test::TempDir pristine_;  // made before the sample points TMP into itself
  test::SampleInstallation sample_;
  std::string root_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scopedUi_{ui_};
};

using Operation = std::function<void(frame::FlavourList&, ui::HeadlessUserInterface&)>;
struct NamedOperation {
  const char* name;
  Operation run;
};
// Approval keeps no list file; Tiffmono has one, which the operations save.
const NamedOperation kOperations[] = {
    {"Create", [](frame::FlavourList& f, ui::HeadlessUserInterface&) { Create(f, "Approval", "Platesetter", 8204); }},
    {"Delete", [](frame::FlavourList& f, ui::HeadlessUserInterface&) { Delete(f, "Approval"); }},
    {"CreateWithAListFile",
     [](frame::FlavourList& f, ui::HeadlessUserInterface&) { Create(f, "Tiffmono", "CtP_platedriver", 5204); }},
    {"DeleteWithAListFile", [](frame::FlavourList& f, ui::HeadlessUserInterface&) { Delete(f, "Tiffmono"); }},
    {"ChangeTypeOfTheFirst",
     [](frame::FlavourList& f, ui::HeadlessUserInterface& ui) { ChangeType(f, 0, "CtP_platedriver", ui); }},
    {"ChangeTypeOfAnother",
     [](frame::FlavourList& f, ui::HeadlessUserInterface& ui) { ChangeType(f, 1, "Imagesetter_Film", ui); }},
};

void PrintTo(const NamedOperation& operation, std::ostream* out) { *out << operation.name; }

class CrashPointTest : public CrashRecoveryTest, public ::testing::WithParamInterface<NamedOperation> {};

INSTANTIATE_TEST_SUITE_P(Operations, CrashPointTest, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<NamedOperation>& tested) { return tested.param.name; });

TEST_P(CrashPointTest, EveryJournaledPointRecoversToTheStateBeforeOrAfter) {
  const Operation& operation = GetParam().run;
  const auto before = Tree(root_);
  const int writes = RunInChild(operation, 0);
  ASSERT_GT(writes, 1);
  ASSERT_FALSE(CIntentJournal::Read());
  const auto after = Tree(root_);
  ASSERT_NE(after, before);

  for (int point = 1; point <= writes; ++point) {
    SCOPED_TRACE("stopped after journal write " + std::to_string(point));
    Restore();
    ASSERT_EQ(RunInChild(operation, point), 0);
    const std::optional<IntentRecord> left = CIntentJournal::Read();
    ASSERT_TRUE(left);
    const bool rollBack = RecoveryRollsBack(*left);
    // The steps are ordered so that the catalogue loads even before the recovery.
    EXPECT_NO_THROW(EXPECT_EQ(LoadAll().size(), 4u)) << "unloadable before the recovery";

    RecoveryOutcome outcome = RecoverInterruptedOperation();
    frame::FlavourList flavours = LoadAll();
    EXPECT_EQ(flavours.size(), 4u);
    FinishRecovery(flavours, outcome);
    EXPECT_EQ(outcome.problem, "");
    EXPECT_NE(outcome.done, "");
    EXPECT_FALSE(CIntentJournal::Read());
    EXPECT_TRUE(Tree(root_) == (rollBack ? before : after)) << (rollBack ? "not as before" : "not as after");
  }
}

TEST_F(CrashRecoveryTest, DebrisOfKilledWritersGoesAndNothingElse) {
  const std::string data = root_ + "/data/Approval/";
  const char* debris[] = {"Approval/data/swap_0.tmp", "Approval/data/swap_1.sfd.a1B2c3",
                          "data/zvApproval_dispatcher.iniDif", "Approval/ppd/.ravlin.inf.rvctmpXy12Zq",
                          "data/zvApproval_dispatcher.tmp"};
  const char* kept[] = {"Approval/data/swap_0.sfd", "Approval/data/notes.tmp", "Approval/Tmp/job.tmp",
                        "Approval/data/report.123456"};
  for (const char* file : debris) test::WriteFile(data + file, "x");
  for (const char* file : kept) {
    fs::create_directories(fs::path(data + file).parent_path());
    if (!fs::exists(data + file)) test::WriteFile(data + file, "x");
  }
  test::WriteFile(root_ + "/desktop/Appr 10.1 dispatcher.desktop.Qw3rTy", "x");
  const auto outside = pristine_ / "swap_0.tmp";
  test::WriteFile(outside, "x");

  RecoveryOutcome outcome = RecoverInterruptedOperation();
  EXPECT_EQ(outcome.done, "");
  frame::FlavourList flavours = LoadAll();
  FinishRecovery(flavours, outcome);
  EXPECT_EQ(outcome.debrisRemoved, 6);
  for (const char* file : debris) EXPECT_FALSE(fs::exists(data + file)) << file;
  for (const char* file : kept) EXPECT_TRUE(fs::exists(data + file)) << file;
  EXPECT_TRUE(fs::exists(outside));
}

TEST_F(CrashRecoveryTest, AConfigurationWriteKilledBetweenItsFilesIsRolledBack) {
  const std::string dataFolder = root_ + "/data/Approval/";
  const std::string config = dataFolder + "Approval/data/zv_config.res";
  const auto before = Tree(root_);
  IntentRecord record;
  record.operation = "ripconfig";
  record.dataFolder = dataFolder;
  record.name = "Appr";
  CIntentJournal journal(record);
  journal.NotePreserved(config, test::ReadFile(config), 0644);
  test::WriteFile(config, "[Main]\nconfs=torn\n");

  const RecoveryOutcome outcome = RecoverInterruptedOperation();
  EXPECT_EQ(outcome.done, "rolled back the interrupted change of the RIP configuration of dispatcher Appr");
  EXPECT_FALSE(CIntentJournal::Read());
  EXPECT_TRUE(Tree(root_) == before);
}

TEST_F(CrashRecoveryTest, AJournalThatIsNotOneIsLeftAloneAndReported) {
  const std::string journal = CIntentJournal::Path();
  for (const std::string& text : {std::string("garbage\n"), std::string("ravlin-intent-journal 1\noperation=create\n"),
                                  std::string("ravlin-intent-journal 1\noperation=erase\ndatadir=/\nend\n")}) {
    test::WriteFile(journal, text);
    const auto tree = Tree(root_);
    EXPECT_NE(RecoverInterruptedOperation().problem, "") << text;
    EXPECT_EQ(Tree(root_), tree);
    EXPECT_EQ(test::ReadFile(journal), text);
  }
}

// Undo entries are appended as records with a checksum each: a torn last record (a power
// loss during its write, before the change it covers) is left out, the rest is read.
TEST_F(CrashRecoveryTest, AppendedRecordsAreReadUpToATornOne) {
  const std::string path = CIntentJournal::Path();
  std::string whole;
  {
    IntentRecord record;
    record.operation = "restore";
    record.dataFolder = root_ + "data/Tiffmono/";
    CIntentJournal journal(record);
    journal.NoteCreated("/made");
    journal.Reached("copied");  // written whole again
    journal.NoteMoved("/installed", "/aside");
    journal.NotePreserved("/list", "bytes\n", 0644);
    whole = test::ReadFile(path);
  }
  auto undone = [] {
    std::vector<std::string> paths;
    const std::optional<IntentRecord> record = CIntentJournal::Read();
    for (const UndoEntry& entry : record.value().undo) paths.push_back(entry.path + ">" + entry.aside + entry.bytes);
    return paths;
  };
  EXPECT_EQ(CIntentJournal::Read()->step, "copied");
  EXPECT_EQ(undone(), (std::vector<std::string>{"/made>", "/installed>/aside", "/list>bytes\n"}));
  const size_t last = whole.rfind("preserved=");
  for (const std::string& torn : {whole.substr(0, whole.size() - 1), whole.substr(0, last + 12),
                                  std::string(whole).replace(last + 10, 1, "X")}) {
    test::WriteFile(path, torn);
    EXPECT_EQ(undone(), (std::vector<std::string>{"/made>", "/installed>/aside"})) << torn;
  }
  CIntentJournal::Remove();
}

}  // namespace
}  // namespace rvc::lifecycle
