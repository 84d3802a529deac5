// Device types: loading the type list file, rebuilding it from the templates on disk,
// looking types up and reading a dispatcher's type.
#include "store/template_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/rvc_exception.h"
#include "store/resource_db.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::store {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<std::string> Names(const CTemplateList& list) {
  std::vector<std::string> names;
  for (int i = 0; list.GetAt(i) != nullptr; ++i) names.push_back(list.GetAt(i)->Name);
  return names;
}

const char* kTwoTypes =
    "[Main]\n"
    "NrConfigs=2\n"
    "FIDbase=ravlin\n"
    "Flavor=Ravlin\n"
    "[Config1]\n"
    "Name=Lux Plate\n"
    "FID=ravlin_Lux.fid\n"
    "ZV_PLATE_OR_FILM=PLATE\n"
    "ZV_PLATE=zv_plate_Lux.res\n"
    "ZV_FILM=zv_film_unused.res\n"
    "ZV_CONFIG=zv_config_Lux.res\n"
    "ZV_RECORDER=zv_recorder_Lux.res\n"
    "ZV_DISPATCHER=zvRavlin_dispatcher_Lux.ini\n"
    "[Config2]\n"
    "Name=Agfa\n"
    "FID=ravlin_Agfa.fid\n"
    "ZV_PLATE_OR_FILM=FILM\n"
    "ZV_FILM=zv_film_Agfa.res\n"
    "ZV_CONFIG=zv_config_Agfa.res\n"
    "ZV_RECORDER=zv_recorder_Agfa.res\n"
    "ZV_DISPATCHER=zvRavlin_dispatcher_Agfa.ini\n";

TEST(TemplateListLoad, ReadsTypesInFileOrderAndFilmTypesTheirFilmTemplate) {
  TempDir dir;
  WriteFile(dir / "prog/rvc2.cfg", kTwoTypes);
  CTemplateList list("Ravlin", dir / "prog/rvc2.cfg", false);

  EXPECT_EQ(list.FIDbase(), "ravlin");
  EXPECT_EQ(list.Flavor(), "Ravlin");
  EXPECT_EQ(list.Key(), "Ravlin");
  EXPECT_EQ(list.ProgramFolder(), dir / "prog/");
  EXPECT_EQ(list.TemplateFolder(), dir / "prog/dat/templates/Ravlin/");
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetAt(2), nullptr);
  EXPECT_EQ(list.GetAt(-1), nullptr);

  const CTemplate& plate = *list.GetAt(0);
  EXPECT_EQ(plate.Name, "Lux Plate");
  EXPECT_EQ(plate.FID, "ravlin_Lux.fid");
  EXPECT_FALSE(plate.IsFilm());
  EXPECT_EQ(plate.PlateOrFilmFile, "zv_plate_Lux.res");
  EXPECT_EQ(plate.Config, "zv_config_Lux.res");
  EXPECT_EQ(plate.Recorder, "zv_recorder_Lux.res");
  EXPECT_EQ(plate.DispatcherIni, "zvRavlin_dispatcher_Lux.ini");

  // "FILM" reads ZV_FILM; ZV_PLATE is not needed.
  const CTemplate& film = *list.GetAt(1);
  EXPECT_TRUE(film.IsFilm());
  EXPECT_EQ(film.PlateOrFilmFile, "zv_film_Agfa.res");
}

TEST(TemplateListLoad, MissingListFileOrItemFailsWith109NamingTheFile) {
  TempDir dir;
  const std::string file = dir / "prog/rvc2.cfg";
  EXPECT_EQ(Raised([&] { CTemplateList("Ravlin", file, false); }).Message(), "RDB error " + file);

  const std::string full = kTwoTypes;
  auto without = [&](const std::string& line) {
    std::string text = full;
    text.erase(text.find(line), line.size());
    return text;
  };
  for (const char* line :
       {"Flavor=Ravlin\n", "FIDbase=ravlin\n", "NrConfigs=2\n", "ZV_DISPATCHER=zvRavlin_dispatcher_Agfa.ini\n",
        "ZV_FILM=zv_film_Agfa.res\n", "Name=Agfa\n"}) {
    WriteFile(file, without(line));
    const CRvcException e = Raised([&] { CTemplateList("Ravlin", file, false); });
    EXPECT_EQ(e.Id(), 109) << line;
    EXPECT_EQ(e.Message(), "RDB error " + file) << line;
  }
  // A plate type does not need ZV_FILM.
  WriteFile(file, without("ZV_FILM=zv_film_unused.res\n"));
  EXPECT_EQ(CTemplateList("Ravlin", file, false).GetCount(), 2);
}

