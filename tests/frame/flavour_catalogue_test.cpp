// Loading the flavour catalogue: topics, order, filter, the search for the list files and
// the folder dialogs, and the failures.
#include "frame/flavour_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/rvc_exception.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::frame {
namespace {

using test::FileExists;
using test::TempDir;
using test::WriteFile;

const char* kTypeList =
    "[Main]\nNrConfigs=1\nFIDbase=ravlin\nFlavor=Ravlin\n"
    "[Config1]\nName=Lux\nFID=ravlin_Lux.fid\nZV_PLATE_OR_FILM=PLATE\nZV_PLATE=zv_plate_Lux.res\n"
    "ZV_CONFIG=zv_config_Lux.res\nZV_RECORDER=zv_recorder_Lux.res\nZV_DISPATCHER=zvRavlin_dispatcher_Lux.ini\n";
const char* kLuxFid = "[Main]\nRavlin=Lux 1.0\nFID=LUX\n";

std::string DispatcherList(const std::string& name) {
  return "[Main]\nInstall=x\nNrConfigs=1\n[Config1]\nName=" + name + "\nType=Lux\nFolder=" + name + "\nBase=1\n";
}

using store::Raised;

class FlavourCatalogueTest : public ::testing::Test {
 protected:
  FlavourCatalogueTest()
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"), data_("KW_DATA_RAVLINCONFIG", dir_ / "cfg") {
    std::filesystem::create_directories(dir_ / "cfg");
  }

  // A flavour whose program and data folders hold their list files.
  std::string Installed(const std::string& key, const std::string& name, const std::string& version = "10.1") {
    WriteFile(dir_ / ("prog/" + key + "/rvc2.cfg"), kTypeList);
    WriteFile(dir_ / ("data/" + key + "/rvc1.cfg"), DispatcherList(key + "Press"));
    return Topic(key, name, version, dir_ / ("prog/" + key + "/"), dir_ / ("data/" + key + "/"));
  }
  static std::string Topic(const std::string& key, const std::string& name, const std::string& version,
                           const std::string& progdir, const std::string& datadir) {
    return "[" + key + "]\nname=" + name + "\nVersion=" + version + "\nprogdir=" + progdir + "\ndatadir=" + datadir +
           "\n";
  }
  // A data folder without list file that can be rebuilt from its dispatcher "Press".
  void RebuildableData(const std::string& folder) {
    WriteFile(dir_ / (folder + "data/zvPress_dispatcher.ini"), "[Ravlin]\npapname=Press_AT\ncommandport=4111\n");
    WriteFile(dir_ / (folder + "Press/data/ravlin.fid"), kLuxFid);
    WriteFile(dir_ / (folder + "Press/data/zv_config.res"), "[PavoNet]\nname=Lux\ncommandport=4111\n");
  }
  void Catalogue(const std::string& text) { WriteFile(dir_ / "cfg/rvc.dat", text); }
  bool Load(const std::string& filter = {}, const CatalogueOptions& options = {}) {
    return LoadFlavourCatalogue(CataloguePath("rvc.dat"), filter, options, flavours_);
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& flavour : flavours_) keys.push_back(flavour->Key);
    return keys;
  }

  TempDir dir_;
  test::ScopedEnv env_;
  test::ScopedEnv data_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  FlavourList flavours_;
};

