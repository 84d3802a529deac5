// Dispatcher creation on a copy of the sample installation: a PPD-based dispatcher from
// the factory default, Dedezi dispatchers in both VDP modes with a copied queue setup, a
// flavour whose lists are rebuilt from disk, the checks, the rollback of a source without
// folder, the swap-file warning, ApplyPpdOptions and AdaptQueueSetup.
#include "lifecycle/dispatcher_creation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <tuple>

#include "frame/flavour_catalogue.h"
#include "platform/desktop_entry.h"
#include "ppd/ppd_options.h"
#include "ripconfig/configuration_store.h"
#include "store/resource_db.h"
#include "store/shortcuts.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/sample_installation.h"
#include "tests/support/shell.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

namespace fs = std::filesystem;
using test::FileExists;
using test::ReadFile;
using test::Snapshot;
using test::WriteFile;

class RecordingGenerator : public IPpdGenerator {
 public:
  bool Generate(const store::CDispatcher& target, ripconfig::ConfigurationStore& cfg,
                const std::string& dataFolder) override {
    names.push_back(target.Record.Name);
    folders.push_back(dataFolder);
    configs.push_back(cfg.ConfigPath());
    return result;
  }
  bool result = true;
  std::vector<std::string> names, folders, configs;
};

auto Fields(const store::DispatcherRecord& r) {
  return std::tie(r.Flavour, r.Name, r.Type, r.Folder, r.Base, r.CommandPort);
}

// A copy of the sample installation with its environment, a headless user interface and
// a flavour loaded from the catalogue as the program does.
class CreationTest : public ::testing::Test {
 protected:
  CreationTest()
      : sample_({"config", "configurator", "ppds"},
                {"RAVLIN_ENVIRONMENT_FILE", "RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG", "KW_PROG_RAVLINCONFIG",
                 "KW_DATA_TRP", "KW_DATA_SCREENS", "TMP", "RAVLIN_DESKTOP_DIR", "RAVLIN_PROGRAMS_DIR"}),
        root_(sample_.Root()) {}

  frame::CFlavour& Load(const std::string& key) {
    sample_.Copy("prog/" + key);
    sample_.Copy("data/" + key);
    frame::CatalogueOptions options;
    options.interactive = false;
    EXPECT_TRUE(frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), key, options, flavours_));
    return *flavours_.at(0);
  }

  // Inputs as the New command fills them: the target starts as a copy of the source.
  CreateDispatcherInputs Inputs(frame::CFlavour& flavour, int sourceIndex, const std::string& name,
                                const std::string& type, const std::string& folder, int base) {
    const store::CDispatcher& source = flavour.DispatcherList->GetAt(sourceIndex);
    targets_.push_back(std::make_unique<store::CDispatcher>(source));
    store::DispatcherRecord& record = targets_.back()->Record;
    record.Name = name;
    record.Type = type;
    record.Folder = folder;
    record.Base = base;
    record.CommandPort = record.CommandPort / 1000 * 1000 + base * 100 + record.CommandPort % 100;
    CreateDispatcherInputs in;
    in.source = &source;
    in.target = targets_.back().get();
    in.dispatchers = flavour.DispatcherList.get();
    in.templates = flavour.TemplateList.get();
    in.label = flavour.Version;
    in.ppdGenerator = &generator_;
    return in;
  }

  // A launcher for an existing dispatcher in both places.
  void MakeLaunchers(const std::string& name, const std::string& folder) {
    for (bool desktop : {true, false}) test::MakeDispatcherLauncher(name, folder, desktop, root_ + "/prog");
  }

  std::string Data(const std::string& key) const { return root_ + "/data/" + key + "/"; }
  std::string Trace() const { return ReadFile(root_ + "/config/trace_rvc.txt"); }
  static std::string Item(const std::string& file, const std::string& topic, const std::string& item) {
    std::optional<store::ResourceDb> db = store::ResourceDb::Open(file);
    if (!db) return "<no file>";
    return db->Find(topic, item).value_or("<missing>");
  }
  // Each {topic, item, value} of `file` holds its value.
  static void ExpectItems(const std::string& file, const std::vector<std::array<std::string, 3>>& items) {
    for (const auto& [topic, item, value] : items) EXPECT_EQ(Item(file, topic, item), value) << file << " " << topic << "/" << item;
  }
  static bool AnyFileNamed(const std::string& folder, const std::string& extension) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.path().extension() == extension) return true;
    }
    return false;
  }

  test::TempDir dir_;
  test::SampleInstallation sample_;
  std::string root_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scopedUi_{ui_};
  RecordingGenerator generator_;
  frame::FlavourList flavours_;
  std::vector<std::unique_ptr<store::CDispatcher>> targets_;
};