class FindTypeTest : public ::testing::Test {
 protected:
  CTemplateList Load(const std::vector<std::string>& names) {
    std::string text = "[Main]\nNrConfigs=" + std::to_string(names.size()) + "\nFIDbase=b\nFlavor=F\n";
    for (size_t i = 0; i < names.size(); ++i) {
      text += "[Config" + std::to_string(i + 1) + "]\nName=" + names[i] +
              "\nFID=f\nZV_PLATE_OR_FILM=PLATE\nZV_PLATE=p\nZV_CONFIG=c\nZV_RECORDER=r\nZV_DISPATCHER=d\n";
    }
    WriteFile(dir_ / "rvc2.cfg", text);
    return CTemplateList("F", dir_ / "rvc2.cfg", false);
  }
  TempDir dir_;
};

// The exact name ignoring case comes first, then the generic type, then the name without
// blanks, tabs and underscores.
TEST_F(FindTypeTest, ExactNameThenGenericThenLooseComparison) {
  const CTemplateList exact = Load({"Generic", "Lux_Plate", "LUX PLATE"});
  EXPECT_EQ(exact.FindType("lux plate"), 2);
  EXPECT_EQ(exact.FindType("LUX_plate"), 1);
  const CTemplateList generic = Load({"Lux_Plate", "GENERIC"});
  EXPECT_EQ(generic.FindType("Agfa"), 1);
  EXPECT_EQ(generic.FindType("Lux Plate"), 1);  // equal to "Lux_Plate" loosely, but "generic" wins
  const CTemplateList loose = Load({"Agfa", "Lux_Plate 2"});
  EXPECT_EQ(loose.FindType("lux\tplate_2"), 1);
  EXPECT_EQ(loose.FindType("LuxPlate2"), 1);
  ExpectRvcError([&] { loose.FindType("Lux Plate 3"); }, 110, "Configuration Lux Plate 3 failed");
}

TEST_F(FindTypeTest, ReadDispatcherTypeAndItem) {
  const CTemplateList list = Load({"Agfa", "Lux"});
  ui::HeadlessUserInterface headless;
  ui::ScopedUserInterface scoped(headless);

  ResourceDb db = ResourceDb::Parse("[General]\nType=LUX\nVersion=10.1\n[Empty]\n", dir_ / "x.res");
  EXPECT_EQ(list.ReadDispatcherType("General", &db), 1);
  EXPECT_EQ(list.ReadDispatcherItem("General", "Version", &db), "10.1");
  EXPECT_TRUE(headless.Messages().empty());

  EXPECT_EQ(list.ReadDispatcherType("Empty", &db), 0);
  EXPECT_EQ(list.ReadDispatcherItem("Empty", "Version", &db), "");
  ASSERT_EQ(headless.Messages().size(), 2u);
  EXPECT_EQ(headless.Messages()[0].text, "There is no type specified for this Dispatcher!!");
  EXPECT_EQ(headless.Messages()[1].text, "There is no version specified for this Dispatcher!!");
  EXPECT_EQ(headless.Messages()[0].buttons, ui::Buttons::Ok);

  EXPECT_EQ(Raised([&] { list.ReadDispatcherType("General", nullptr); }).Message(), "RDB error Invalid handle");
  EXPECT_EQ(Raised([&] { list.ReadDispatcherItem("General", "Version", nullptr); }).Message(),
            "RDB error Invalid handle");
  // A type that names nothing known, with no generic type, is 110.
  ResourceDb unknown = ResourceDb::Parse("[General]\nType=Other\n", dir_ / "y.res");
  EXPECT_EQ(Raised([&] { list.ReadDispatcherType("General", &unknown); }).Id(), 110);
}

