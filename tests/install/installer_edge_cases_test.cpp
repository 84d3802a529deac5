// The edge cases of the installer's jobs, one table: the saved list, the text rewrites,
// the hot-folder and version rules, the device sizes, the flavour settings, the launcher
// copies of install and delete.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/rvc_exception.h"
#include "install/configuration_check.h"
#include "install/installer.h"
#include "install/job_shortcuts.h"
#include "install/legacy_types.h"
#include "install/saved_state.h"
#include "install/update_steps.h"
#include "ripconfig/configuration_store.h"
#include "store/resource_db.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/loaded_sample.h"
#include "ui/headless/headless_ui.h"

namespace rvc::install {
namespace {

using test::ReadFile;
using test::WriteFile;

struct Edge {
  test::LoadedSample sample;
  ui::HeadlessUserInterface ui;
  ui::ScopedUserInterface scoped{ui};

  frame::CFlavour& Tiff() { return *sample.flavours[test::kTiff]; }
  CRvcInstaller Installer() {
    return CRvcInstaller(*Tiff().TemplateList, *Tiff().DispatcherList, InstallerOptions{"10.1", {}});
  }
  std::string ProgramFolder() { return Tiff().TemplateList->ProgramFolder(); }
  std::string Launcher(const std::string& name, bool desktop) {
    return sample.Path(desktop ? "desktop/" : "programs/Orva/") + name + " 10.1 dispatcher.desktop";
  }
  std::unique_ptr<ripconfig::ConfigurationStore> Configuration() {
    return ripconfig::ConfigurationStore::Open(sample.Path("data/Tiffmono/Tiffmono/data/zv_config.res"));
  }
  std::string Environment(const std::string& flavor, const std::string& items) {
    store::ResourceDb ini = store::ResourceDb::Parse("[environment]\n" + items, sample.Path("x.ini"));
    UpdateContext context;
    context.flavor = flavor;
    context.savedFolder = sample.Path("tmp/none/");
    ApplyFlavourSettings(context, ini);
    return ini.Serialize();
  }
};

struct EdgeCase {
  const char* name;
  std::function<void(Edge&)> check;
};

const EdgeCase kCases[] = {
    {"SavedTopicsAreCountedFromOne",
     [](Edge& e) {
       WriteFile(e.sample.Path("saved.cfg"),
                 "[Main]\nNrConfigs=2\nInstall=/old/data/\n[Config0]\nName=Zero\n[Config1]\nName=One\nFolder=F1\n"
                 "Base=13\n[Config2]\nName=Two\n[Config3]\nName=Three\n");
       const SavedList list = ReadSavedList(e.sample.Path("saved.cfg"));
       ASSERT_EQ(list.Dispatchers.size(), 2u);
       EXPECT_EQ(list.Dispatchers[0].Name, "One");
       EXPECT_EQ(list.Dispatchers[0].Base, 13);
       EXPECT_EQ(list.Dispatchers[1].Name, "Two");
       EXPECT_FALSE(list.Dispatchers[1].Folder) << "a missing item keeps the previous value";
       EXPECT_EQ(list.Install, "/old/data/");
     }},
    {"AListWithoutInstallOrCountReadsNoDispatcher",
     [](Edge& e) {
       WriteFile(e.sample.Path("saved.cfg"), "[Main]\n[Config1]\nName=One\n");
       const SavedList list = ReadSavedList(e.sample.Path("saved.cfg"));
       EXPECT_FALSE(list.Install);
       EXPECT_TRUE(list.Dispatchers.empty());
     }},
    {"OldPathsAndCompanyNamesAreRewritten",
     [](Edge& e) {
       const std::string data = e.sample.Path("data/Tiffmono/Tiffmono/data/");
       WriteFile(data + "servers.ini", "[Server]\nDescription=Velda Server 9\nroot=/old/data/Tiffmono\n");
       WriteFile(data + "operator.usr", "[Screen]\nmode=Velda Classic (precalculated)\n");
       UpdateContext context;
       context.dataFolder = e.sample.Path("data/Tiffmono/");
       context.install = "/old/data/";
       RewriteSavedTexts(context, "Tiffmono");
       EXPECT_EQ(ReadFile(data + "servers.ini"),
                 "[Server]\nDescription=Orva Server 9\nroot=" + context.dataFolder + "Tiffmono\n");
       EXPECT_EQ(ReadFile(data + "operator.usr"), "[Screen]\nmode=Orva Classic (precalculated)\n");
     }},
    {"HotFoldersGainPdfOnce",
     [](Edge& e) {
       const std::string servers = e.sample.Path("servers.ini");
       WriteFile(servers, "[1]\nhotfortype=PS\n[2]\nhotfortype=PS,PDF*\n[3]\nName=x\n");
       AddPdfToHotFolders(servers);
       EXPECT_EQ(ReadFile(servers), "[1]\nhotfortype=PS,PDF*\n[2]\nhotfortype=PS,PDF*\n[3]\nName=x\n");
     }},
    {"TheVersionTestComparesText",
     [](Edge&) {
       EXPECT_TRUE(HotFoldersTakePdf("V7.0"));
       EXPECT_TRUE(HotFoldersTakePdf("V6.0"));
       EXPECT_FALSE(HotFoldersTakePdf("V10.1"));
       EXPECT_FALSE(HotFoldersTakePdf("10.1"));
     }},
    {"BiFlavoursReduceTheFilm",
     [](Edge& e) {
       auto cfg = e.Configuration();
       ASSERT_TRUE(cfg);
       cfg->Films().front()->verticalSize = 30000;
       cfg->Recorder().maxHeight = 25000;
       FitDeviceSizes(*cfg, ReducesFilms("bi"));
       EXPECT_EQ(cfg->Films().front()->verticalSize, 25000);
       EXPECT_EQ(cfg->Recorder().maxHeight, 25000);
       ASSERT_EQ(e.ui.Messages().size(), 1u);
       EXPECT_NE(e.ui.Messages()[0].text.find("The sizes of the " + cfg->Films().front()->name + " film"),
                 std::string::npos);
     }},
    {"OtherFlavoursEnlargeTheDevice",
     [](Edge& e) {
       auto cfg = e.Configuration();
       ASSERT_TRUE(cfg);
       cfg->Films().front()->verticalSize = 30000;
       cfg->Recorder().maxHeight = 25000;
       FitDeviceSizes(*cfg, ReducesFilms("Tiffmono"));
       EXPECT_EQ(cfg->Films().front()->verticalSize, 30000);
       EXPECT_EQ(cfg->Recorder().maxHeight, 30000);
       EXPECT_TRUE(e.ui.Messages().empty());
     }},
    {"AMissingFilmOrSetIsReplacedByTheFirst",
     [](Edge& e) {
       auto cfg = e.Configuration();
       ASSERT_TRUE(cfg);
       ripconfig::ConfigRecord* conf = cfg->Confs().front();
       conf->film = "Gone";
       conf->set = "gone";
       RepairReferences(*cfg);
       EXPECT_EQ(conf->film, cfg->Films().front()->name);
       EXPECT_EQ(conf->set, cfg->Sets().front()->name);
       const auto texts = e.ui.MessageTexts();
       ASSERT_EQ(texts.size(), 2u);
       EXPECT_NE(texts[0].find("invalid reference to film Gone"), std::string::npos);
       EXPECT_NE(texts[1].find("invalid reference to resolution set gone"), std::string::npos);
     }},
    {"VdpModeKeepsStaticOrVdpAndTakesVdpOtherwise",
     [](Edge& e) {
       EXPECT_EQ(e.Environment("Dedezi", "VDP_MODE=static\nCMS_MODE=1\n"), "[environment]\nVDP_MODE=static\n");
       EXPECT_EQ(e.Environment("dedezi", "VDP_MODE=VDP\n"), "[environment]\nVDP_MODE=VDP\n");
       EXPECT_EQ(e.Environment("Dedezi", "VDP_MODE=NONE\n"), "[environment]\nVDP_MODE=VDP\n");
       EXPECT_EQ(e.Environment("Dedezi", "RIP_MEMORY=1\n"), "[environment]\nRIP_MEMORY=1\nVDP_MODE=VDP\n");
       EXPECT_EQ(e.Environment("Proof", "VDP_MODE=NONE\nCMS_MODE=1\n"), "[environment]\nVDP_MODE=NONE\n");
       EXPECT_EQ(e.Environment("Tiffmono", "CMS_MODE=1\n"), "[environment]\nCMS_MODE=1\n");
     }},
    {"ATemplateFolderNameLeadingOutIsRefused",
     [](Edge&) {
       for (const char* flavor : {"..", "a/b", ""}) EXPECT_THROW(CSavedState{flavor}, CRvcException) << flavor;
     }},
    {"TheLegacyTypeTableRenamesNothing",
     [](Edge&) { EXPECT_EQ(RenameLegacyType("Imagesetter_Film"), "Imagesetter_Film"); }},
    {"ASecondInstallKeepsTheFirstCopies",
     [](Edge& e) {
       test::MakeDispatcherLauncher("Mono", "Tiffmono", true, e.ProgramFolder());
       e.Installer().Install();
       const std::string copy = e.sample.Path("data/Tiffmono/Mono 10.1 dispatcherDesktop.bak");
       const std::string first = ReadFile(copy);
       ASSERT_NE(first, "");
       std::filesystem::remove(e.Launcher("Mono", true));
       test::MakeDispatcherLauncher("Other", "Tiffmono", true, e.ProgramFolder());
       e.Installer().Install();
       EXPECT_EQ(ReadFile(copy), first);
       EXPECT_FALSE(test::FileExists(e.sample.Path("data/Tiffmono/Other 10.1 dispatcherDesktop.bak")));
     }},
    {"DeleteWithoutCopiesOnlyRemovesTheClonesLaunchers",
     [](Edge& e) {
       for (bool desktop : {true, false}) {
         test::MakeDispatcherLauncher("Mono", "Tiffmono", desktop);
         test::MakeDispatcherLauncher("Mono1", "CtP_platedriver", desktop);
       }
       e.Installer().Delete();
       for (bool desktop : {true, false}) {
         EXPECT_TRUE(test::FileExists(e.Launcher("Mono", desktop)));
         EXPECT_FALSE(test::FileExists(e.Launcher("Mono1", desktop)));
       }
     }},
    {"DeleteRestoresTheOriginalsLaunchersFromTheCopies",
     [](Edge& e) {
       for (bool desktop : {true, false}) test::MakeDispatcherLauncher("Mono", "Tiffmono", desktop, e.ProgramFolder());
       e.Installer().Install();
       for (bool desktop : {true, false}) std::filesystem::remove(e.Launcher("Mono", desktop));
       e.Installer().Delete();
       for (bool desktop : {true, false}) {
         EXPECT_NE(ReadFile(e.Launcher("Mono", desktop)).find("Tiffmono"), std::string::npos);
       }
     }},
};

class InstallerEdgeCaseTest : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(InstallerEdgeCaseTest, Holds) {
  Edge edge;
  GetParam().check(edge);
}

INSTANTIATE_TEST_SUITE_P(Installer, InstallerEdgeCaseTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EdgeCase>& edge) { return std::string(edge.param.name); });

}  // namespace
}  // namespace rvc::install