TEST_F(CreationTest, PpdDispatcherFromTheFactoryDefault) {
  frame::CFlavour& tiff = Load("Tiffmono");
  MakeLaunchers("Mono", "Tiffmono");
  WriteFile(Data("Tiffmono") + "Tiffmono/Tmp/job.ps", "%!PS\n");
  const std::string ppd = root_ + "/ppds/OrvaTiffsetter.ppd";
  CreateDispatcherInputs in = Inputs(tiff, 0, "Mono2 OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD_2", 2);
  in.dropQueueSetup = true;
  in.ppdPath = ppd;
  in.ppdOptions = ppd::ReadPpdOptions(ppd);
  ASSERT_TRUE(in.ppdOptions);

  ASSERT_TRUE(CreateDispatcher(in));

  // The list holds the new record, normalised, behind the others.
  store::CDispatcherList& list = *tiff.DispatcherList;
  ASSERT_EQ(list.GetCount(), 4);
  const store::CDispatcher& added = list.GetAt(3);
  EXPECT_EQ(Fields(added.Record),
            std::make_tuple(std::string("Tiffmono"), std::string("Mono2_OrvaTiffsetter"),
                            std::string("Generic_FromPPD"), std::string("Generic_FromPPD_2"), 2, 5204));
  EXPECT_EQ(added.Path(), Data("Tiffmono") + "Generic_FromPPD_2");

  const std::string data = Data("Tiffmono") + "Generic_FromPPD_2/data/";
  const std::string templates = root_ + "/prog/Tiffmono/dat/templates/Tiffmono/";
  // The ini: the type's template with the source's customisation, renamed and renumbered
  // (every renamed item and port: the lifecycle scenario, for this very dispatcher).
  const std::string ini = data + "zvGeneric_FromPPD_2_dispatcher.ini";
  EXPECT_FALSE(FileExists(data + "zvTiffmono_dispatcher.ini"));
  // The driver from the new type's template, RIP_MEMORY Mono's customisation, VDP_MODE Dedezi's only.
  ExpectItems(ini, {{"global", "flavor", "Generic_FromPPD_2"}, {"device", "driver", "tiffgro_ppd"},
                    {"environment", "RIP_MEMORY", "768"}, {"PavoNet", "commandport", "5204"},
                    {"environment", "VDP_MODE", "<missing>"}});

  // Device-type files from the templates.
  EXPECT_EQ(ReadFile(data + "tiffmono.fid"), ReadFile(templates + "tiffmono_Generic_FromPPD.fid"));
  EXPECT_NE(ReadFile(data + "zv_recorder.res").find("Generic_FromPPD"), std::string::npos);
  EXPECT_EQ(ReadFile(data + "zv_names.res"), ReadFile(templates + "zv_names.res"));

  // Swap files: renamed to the new folder, in the canonical form (all three: the scenario).
  EXPECT_EQ(ReadFile(data + "swap_1.sfd"),
            "[persistent]\n%kw_data_tamrix%\\generic_fromppd_2\\swapfiles\\channel1\n[volatile]\n"
            "%kw_data_tamrix%\\generic_fromppd_2\\swapfiles\\channel1\n");

  // Factory default: no queues, no operator presets; no history, empty work folders.
  EXPECT_FALSE(FileExists(data + "servers.ini"));
  EXPECT_FALSE(AnyFileNamed(data, ".usr"));
  EXPECT_FALSE(FileExists(data + "History.txt"));
  EXPECT_TRUE(fs::is_directory(Data("Tiffmono") + "Generic_FromPPD_2/Tmp"));
  EXPECT_TRUE(fs::is_empty(Data("Tiffmono") + "Generic_FromPPD_2/Tmp"));
  EXPECT_TRUE(FileExists(Data("Tiffmono") + "Tiffmono/Tmp/job.ps"));  // the source keeps its own

  // The PPD copy and the configuration taken from it (its sizes and resolutions: the
  // scenario, for this very dispatcher).
  EXPECT_EQ(ReadFile(data + "OrvaTiffsetter.ppd"), ReadFile(ppd));
  EXPECT_NE(Trace().find("A copy of used ppd file can be found at : " + data + "OrvaTiffsetter.ppd"),
            std::string::npos);
  std::unique_ptr<ripconfig::ConfigurationStore> cfg = ripconfig::ConfigurationStore::Open(data + "zv_config.res");
  ASSERT_TRUE(cfg);
  EXPECT_EQ(cfg->Base().origin, "FROM_PPD_OrvaTiffsetter");
  ASSERT_NE(cfg->CurrentFilm(), nullptr);
  EXPECT_EQ(cfg->CurrentFilm()->name, "PPD_Max");  // the type's media, not Mono's
  EXPECT_EQ(cfg->FilmCount(), 3);
  EXPECT_EQ(generator_.names, std::vector<std::string>{"Mono2_OrvaTiffsetter"});
  EXPECT_EQ(generator_.folders, std::vector<std::string>{Data("Tiffmono")});

  // Both launchers, made from Mono's, start the new dispatcher.
  for (const std::string& launcher : {root_ + "/desktop/Mono2_OrvaTiffsetter 10.1 dispatcher.desktop",
                                      root_ + "/programs/Orva/Mono2_OrvaTiffsetter 10.1 dispatcher.desktop"}) {
    platform::DesktopEntry entry;
    ASSERT_TRUE(platform::DesktopEntry::Parse(ReadFile(launcher), entry)) << launcher;
    std::string program, arguments;
    ASSERT_TRUE(entry.GetCommand(program, arguments));
    EXPECT_EQ(program, "/opt/ravlin/bin/dispatcher");
    EXPECT_EQ(arguments, "Generic_FromPPD_2 \"Mono2_OrvaTiffsetter\"");
    if (test::Installed("desktop-file-validate")) {
      const test::ShellResult validated = test::RunShell("desktop-file-validate '" + launcher + "'");
      EXPECT_EQ(validated.status, 0) << validated.output;
    }
  }
  EXPECT_TRUE(FileExists(root_ + "/desktop/Mono 10.1 dispatcher.desktop"));

  // The only message: the announcement.
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].title, "Information");
  EXPECT_EQ(ui_.Messages()[0].icon, ui::Icon::Information);
  EXPECT_EQ(ui_.Messages()[0].text,
            "The new dispatcher configuration Mono2_OrvaTiffsetter has been created.\n\nA shortcut\n\n\t"
            "\"Mono2_OrvaTiffsetter 10.1 dispatcher\"\n\nhas been created on your desktop.\n\nDo not rename this "
            "shortcut manually!");
}