TEST_F(FlavourCatalogueTest, LoadsEveryFlavourWithItsListsInOrderOfDisplayName) {
  // A name written escaped (a backslash in it); a topic given twice reads the items of its
  // first one, as the catalogue's lookups do.
  std::string press = Installed("Press", "a");
  press.replace(press.find("name=a\n"), 7, ";@=name=a\\\\b\n");
  Catalogue("[_internal_]\nIncludeDGCInPPD=1\n" + Installed("Tiff", "b") + Installed("Proof", "A", "") + press +
            "[tiff]\nname=Other\n");
  ASSERT_TRUE(Load());
  // Case-sensitive: capitals before lower case.
  EXPECT_EQ(Keys(), (std::vector<std::string>{"Proof", "Press", "Tiff", "tiff"}));
  EXPECT_EQ(flavours_[1]->DisplayName, "a\\b");
  EXPECT_EQ(flavours_[3]->DispatcherList->ListFile(), dir_ / "data/Tiff/rvc1.cfg");
  const CFlavour& proof = *flavours_[0];
  EXPECT_EQ(proof.DisplayName, "A");
  EXPECT_EQ(proof.Version, "V52");
  EXPECT_EQ(flavours_[1]->Version, "10.1");
  EXPECT_EQ(proof.TemplateList->ListFile(), dir_ / "prog/Proof/rvc2.cfg");
  EXPECT_EQ(proof.TemplateList->Key(), "Proof");
  EXPECT_EQ(proof.DispatcherList->ListFile(), dir_ / "data/Proof/rvc1.cfg");
  ASSERT_EQ(proof.DispatcherList->GetCount(), 1);
  EXPECT_EQ(proof.DispatcherList->GetAt(0).Record.Name, "ProofPress");
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_TRUE(ui_.FolderTitles().empty());
}

TEST_F(FlavourCatalogueTest, FlavoursOfEqualDisplayNamesAreAllKeptInCatalogueOrder) {
  Catalogue(Installed("One", "Same") + Installed("Two", "Same") + Installed("Zero", "Other") +
            Installed("Three", "Same"));
  ASSERT_TRUE(Load());
  EXPECT_EQ(Keys(), (std::vector<std::string>{"Zero", "One", "Two", "Three"}));
}