// A program folder whose templates lie directly in "dat/templates/".
class TemplateRebuildTest : public ::testing::Test {
 protected:
  void Type(const std::string& fid, const std::string& name, bool film = false) {
    WriteFile(dir_ / ("prog/dat/templates/" + fid), "[Main]\nFID=" + name + "\n");
    WriteFile(dir_ / ("prog/dat/templates/zv_recorder_" + name + ".res"), "[Main]\n");
    WriteFile(dir_ / ("prog/dat/templates/zv_config_" + name + ".res"), "[Main]\n");
    WriteFile(dir_ / ("prog/dat/templates/zv_" + std::string(film ? "film_" : "plate_") + name + ".res"), "[Main]\n");
  }
  // Placeholder template files of these names.
  void Files(std::initializer_list<std::string> names) {
    for (const std::string& name : names) WriteFile(dir_ / ("prog/dat/templates/" + name), "x\n");
  }
  CTemplateList Rebuild() { return CTemplateList("Ravlin", dir_ / "prog/rvc2.cfg", true); }

  TempDir dir_;
};

TEST_F(TemplateRebuildTest, TypeNamesFollowTheCommonLeadingPartOfTheFidNames) {
  Type("ravlin_Lux.fid", "Lux");
  Type("ravlin_Agfa_Film.fid", "Agfa_Film", true);
  Type("ravlin_Lumen.fid", "Lumen");
  WriteFile(dir_ / "prog/dat/templates/zvRavlin_dispatcher_Lux.ini", "[x]\n");

  const CTemplateList list = Rebuild();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Agfa_Film", "Lumen", "Lux"}));
  EXPECT_EQ(list.FIDbase(), "ravlin");
  EXPECT_EQ(list.Flavor(), "Ravlin");
  EXPECT_EQ(list.TemplateFolder(), dir_ / "prog/dat/templates/");

  const CTemplate& film = *list.GetAt(0);
  EXPECT_EQ(film.FID, "ravlin_Agfa_Film.fid");
  EXPECT_TRUE(film.IsFilm());
  EXPECT_EQ(film.PlateOrFilmFile, "zv_film_Agfa_Film.res");
  EXPECT_EQ(film.DispatcherIni, "");

  const CTemplate& lux = *list.GetAt(2);
  EXPECT_FALSE(lux.IsFilm());
  EXPECT_EQ(lux.PlateOrFilmFile, "zv_plate_Lux.res");
  EXPECT_EQ(lux.Recorder, "zv_recorder_Lux.res");
  EXPECT_EQ(lux.Config, "zv_config_Lux.res");
  EXPECT_EQ(lux.DispatcherIni, "zvRavlin_dispatcher_Lux.ini");
}

TEST_F(TemplateRebuildTest, CommonPartEndsAtAnUnderscoreAndASingleTemplateAtItsLast) {
  const struct {
    std::vector<std::string> names;  // each with the template "<base>_<name>.fid"
    std::string base;
  } rows[] = {
      {{"Lumen", "Lux"}, "zv_fid"},  // "zv_fid_Lu" is common to both, but the names are "Lux" and "Lumen"
      {{"Lux"}, "ravlin_fid"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.base);
    std::filesystem::remove_all(dir_ / "prog");
    for (const std::string& name : row.names) Type(row.base + "_" + name + ".fid", name);
    const CTemplateList list = Rebuild();
    EXPECT_EQ(Names(list), row.names);
    EXPECT_EQ(list.FIDbase(), row.base);
  }
}