TEST_F(CreationTest, DedeziInBothVdpModesWithACopiedQueueSetup) {
  frame::CFlavour& dedezi = Load("Dedezi");
  // "Copy Velmora1": its queues are adapted; the entry goes right after the first one.
  CreateDispatcherInputs in = Inputs(dedezi, 1, "Press2", "Digital_Press", "Digital_Press", 2);
  in.vdpMode = 1;
  in.appendToList = false;
  in.renumberHotFolders = true;
  in.announce = false;
  ASSERT_TRUE(CreateDispatcher(in));

  const std::string data = Data("Dedezi") + "Digital_Press/data/";
  ExpectItems(data + "zvDigital_Press_dispatcher.ini", {{"environment", "VDP_MODE", "VDP"},
                                                        {"global", "flavor", "Digital_Press"},
                                                        {"PavoNet", "commandport", "7204"}});
  const std::string hot = "\"%RAVLIN_SAMPLE_ROOT%\\hotfolders\\Digital_Press\\";
  ExpectItems(data + "servers.ini",
              {{"1", "Name", "Press2_AT"}, {"2", "Name", "Press2_pipe"}, {"3", "folder", hot + "PS\""},
               {"3", "OkFolder", hot + "PS\\Ok\""}, {"3", "ErrorFolder", hot + "PS\\Error\""},
               {"4", "folder", hot + "PDF\""}, {"4", "OkFolder", "<missing>"}, {"5", "tcp_pap", "7210"},
               {"Server", "Description", "\"Orva Server 10.1\""}});
  EXPECT_TRUE(fs::is_directory(root_ + "/hotfolders/Digital_Press/PS"));
  EXPECT_TRUE(fs::is_directory(root_ + "/hotfolders/Digital_Press/PDF"));
  EXPECT_TRUE(FileExists(data + "operator.usr"));
  EXPECT_TRUE(FileExists(data + "nightshift.usr"));
  EXPECT_EQ(
      ReadFile(data + "swap_0.sfd"),
      "[persistent]\n%kw_data_tamrix%\\digital_press\\swapfiles\\ps\n%kw_data_tamrix%\\digital_press\\swapfiles\\ps2\n"
      "[volatile]\n%kw_data_tamrix%\\digital_press\\swapfiles\\ps\n%kw_data_tamrix%\\digital_press\\swapfiles\\ps2\n");
  EXPECT_FALSE(FileExists(data + "Velmora1.ppd"));

  // No launcher to copy from: two warnings, and the dispatcher exists all the same.
  EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{"Cannot create icon (7)!", "Cannot create icon (8)!"}));
  EXPECT_EQ(ui_.Messages()[0].icon, ui::Icon::Error);
  EXPECT_NE(Trace().find("RVC::Cannot create icon (7)\n"), std::string::npos);
  EXPECT_NE(Trace().find("RVC::Cannot create icon (8)\n"), std::string::npos);

  // The factory default of the first dispatcher, with VDP disabled, appended.
  CreateDispatcherInputs second = Inputs(dedezi, 0, "Press3", "Digital_Press", "Digital_Press_2", 3);
  second.vdpMode = 0;
  second.dropQueueSetup = true;
  second.announce = false;
  ASSERT_TRUE(CreateDispatcher(second));
  const std::string data2 = Data("Dedezi") + "Digital_Press_2/data/";
  ExpectItems(data2 + "zvDigital_Press_2_dispatcher.ini",
              {{"environment", "VDP_MODE", "STATIC"}, {"PavoNet", "tcp_status", "7305"}});
  EXPECT_FALSE(FileExists(data2 + "servers.ini"));
  EXPECT_FALSE(AnyFileNamed(data2, ".usr"));
  EXPECT_EQ(Item(Data("Dedezi") + "Dedezi/data/zvDedezi_dispatcher.ini", "environment", "VDP_MODE"), "VDP");

  std::vector<std::string> names;
  for (int i = 0; i < dedezi.DispatcherList->GetCount(); ++i)
    names.push_back(dedezi.DispatcherList->GetAt(i).Record.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Velmora", "Press2", "Velmora1", "Press3"}));
  EXPECT_TRUE(generator_.names.size() == 2);
}