TEST_F(FlavourCatalogueTest, AFilterLoadsOnlyTheFlavourOfThatKey) {
  Catalogue(Installed("Tiff", "Tiff") + Installed("Dedezi", "Velmora Dedezi"));
  ASSERT_TRUE(Load("DEDEZI"));
  EXPECT_EQ(Keys(), std::vector<std::string>{"Dedezi"});
  EXPECT_FALSE(Load("-u", CatalogueOptions{false, {}, {}}));
  EXPECT_TRUE(flavours_.empty());
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(FlavourCatalogueTest, ACatalogueWithoutFlavoursIsToldInInteractiveRunsOnly) {
  Catalogue("[_internal_]\nIncludeDGCInPPD=1\n");
  EXPECT_FALSE(Load({}, CatalogueOptions{false, {}, {}}));
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_FALSE(Load());
  EXPECT_EQ(ui_.MessageTexts(),
            std::vector<std::string>{"There are no flavours specified in " + dir_ / "cfg/rvc.dat" +
                                     " file.\nPlease add topics corresponding to installed flavours in above "
                                     "mentioned file."});
}

TEST_F(FlavourCatalogueTest, FailuresOfTheCatalogueAndOfAFlavourEndTheLoad) {
  CRvcException missing = Raised([&] { Load(); });
  EXPECT_EQ(missing.Id(), 109);
  EXPECT_EQ(missing.Message(), "RDB error " + dir_ / "cfg/rvc.dat");

  // A list file without "NrConfigs" gives a flavour without dispatchers.
  Catalogue(Installed("Tiff", "Tiff"));
  WriteFile(dir_ / "data/Tiff/rvc1.cfg", "[Main]\nInstall=x\n");
  CRvcException empty = Raised([&] { Load(); });
  EXPECT_EQ(empty.Id(), 123);
  EXPECT_EQ(empty.Message(), "Application stopped because Ravlin Configurator didn't find a configuration");
}

TEST_F(FlavourCatalogueTest, WithARecordOfBrokenFlavoursTheOthersLoad) {
  // Tiff's only dispatcher escapes the data folder: the flavour has none that loads.
  Catalogue(Installed("Tiff", "Tiff") + Installed("Proof", "Proof"));
  WriteFile(dir_ / "data/Tiff/rvc1.cfg", "[Main]\nNrConfigs=1\n[Config1]\nName=X\nType=Lux\nFolder=../x\n");
  const std::string reason = "Application stopped because Ravlin Configurator didn't find a configuration\n" +
                             dir_ / "data/Tiff/rvc1.cfg" +
                             ", [Config1]: the dispatcher folder \"../x\" holds a path separator";
  EXPECT_EQ(Raised([&] { Load(); }).Message(), reason);

  std::vector<BrokenFlavour> broken;
  CatalogueOptions options;
  options.brokenFlavours = &broken;
  ASSERT_TRUE(Load({}, options));
  EXPECT_EQ(Keys(), std::vector<std::string>{"Proof"});
  ASSERT_EQ(broken.size(), 1u);
  EXPECT_EQ(broken[0].Key, "Tiff");
  EXPECT_EQ(broken[0].Reason, reason);
  EXPECT_EQ(LoadProblems(flavours_, broken), "Flavour Tiff is not shown: " + reason + "\n");
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(FlavourCatalogueTest, AFolderIsSearchedWithItsSubfoldersAndAFileNameIsSearchedForItself) {
  // "progdir" names the file "types.cfg": an "rvc2.cfg" beside it is not taken.
  WriteFile(dir_ / "prog/types.cfg", kTypeList);
  WriteFile(dir_ / "prog/rvc2.cfg", "broken");
  // "datadir" names a folder whose list file lies one level down.
  WriteFile(dir_ / "data/Tiff/rvc1.cfg", DispatcherList("Press"));
  Catalogue(Topic("Tiff", "Tiff", "10.1", dir_ / "prog/types.cfg", dir_ / "data"));
  ASSERT_TRUE(Load());
  EXPECT_EQ(flavours_[0]->TemplateList->ListFile(), dir_ / "prog/types.cfg");
  EXPECT_EQ(flavours_[0]->DispatcherList->ListFile(), dir_ / "data/Tiff/rvc1.cfg");
}

TEST_F(FlavourCatalogueTest, ADataFolderWithIniFilesButNoListIsRebuiltWithoutAskingAndNoListIsWritten) {
  WriteFile(dir_ / "prog/rvc2.cfg", kTypeList);
  WriteFile(dir_ / "prog/dat/templates/Ravlin/ravlin_Lux.fid", kLuxFid);
  WriteFile(dir_ / "prog/dat/templates/Ravlin/zv_config_Lux.res", "[PavoNet]\nname=Lux\n");
  RebuildableData("data/");
  Catalogue(Topic("Tiff", "Tiff", "10.1", dir_ / "prog/", dir_ / "data/"));
  const auto before = test::Snapshot(dir_ / "data");
  ASSERT_TRUE(Load());
  EXPECT_TRUE(ui_.FolderTitles().empty());
  const auto& list = *flavours_[0]->DispatcherList;
  EXPECT_EQ(list.ListFile(), dir_ / "data/rvc1.cfg");
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetAt(0).Record.Name, "Press");
  EXPECT_EQ(list.GetAt(0).Record.Type, "Lux");
  EXPECT_EQ(test::Snapshot(dir_ / "data"), before);
}

TEST_F(FlavourCatalogueTest, AFolderWithoutListOrIniFilesIsChosenByTheUser) {
  WriteFile(dir_ / "prog/rvc2.cfg", kTypeList);
  WriteFile(dir_ / "prog/dat/templates/Ravlin/ravlin_Lux.fid", kLuxFid);
  std::filesystem::create_directories(dir_ / "empty");
  RebuildableData("chosen/");
  Catalogue(Topic("Tiff", "Ravlin Tiff", "10.1", dir_ / "prog/", dir_ / "empty/"));
  ui_.QueueFolder(dir_ / "chosen");
  ASSERT_TRUE(Load());
  // The title names the flavour.
  EXPECT_EQ(ui_.FolderTitles(), std::vector<std::string>{"Select DATA folder - Ravlin Tiff"});
  EXPECT_EQ(flavours_[0]->DispatcherList->ListFile(), dir_ / "chosen/rvc1.cfg");
  EXPECT_FALSE(FileExists(dir_ / "chosen/rvc1.cfg"));
}

TEST_F(FlavourCatalogueTest, FindListFileAsksForTheProgramFolderWithItsTitle) {
  std::filesystem::create_directories(dir_ / "empty");
  ui_.QueueFolder(dir_ / "picked");
  ListFileChoice choice = FindListFile(dir_ / "empty", "Select PROGRAM folder", "rvc2.cfg");
  EXPECT_EQ(ui_.FolderTitles(), std::vector<std::string>{"Select PROGRAM folder"});
  EXPECT_EQ(choice.file, dir_ / "picked/rvc2.cfg");
  EXPECT_TRUE(choice.rebuild);
}

// Run from inside a folder that could be rebuilt, a flavour whose folder is missing,
// empty or relative, and for which no usable folder is chosen, fails to load; nothing is
// read from the working directory.
TEST_F(FlavourCatalogueTest, AFolderNotChosenFailsTheFlavourInsteadOfUsingTheWorkingDirectory) {
  WriteFile(dir_ / "prog/rvc2.cfg", kTypeList);
  RebuildableData("cwd/");
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(dir_ / "cwd");
  struct Case {
    std::string datadir;
    std::string chosen;  // "" cancels the folder dialog
  };
  const std::vector<Case> cases = {
      {dir_ / "missing/", ""}, {"", ""}, {"data", ""}, {"./", ""}, {dir_ / "missing/", "."}, {"", "data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("datadir \"" + c.datadir + "\", chosen \"" + c.chosen + "\"");
    Catalogue(Topic("Tiff", "Tiff", "10.1", dir_ / "prog/", c.datadir));
    if (!c.chosen.empty()) ui_.QueueFolder(c.chosen);
    std::vector<BrokenFlavour> broken;
    EXPECT_FALSE(Load({}, CatalogueOptions{false, {}, {}, &broken}));
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken[0].Reason, "Application stopped because no folder was chosen in \"Select DATA folder - Tiff\"");
    EXPECT_EQ(Raised([this] { Load({}, CatalogueOptions{false, {}, {}}); }).Id(), 123);
  }
  std::filesystem::current_path(home);
}