TEST_F(TemplateRebuildTest, TemplatesAreFoundIgnoringCase) {
  for (const char* name : {"RAVLIN_LUX.FID", "ZV_RECORDER_lux.RES", "Zv_Config_LUX.res", "ZV_PLATE_lux.res"}) {
    WriteFile(dir_ / "prog/DAT/Templates/" + name, "x\n");
  }
  const CTemplateList list = Rebuild();
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetAt(0)->Name, "LUX");
  EXPECT_EQ(list.GetAt(0)->Config, "Zv_Config_LUX.res");
  EXPECT_EQ(list.TemplateFolder(), dir_ / "prog/DAT/Templates/");
}

TEST_F(TemplateRebuildTest, MissingTemplatesFallBackToShorterFormsOfTheName) {
  Type("ravlin_Other.fid", "Other");
  // Trailing "_" parts go first, then single characters.
  Files({"ravlin_Harlequin_Plate_2.fid", "zv_config_Harlequin.res", "zv_recorder_Harlequin_Pla.res",
         "zv_film_Harlequin_Plate.res", "zv_plate_Harlequin_Plate_2.res"});
  const CTemplateList list = Rebuild();
  const CTemplate& type = *list.GetAt(list.FindType("Harlequin_Plate_2"));
  EXPECT_EQ(type.Config, "zv_config_Harlequin.res");
  EXPECT_EQ(type.Recorder, "zv_recorder_Harlequin_Pla.res");
  // The full name is tried for both film and plate before anything shorter.
  EXPECT_EQ(type.PlateOrFilmFile, "zv_plate_Harlequin_Plate_2.res");
  EXPECT_FALSE(type.IsFilm());
}

TEST_F(TemplateRebuildTest, ShorterFormsKeepSixCharactersAndTheFinalFailureIs104) {
  Type("ravlin_Other.fid", "Other");
  // "zv_config_Lumen.res" has five characters of the name: never tried.
  Files({"ravlin_Lumen_X.fid", "zv_recorder_Lumen_.res", "zv_config_Lumen.res", "zv_plate_Lumen_X.res"});
  ExpectRvcError([&] { Rebuild(); }, 104, "Failed to open " + dir_ / "prog/dat/templates/zv_config_Lumen_X.res");

  Files({"zv_config_Lumen_.res"});
  const CTemplateList list = Rebuild();
  const CTemplate& type = *list.GetAt(list.FindType("Lumen_X"));
  EXPECT_EQ(type.Recorder, "zv_recorder_Lumen_.res");
  EXPECT_EQ(type.Config, "zv_config_Lumen_.res");
}

TEST_F(TemplateRebuildTest, MissingFilmOrPlateTemplateIs104) {
  Files({"ravlin_Lux.fid", "zv_recorder_Lux.res", "zv_config_Lux.res"});
  const CRvcException e = Raised([&] { Rebuild(); });
  EXPECT_EQ(e.Id(), 104);
  EXPECT_NE(e.Message().find("zv_plate_Lux.res"), std::string::npos) << e.Message();
}

TEST_F(TemplateRebuildTest, WithoutTemplatesAnyFidUnderDatMakesOneGenericType) {
  WriteFile(dir_ / "prog/dat/templates/Ravlin/ravlin_Lux.fid", "x\n");
  WriteFile(dir_ / "prog/dat/templates/Ravlin/zv_config_Lux.res", "x\n");
  const CTemplateList list = Rebuild();
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetAt(0)->Name, "Generic");
  EXPECT_EQ(list.GetAt(0)->FID, "ravlin_Lux.fid");
  EXPECT_EQ(list.TemplatePath(list.GetAt(0)->FID), dir_ / "prog/dat/templates/Ravlin/ravlin_Lux.fid");
  EXPECT_EQ(list.FindType("whatever"), 0);
}

TEST_F(TemplateRebuildTest, NoFidAnywhereIs110WithTheListFile) {
  WriteFile(dir_ / "prog/dat/types.dat", "[All]\n");
  ExpectRvcError([&] { Rebuild(); }, 110, "Configuration " + dir_ / "prog/rvc2.cfg" + " failed");
  EXPECT_FALSE(test::FileExists(dir_ / "prog/rvc2.cfg"));
}

}  // namespace
}  // namespace rvc::store