TEST_F(CreationTest, FlavourWithRebuiltListsTakesItsTemplatesFromWhereTheyAre) {
  frame::CFlavour& approval = Load("Approval");
  ASSERT_EQ(approval.DispatcherList->GetAt(0).Record.Name, "Appr");
  CreateDispatcherInputs in = Inputs(approval, 0, "Appr2", "Platesetter", "Platesetter_2", 2);
  in.announce = false;
  ASSERT_TRUE(CreateDispatcher(in));
  const std::string data = Data("Approval") + "Platesetter_2/data/";
  const std::string templates = root_ + "/prog/Approval/dat/templates/";
  EXPECT_EQ(ReadFile(data + "zv_plate.res"), ReadFile(templates + "zv_plate_Platesetter.res"));
  EXPECT_EQ(ReadFile(data + "approval.fid"), ReadFile(templates + "approval_Platesetter.fid"));
  ExpectItems(data + "zvPlatesetter_2_dispatcher.ini",
              {{"global", "papname", "\"Appr2_AT\""}, {"PavoNet", "commandport", "8204"}});
  EXPECT_EQ(Item(data + "servers.ini", "5", "tcp_pap"), "8210");

  // The next start rebuilds the flavour from the ini files of its data folder and finds
  // the new dispatcher there.
  frame::FlavourList reloaded;
  frame::CatalogueOptions options;
  options.interactive = false;
  ASSERT_TRUE(frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), "Approval", options, reloaded));
  const store::CDispatcherList& list = *reloaded.at(0)->DispatcherList;
  std::vector<std::pair<std::string, int>> found;
  for (int i = 0; i < list.GetCount(); ++i) found.emplace_back(list.GetAt(i).Record.Name, list.GetAt(i).Record.Base);
  EXPECT_THAT(found, ::testing::UnorderedElementsAre(std::pair<std::string, int>("Appr", 0),
                                                     std::pair<std::string, int>("ApprPlate", 3),
                                                     std::pair<std::string, int>("Appr2", 2)));
}