TEST_F(FlavourCatalogueTest, CommandLineFoldersReplaceThoseOfTheCatalogue) {
  Catalogue(Topic("Tiff", "Tiff", "10.1", dir_ / "nowhere/", dir_ / "nowhere/"));
  WriteFile(dir_ / "other/prog/rvc2.cfg", kTypeList);
  WriteFile(dir_ / "other/data/rvc1.cfg", DispatcherList("Press"));
  ASSERT_TRUE(Load("tiff", CatalogueOptions{false, dir_ / "other/prog", dir_ / "other/data"}));
  EXPECT_EQ(flavours_[0]->TemplateList->ListFile(), dir_ / "other/prog/rvc2.cfg");
  EXPECT_EQ(flavours_[0]->DispatcherList->ListFile(), dir_ / "other/data/rvc1.cfg");
  EXPECT_TRUE(ui_.FolderTitles().empty());
}

TEST_F(FlavourCatalogueTest, CatalogueValuesMayReferToEnvironmentVariables) {
  test::ScopedEnv root("RAVLIN_TEST_ROOT", dir_.Path());
  WriteFile(dir_ / "prog/rvc2.cfg", kTypeList);
  WriteFile(dir_ / "data/rvc1.cfg", DispatcherList("Press"));
  Catalogue(Topic("Tiff", "Tiff", "10.1", "%RAVLIN_TEST_ROOT%\\prog\\rvc2.cfg", "%RAVLIN_TEST_ROOT%\\data\\"));
  ASSERT_TRUE(Load());
  EXPECT_EQ(flavours_[0]->TemplateList->ListFile(), dir_ / "prog/rvc2.cfg");
}

}  // namespace
}  // namespace rvc::frame