TEST_F(CreationTest, FailedChecksChangeNothing) {
  frame::CFlavour& dedezi = Load("Dedezi");
  struct Case {
    std::string name, folder;
    int base;
    bool skipChecks;
    std::string message;
  };
  const Case cases[] = {
      {"Press", "Sheetfed_Plate", 5, false, "Sheetfed_Plate already exists, please choose another folder"},
      {"Press", "sheetfed_plate", 5, true, "sheetfed_plate already exists, please choose another folder"},
      {"Press", "Sheetfed Plate", 5, false, "Sheetfed_Plate already exists, please choose another folder"},
      {"", "New", 5, false, "You must specify a name"},
      {"My|Press", "New", 5, false, "Following characters may not be used: \\/:*?\"<>|"},
      {"Press", "New", -1, false, "You must specify a portnumber"},
      {"Press", "New", 1, false, "Port separator 1 already exists, please choose another number"},
      {"VELMORA1", "New", 5, false, "VELMORA1 already exists, please choose another name"},
  };
  const auto before = Snapshot(root_ + "/data");
  for (const Case& c : cases) {
    ui_.Clear();
    CreateDispatcherInputs in = Inputs(dedezi, 0, c.name, "Digital_Press", c.folder, c.base);
    in.skipChecks = c.skipChecks;
    EXPECT_FALSE(CreateDispatcher(in)) << c.message;
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(dedezi.DispatcherList->GetCount(), 2);
    EXPECT_NE(Trace().find("RVC::" + c.message), std::string::npos);
  }
  EXPECT_EQ(Snapshot(root_ + "/data"), before);
  EXPECT_FALSE(fs::exists(Data("Dedezi") + "New"));

  // Skipped checks let a used port separator and a name through; blanks become "_".
  ui_.Clear();
  CreateDispatcherInputs in = Inputs(dedezi, 0, "velmora1 copy", "Digital_Press", "New", 1);
  in.skipChecks = true;
  in.announce = false;
  EXPECT_TRUE(CreateDispatcher(in));
  EXPECT_EQ(dedezi.DispatcherList->GetAt(2).Record.Name, "velmora1_copy");
}

TEST_F(CreationTest, SourceWithoutFolderFailsAtTheRenameAndIsRolledBack) {
  frame::CFlavour& dedezi = Load("Dedezi");
  store::CDispatcher gone = dedezi.DispatcherList->GetAt(1);
  gone.Record.Folder = "Gone";
  CreateDispatcherInputs in = Inputs(dedezi, 1, "Press", "Digital_Press", "Fresh", 4);
  in.source = &gone;
  const auto before = Snapshot(root_ + "/data");
  EXPECT_FALSE(CreateDispatcher(in));
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Failed to rename Gone to Fresh"});
  EXPECT_EQ(Snapshot(root_ + "/data"), before);
  EXPECT_FALSE(fs::exists(Data("Dedezi") + "Fresh"));
  EXPECT_EQ(dedezi.DispatcherList->GetCount(), 2);
  EXPECT_TRUE(generator_.names.empty());
}

TEST_F(CreationTest, SwapTemplateWithoutTheFirstFolderOnlyWarns) {
  frame::CFlavour& dedezi = Load("Dedezi");
  const std::string swapTemplate = root_ + "/prog/Dedezi/dat/templates/Dedezi/swap_2.sfd";
  WriteFile(swapTemplate, "[persistent]\n/var/swap/Channel2\n[volatile]\n/var/swap/Channel2\n");
  CreateDispatcherInputs in = Inputs(dedezi, 0, "Press", "Sheetfed_Plate", "Sheet2", 2);
  in.announce = false;
  MakeLaunchers("Velmora", "Dedezi");
  ASSERT_TRUE(CreateDispatcher(in));
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Please check swapfile settings!"});
  EXPECT_EQ(ui_.Messages()[0].icon, ui::Icon::Exclamation);
  EXPECT_NE(Trace().find("RVC::Incomplete swapfile settings\n"), std::string::npos);
  // Replaced where found, not canonicalised.
  const std::string data = Data("Dedezi") + "Sheet2/data/";
  EXPECT_EQ(ReadFile(data + "swap_2.sfd"), ReadFile(swapTemplate));
  EXPECT_NE(ReadFile(data + "swap_0.sfd").find("%KW_DATA_TAMRIX%\\Sheet2\\SwapFiles\\PS"), std::string::npos);
  EXPECT_EQ(dedezi.DispatcherList->GetCount(), 3);
}

TEST_F(CreationTest, PpdPartFailuresLeaveTheDispatcherInPlace) {
  frame::CFlavour& tiff = Load("Tiffmono");
  // A PPD that cannot be read: the system's reason, no configuration change, no PPD made.
  CreateDispatcherInputs in = Inputs(tiff, 0, "Mono2", "Generic_FromPPD", "Generic_FromPPD_2", 2);
  in.announce = false;
  in.ppdPath = root_ + "/ppds/Missing.ppd";
  in.ppdOptions = ppd::PpdOptions{"Missing.ppd", "Missing", 100, 100, {600}};
  ASSERT_TRUE(CreateDispatcher(in));
  EXPECT_EQ(tiff.DispatcherList->GetCount(), 4);
  ASSERT_FALSE(ui_.MessageTexts().empty());
  EXPECT_NE(ui_.MessageTexts().back().find(root_ + "/ppds/Missing.ppd"), std::string::npos);
  EXPECT_TRUE(generator_.names.empty());
  EXPECT_EQ(Item(Data("Tiffmono") + "Generic_FromPPD_2/data/zv_config.res", "Main", "origin"),
            Item(root_ + "/prog/Tiffmono/dat/templates/Tiffmono/zv_config_Generic_FromPPD.res", "Main", "origin"));

  // A failed generation is traced only.
  ui_.Clear();
  generator_.result = false;
  CreateDispatcherInputs third = Inputs(tiff, 0, "Mono4", "CtP_platedriver", "CtP_2", 4);
  third.announce = false;
  ASSERT_TRUE(CreateDispatcher(third));
  EXPECT_NE(Trace().find("RVC::Ppd files couldn't be created\n"), std::string::npos);
}

TEST_F(CreationTest, ApplyPpdOptionsWritesSizesAndResolutions) {
  EXPECT_EQ(ApplyPpdOptions(nullptr, nullptr), -1);
  sample_.Copy("data/Tiffmono");
  const std::string config = Data("Tiffmono") + "Tiffmono/data/zv_config.res";
  auto cfg = ripconfig::ConfigurationStore::Open(config);
  ASSERT_TRUE(cfg);
  EXPECT_EQ(ApplyPpdOptions(cfg.get(), nullptr), -1);
  const double width = cfg->Recorder().maxWidth;

  // Neither size nor resolutions: only the origin changes.
  ppd::PpdOptions none{"Plain.ppd", "Plain", 0, 0, {}};
  EXPECT_EQ(ApplyPpdOptions(cfg.get(), &none), 1);
  cfg = ripconfig::ConfigurationStore::Open(config);
  EXPECT_EQ(cfg->Base().origin, "FROM_PPD_Plain");
  EXPECT_EQ(cfg->Recorder().maxWidth, width);
  EXPECT_NE(cfg->FindSet("set_0")->Find(2000), nullptr);
  EXPECT_NE(Trace().find("There is no resolution specified in PPD, keeping the default resolution"), std::string::npos);
  EXPECT_NE(Trace().find("Maximum media width is not specified in the PPD"), std::string::npos);

  // Resolutions replace the 2000 dpi default; sizes go into the recorder and current film.
  ppd::PpdOptions some{"Jet.ppd", "Jet", 1728, 0, {720, 1440}};
  EXPECT_EQ(ApplyPpdOptions(cfg.get(), &some), 1);
  cfg = ripconfig::ConfigurationStore::Open(config);
  std::vector<double> dpis;
  for (const auto& entry : cfg->FindSet("set_0")->entries) {
    dpis.push_back(entry->dpi);
    EXPECT_EQ(entry->calibration, (std::array<double, 4>{0.0, 0.0, 1000.0, 1000.0}));
  }
  EXPECT_EQ(dpis, (std::vector<double>{2400, 720, 1440}));  // Mono's own 2400 stays
  EXPECT_EQ(cfg->Recorder().maxWidth, 24000);
  EXPECT_EQ(cfg->CurrentFilm()->horizontalSize, 24000);
  EXPECT_FALSE(cfg->HasWriteLock());
}

TEST_F(CreationTest, AdaptQueueSetupRenamesRenumbersAndCreatesHotFolders) {
  test::ScopedEnv hot("HOTROOT", dir_.Path() + "hot");
  const std::string servers = dir_.Path() + "servers.ini";
  WriteFile(servers,
            "[Server]\nDescription=x\n"
            "[1]\nName=press_AT\nClass=pap\n"
            "[2]\nName=Queue7x12\nClass=npipe\n"
            "[3]\nName=pipe\nClass=NPIPE\n"
            "[4]\nName=H\nClass=hf\nfolder=\"%HOTROOT%\\Src\\in\"\n"
            "[5]\nName=H2\nClass=hf\nfolder=%HOTROOT%\\hot7\\in\n"
            "[6]\nName=L1\nClass=inifile\ntcp_pap=112\n"
            "[7]\nName=L2\nClass=inifile\ntcp_pap=980\n"
            "[8]\nName=L3\nClass=inifile\ntcp_pap=7010\n"
            "[9]\nName=Press_other\nClass=other\n");
  store::CDispatcher source("x"), target("y");
  source.Record = {"F", "Press", "T", "Src", 0, 5004};
  target.Record = {"F", "New", "T", "Dst", 3, 5304};
  AdaptQueueSetup(servers, source, target, true);
  // press_AT is found ignoring case.
  ExpectItems(servers, {{"1", "Name", "New_AT"}, {"2", "Name", "Queue3x12"}, {"3", "Name", "pipe3"},
                        {"4", "folder", "\"%HOTROOT%\\Dst\\in\""}, {"5", "folder", "\"%HOTROOT%\\hot3\\in\""},
                        {"6", "tcp_pap", "312"}, {"7", "tcp_pap", "380"}, {"8", "tcp_pap", "7310"},
                        {"9", "Name", "Press_other"}});
  EXPECT_TRUE(fs::is_directory(dir_.Path() + "hot/Dst/in"));
  EXPECT_TRUE(fs::is_directory(dir_.Path() + "hot/hot3/in"));

  // Same name, folder and separator: nothing is renamed; without renumbering a hot folder
  // that does not hold the folder name stays.
  AdaptQueueSetup(servers, target, target, false);
  ExpectItems(servers, {{"2", "Name", "Queue3x12"}, {"6", "tcp_pap", "312"}});
  source.Record.Folder = "Elsewhere";
  AdaptQueueSetup(servers, source, target, false);
  EXPECT_EQ(Item(servers, "5", "folder"), "\"%HOTROOT%\\hot3\\in\"");
}

}  // namespace
}  // namespace rvc::lifecycle
