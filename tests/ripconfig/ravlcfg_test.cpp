#include "ripconfig/ravlcfg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "tests/ripconfig/dispatcher_files.h"
#include "tests/support/test_support.h"

namespace rvc::ripconfig {

// Readable failures for the records compared whole.
void PrintTo(const BaseRecord& r, std::ostream* out) {
  *out << r.usedConf << "|" << r.confNames << "|" << r.nrConfs << "|" << r.filmNames << "|" << r.nrFilms << "|"
       << r.setNames << "|" << r.nrSets << "|" << r.origin;
}
void PrintTo(const FilmRecord& r, std::ostream* out) {
  *out << r.name << "|" << r.verticalSize << "|" << r.horizontalSize << "|" << r.polarity << "|" << r.sizeText << "|"
       << r.flag << "|" << r.curve;
}
void PrintTo(const ConfigRecord& r, std::ostream* out) {
  *out << r.name << "|" << r.film << "|" << r.set << "|" << r.output << "|" << r.verticalSize << "|" << r.horizontalSize
       << "|" << r.polarity << "|" << r.curve;
}
void PrintTo(const ResolutionEntry& e, std::ostream* out) {
  *out << e.set << "|" << e.dpi << "|" << e.enabled << "|" << e.gamma << "|" << e.useGamma << "|"
       << ::testing::PrintToString(e.calibration);
}

namespace {

using test::FileExists;
using test::ReadFile;
using test::Snapshot;
using test::TempDir;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

class RavlcfgTest : public ::testing::Test {
 protected:
  void SetUp() override { configPath = testing::WriteDispatcher(dir); }
  void TearDown() override { ravlcfg_close(&handle); }

  // Opens the way callers do: the dispatcher folder + "\data\zv_config.res".
  RavlcfgHandle* Open() {
    ravlcfg_close(&handle);
    handle = ravlcfg_open(dir.Path() + "Press\\data\\zv_config.res");
    return handle;
  }
  std::string Data(const std::string& name) { return dir / ("Press/data/" + name); }
  // Writes the sample zv_config.res with each `from` text replaced by its `to`.
  void WriteConfigWith(std::initializer_list<std::pair<std::string, std::string>> edits) {
    std::string config = testing::kConfigRes;
    for (const auto& [from, to] : edits) config.replace(config.find(from), from.size(), to);
    WriteFile(configPath, config);
  }

  TempDir dir;
  std::string configPath;
  RavlcfgHandle* handle = nullptr;
};

TEST_F(RavlcfgTest, ReadsEveryRecord) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(ravlcfg_get_nr_warnings(handle), 0) << Joined(ravlcfg_get_warningmessages(handle));

  ASSERT_EQ(ravlcfg_set_lists(handle), 1);
  EXPECT_EQ(*ravlcfg_get_base(handle),
            (BaseRecord{"A4", "maxsize A4", 2, "Maxsize,A4", 2, "set_0,set_1", 2, "DEFAULT"}));
  EXPECT_EQ(*ravlcfg_get_rec(handle), (RecorderRecord{14000, 20000, 120.5, 0}));
  ASSERT_EQ(ravlcfg_get_nrfilms(handle), 2);
  EXPECT_EQ(*ravlcfg_get_films(handle)[1], (FilmRecord{"A4", 11693, 8268, 0, "11.7\" x 8.3\"", 2, "Plate DGC"}));

  ASSERT_EQ(ravlcfg_get_nrsets(handle), 2);
  const ResolutionSet* set0 = ravlcfg_get_sets(handle)[0];
  EXPECT_EQ(set0->name, "set_0");
  ASSERT_EQ(set0->Count(), 2);
  EXPECT_EQ(*set0->Entry(1), (ResolutionEntry{"set_0", 2400, 1, 55, true, {0.5, 0, 1000, 990}}));
  EXPECT_EQ(ravlcfg_get_set(handle, "SET_1"), ravlcfg_get_sets(handle)[1]) << "set names ignore case";
  EXPECT_EQ(ravlcfg_get_set(handle, "set_9"), nullptr);

  ASSERT_EQ(ravlcfg_get_nrconfs(handle), 2);
  EXPECT_EQ(*ravlcfg_get_confs(handle)[1],
            (ConfigRecord{"A4", "A4", "set_1", "/var/rip/out", 11693, 8268, 0, "Plate DGC"}));

  ASSERT_EQ(ravlcfg_get_nrnames(handle), 2);
  EXPECT_EQ(ravlcfg_get_names(handle)[1]->name, "PavoNet");

  // The configuration in use is the current one until another is asked for.
  EXPECT_EQ(handle->Current(), ravlcfg_get_confs(handle)[1]);
  ConfigRecord* maxsize = ravlcfg_getresinfo(handle, "MAXSIZE");
  ASSERT_NE(maxsize, nullptr);
  EXPECT_EQ(maxsize->name, "maxsize");
  EXPECT_EQ(handle->Current(), maxsize);
  EXPECT_EQ(handle->CurrentFilm()->name, "Maxsize");
  EXPECT_EQ(ravlcfg_getresinfo(handle, "nothing"), nullptr);
  EXPECT_EQ(handle->Current(), maxsize);
  EXPECT_FALSE(handle->IsPlate());
}

TEST_F(RavlcfgTest, OmittedMediaValuesOfAConfigurationComeFromItsMedia) {
  WriteFile(configPath,
            "[Main]\nconfs=plain\nsets=set_0\nused=plain\n[plain]\nfilm=A4\nset=set_0\n[set_0]\nres1=2400\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(*ravlcfg_get_confs(handle)[0], (ConfigRecord{"plain", "A4", "set_0", "", 11693, 8268, 0, "Plate DGC"}));
  EXPECT_EQ(*ravlcfg_get_sets(handle)[0]->Entry(0), (ResolutionEntry{"set_0", 2400, 1, 0, false, {0, 0, 1000, 1000}}));
}

TEST_F(RavlcfgTest, ResolutionValuesReadInEveryFormTheFilesHold) {
  const std::array<double, 4> plain{0, 0, 1000, 1000};
  const struct {
    const char* text;
    std::optional<ResolutionEntry> entry;  // nothing: an error naming the item
  } cases[] = {
      {"2400", ResolutionEntry{"set_0", 2400, 1, 0, false, plain}},
      {" -0.25 , +2,\"55.5\" 1  0.1\t1e3 .5 1.", ResolutionEntry{"set_0", -0.25, 2, 55.5, true, {0.1, 1000, 0.5, 1}}},
      {"1234567890.123456,0,0.30000000000000004",
       ResolutionEntry{"set_0", 1234567890.123456, 0, 0.30000000000000004, false, plain}},
      {"0012.50 1 1234567890123456", ResolutionEntry{"set_0", 12.5, 1, 1234567890123456, false, plain}},
      {"-2400,1.,0.5,1,-0.0,7,8,9", ResolutionEntry{"set_0", -2400, 1, 0.5, true, {0, 7, 8, 9}}},
      {"2400,,1", std::nullopt},
      {"2400,-,1", std::nullopt},
      {"1e400", std::nullopt},
      {"2400,1,", std::nullopt},
      {"1,1,0,0,0,0,1000,1000,5", std::nullopt},
      {"24.0.0", std::nullopt},
      {"-", std::nullopt},
      {"nan", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WriteFile(configPath, std::string("[Main]\nconfs=c\nsets=set_0\nused=c\n[c]\nfilm=A4\nset=set_0\n[set_0]\nres1=") +
                              c.text + "\nres2=1200\n");
    ASSERT_NE(Open(), nullptr);
    const std::string errors = Joined(ravlcfg_get_errormessages(handle));
    if (c.entry) {
      EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << errors;
      EXPECT_EQ(*ravlcfg_get_sets(handle)[0]->Entry(0), *c.entry);
    } else {
      EXPECT_THAT(errors, HasSubstr(": item \"res1\" of topic \"set_0\" is not a resolution"));
      EXPECT_EQ(ravlcfg_get_sets(handle)[0]->Count(), 1);
    }
  }
}

// Lookups by name find the first item of a name, so a repeated item reads as its first
// one, however it is spelt; "res02" and "res2" are different items.
TEST_F(RavlcfgTest, RepeatedResolutionItemsReadAsTheirFirst) {
  WriteFile(configPath, "[Main]\nconfs=c\nsets=set_0\nused=c\n[c]\nfilm=A4\nset=set_0\n[set_0]\n"
                        "res1=600\nRES1=700\nres02=800\nres2=900\nres02=1000\nres3=1200\n");
  ASSERT_NE(Open(), nullptr);
  std::vector<double> dpi;
  for (const auto& entry : ravlcfg_get_sets(handle)[0]->entries) dpi.push_back(entry->dpi);
  EXPECT_EQ(dpi, (std::vector<double>{600, 600, 800, 900, 800, 1200}));
}

TEST_F(RavlcfgTest, PlateFileServesWhenThereIsNoFilmFile) {
  std::rename(Data("zv_film.res").c_str(), Data("zv_plate.res").c_str());
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_TRUE(handle->IsPlate());
  EXPECT_EQ(ravlcfg_get_nrfilms(handle), 2);

  // With both files, the newer one counts and a warning says so.
  WriteFile(Data("zv_film.res"), "[Old]\nvsize=1\nhsize=1\n");
  std::string touch = "touch -d '2001-01-01' '" + Data("zv_film.res") + "'";
  ASSERT_EQ(std::system(touch.c_str()), 0);
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(handle->IsPlate());
  EXPECT_THAT(Joined(ravlcfg_get_warningmessages(handle)), HasSubstr("zv_plate.res"));

  // An explicit "media" item of the main topic decides.
  WriteConfigWith({{"origin=", "media=film\norigin="}});
  ASSERT_NE(Open(), nullptr);
  EXPECT_FALSE(handle->IsPlate());
  EXPECT_EQ(ravlcfg_get_films(handle)[0]->name, "Old");
}

TEST_F(RavlcfgTest, NoHandleWithoutZvConfig) {
  std::remove(configPath.c_str());
  EXPECT_EQ(Open(), nullptr);
  std::string reason;
  EXPECT_EQ(ConfigurationStore::Open(configPath, &reason), nullptr);
  EXPECT_THAT(reason, HasSubstr("zv_config.res"));
  // A null handle is harmless everywhere.
  EXPECT_EQ(ravlcfg_get_nr_errors(nullptr), 0);
  EXPECT_EQ(ravlcfg_write(nullptr), 0);
  EXPECT_EQ(ravlcfg_get_changed(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  ravlcfg_close(nullptr);
}

TEST_F(RavlcfgTest, MissingCompanionFilesAreErrorsNamingTheFile) {
  std::remove(Data("zv_recorder.res").c_str());
  std::remove(Data("data/zv_names.res").c_str());
  std::remove(Data("zv_film.res").c_str());
  ASSERT_NE(Open(), nullptr) << "the handle still opens";
  std::string errors = Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 3) << errors;
  EXPECT_THAT(errors, HasSubstr("Missing recorder file " + Data("zv_recorder.res")));
  EXPECT_THAT(errors, HasSubstr("Missing names file " + Data("data/zv_names.res")));
  EXPECT_THAT(errors, HasSubstr("Missing film file " + Data("zv_film.res")));
  // What zv_config.res holds is still there.
  EXPECT_EQ(ravlcfg_get_nrconfs(handle), 2);
}

TEST_F(RavlcfgTest, UnreadableNumbersAndMissingItemsAreErrorsNamingFileAndItem) {
  WriteFile(Data("zv_recorder.res"), "[Recorder]\nmaxwidth=14 000\npixelclock=fast\n");
  WriteFile(Data("zv_film.res"), "[A4]\nvsize=11693\nhsize=8268\npolarity=positive\n");
  WriteConfigWith({{"res2=2400, 1, 55", "res2=2400, 1, 5x5"}});
  ASSERT_NE(Open(), nullptr);
  std::string errors = Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 5) << errors;
  EXPECT_THAT(errors, HasSubstr(Data("zv_recorder.res") + ": item \"maxwidth\" of topic \"Recorder\" is not a number: "
                                                          "\"14 000\""));
  EXPECT_THAT(errors, HasSubstr(Data("zv_recorder.res") + ": item \"maxheight\" of topic \"Recorder\" is missing"));
  EXPECT_THAT(errors, HasSubstr(Data("zv_recorder.res") + ": item \"pixelclock\" of topic \"Recorder\""));
  EXPECT_THAT(errors, HasSubstr(Data("zv_film.res") + ": item \"polarity\" of topic \"A4\""));
  EXPECT_THAT(errors, HasSubstr(configPath + ": item \"res2\" of topic \"set_0\""));
}

TEST_F(RavlcfgTest, MediaNumbersReadInEveryFormTheFilesHold) {
  const struct {
    const char* vsize;
    const char* polarity;
    std::optional<FilmRecord> film;  // nothing: one error, naming the item that does not read
  } cases[] = {
      {"11693", "0", FilmRecord{"A4", 11693, 8268, 0, "11.7\" x 8.3\"", 0, ""}},
      {" \"-0.5\" ", " +7 ", FilmRecord{"A4", -0.5, 8268, 7, "-0.0\" x 8.3\"", 0, ""}},
      {"1234567890123456", "-2147483647", FilmRecord{"A4", 1234567890123456, 8268, -2147483647, "1234567890123.5\" x 8.3\"", 0, ""}},
      {"5.", "0012", FilmRecord{"A4", 5, 8268, 12, "0.0\" x 8.3\"", 0, ""}},
      {"1e400", "1", std::nullopt},
      {"11,693", "1", std::nullopt},
      {"11693", "2147483648", std::nullopt},
      {"11693", "1.0", std::nullopt},
      {"11693", "-", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.vsize) + " / " + c.polarity);
    WriteFile(Data("zv_film.res"),
              std::string("[Maxsize]\nvsize=1\nhsize=1\n[A4]\nvsize=") + c.vsize + "\nhsize=8268\npolarity=" + c.polarity + "\n");
    ASSERT_NE(Open(), nullptr);
    const std::string errors = Joined(ravlcfg_get_errormessages(handle));
    EXPECT_EQ(ravlcfg_get_nr_errors(handle), c.film ? 0 : 1) << errors;
    if (c.film) {
      EXPECT_EQ(*ravlcfg_get_films(handle)[1], *c.film);
    }
  }
}

// Opening reads the files line by line as the resource database does; the records are
// what the database holds, in every form a file may take.
TEST_F(RavlcfgTest, MediaReadAsTheResourceDatabaseReadsTheirFile) {
  const struct {
    const char* file;
    const char* names;  // the media, as the base record joins them
    double vsize;       // of the first one
  } cases[] = {
      {"\xEF\xBB\xBF[A4]\r\nvsize=11693\r\nhsize=8268\r\n", "A4", 11693},
      {"vsize=1\n[A4]\n; a comment\n;@ a note\n  vsize = 5\nvsize=6\nhsize=2", "A4", 5},
      {"[ A4 ]\nVSIZE=7\nvsize\nhsize=1\r", "A4", 7},
      {"[A4]\n;@=vsize=9\nhsize=1\n;@[B\\\\C]\nvsize=1\nhsize=1\n", "A4,B\\C", 9},
      {"[A4]\nvsize=1\nhsize=1\n\n[a4]\nvsize=2\nhsize=2\n[Letter]\nvsize=3\nhsize=3\n", "A4,Letter", 1},
      {"[A4]\r\n\r\ncurve=a=b\r\nvsize\t =4\r\n\tvsize=5\r\nhsize=1\r\n[\tB ]x\nvsize=1\nhsize=1\ntext", "A4,B", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    WriteFile(Data("zv_film.res"), c.file);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
    ravlcfg_set_lists(handle);
    EXPECT_EQ(ravlcfg_get_base(handle)->filmNames, c.names);
    ASSERT_EQ(ravlcfg_get_nrfilms(handle), ravlcfg_get_base(handle)->nrFilms);
    EXPECT_EQ(ravlcfg_get_films(handle)[0]->verticalSize, c.vsize);
  }
}

TEST_F(RavlcfgTest, DanglingReferencesAreWarningsAndCanBeRepaired) {
  WriteConfigWith({{"film=A4", "film=Letter"}, {"set=set_1", "set=set_7"}});
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  std::string warnings = Joined(ravlcfg_get_warningmessages(handle));
  EXPECT_THAT(warnings, HasSubstr("Configuration A4 refers to media \"Letter\""));
  EXPECT_THAT(warnings, HasSubstr("Configuration A4 refers to resolution set \"set_7\""));

  // The update job's repair: the first media and set take their place.
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  ConfigRecord* conf = ravlcfg_getresinfo(handle, "A4");
  conf->film = ravlcfg_get_films(handle)[0]->name;
  conf->set = ravlcfg_get_sets(handle)[0]->name;
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_warnings(handle), 0) << Joined(ravlcfg_get_warningmessages(handle));
}

TEST_F(RavlcfgTest, ListEntriesWithoutTopicUnknownConfigurationInUseAndRepeatedMediaAreWarnings) {
  WriteConfigWith({{"confs=maxsize A4", "confs=maxsize ghost A4 a4"}, {"used=A4", "used=gone"}});
  WriteFile(Data("zv_film.res"), std::string(testing::kFilmRes) + "\n[a4]\nvsize=1\nhsize=1\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0);
  EXPECT_EQ(ravlcfg_get_nr_warnings(handle), 4) << Joined(ravlcfg_get_warningmessages(handle));
  ravlcfg_set_lists(handle);
  EXPECT_EQ(ravlcfg_get_base(handle)->filmNames, "Maxsize,A4") << "the first topic of a name counts";
  EXPECT_EQ(ravlcfg_get_films(handle)[1]->verticalSize, 11693);
  EXPECT_EQ(ravlcfg_get_base(handle)->confNames, "maxsize A4");
  EXPECT_EQ(ravlcfg_get_base(handle)->usedConf, "maxsize");
  int any = ravlcfg_get_changed(handle, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(any, 0) << "repairs made while reading are not changes";
}

TEST_F(RavlcfgTest, ChangesAreWrittenAndReadBack) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);

  // As the creation from a PPD does it.
  ravlcfg_get_base(handle)->origin = "FROM_PPD_press";
  handle->CurrentFilm()->horizontalSize = 9000;
  ravlcfg_get_rec(handle)->maxWidth = 9000;
  for (double dpi : {1270.0, 2540.5}) {
    ResolutionEntry* entry = ravlcfg_add_resolution(handle, "set_0");
    ASSERT_NE(entry, nullptr);
    entry->dpi = dpi;
    entry->enabled = 1;
    entry->calibration = {0.0, 0.0, 1000.0, 1000.0};
  }
  ASSERT_EQ(ravlcfg_del_resolution(handle, "set_0", 2000.0), 1);

  // As the media, set and configuration editors do it.
  FilmRecord* letter = ravlcfg_add_film(handle);
  *letter = FilmRecord{"Letter 11\" x 8.5\"", 11000, 8500, 1, "11.0\" x 8.5\"", 0, ""};
  ResolutionSet* set = ravlcfg_get_new_set(handle, 1);
  set->name = "set_2";
  set->entries[0]->dpi = 3600;
  set->entries[0]->gamma = 40;
  ASSERT_EQ(ravlcfg_use_gamma(handle, "set_2", 3600, 1), 1);
  ConfigRecord* conf = ravlcfg_get_new_conf(handle);
  EXPECT_EQ(conf->film, "Maxsize") << "a new configuration starts as a copy of the first";
  EXPECT_EQ(conf->name, "");
  conf->name = "Letter";
  conf->film = letter->name;
  conf->set = "set_2";
  conf->output = "/out/letter";
  conf->TakeMediaValues(*letter);
  ASSERT_EQ(ravlcfg_set_used_conf(handle, "letter"), 1);
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));
  ASSERT_EQ(ravlcfg_release_writelock(handle), 1);

  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(ravlcfg_get_nr_warnings(handle), 0) << Joined(ravlcfg_get_warningmessages(handle));
  ravlcfg_set_lists(handle);
  EXPECT_EQ(*ravlcfg_get_base(handle), (BaseRecord{"Letter", "maxsize A4 Letter", 3, "Maxsize,A4,Letter 11\" x 8.5\"",
                                                   3, "set_0,set_1,set_2", 3, "FROM_PPD_press"}));
  EXPECT_EQ(ravlcfg_get_rec(handle)->maxWidth, 9000);
  EXPECT_EQ(ravlcfg_get_films(handle)[1]->horizontalSize, 9000) << "the media of the configuration in use";

  const ResolutionSet* set0 = ravlcfg_get_set(handle, "set_0");
  ASSERT_EQ(set0->Count(), 3);
  EXPECT_EQ(set0->Entry(0)->dpi, 2400);
  EXPECT_EQ(set0->Entry(0)->gamma, 55) << "untouched entries keep every value";
  EXPECT_THAT(set0->Entry(0)->calibration, ElementsAre(0.5, 0, 1000, 990));
  EXPECT_EQ(set0->Entry(1)->dpi, 1270);
  EXPECT_EQ(set0->Entry(2)->dpi, 2540.5);
  EXPECT_EQ(ravlcfg_exist_resolution(handle, "set_0", 2540.5), 1);
  EXPECT_EQ(ravlcfg_exist_resolution(handle, "set_0", 2000), 0);
  const ResolutionEntry& gamma = *ravlcfg_get_set(handle, "set_2")->Entry(0);
  EXPECT_EQ(gamma.dpi, 3600);
  EXPECT_EQ(gamma.gamma, 40);
  EXPECT_TRUE(gamma.useGamma);

  EXPECT_EQ(*ravlcfg_getresinfo(handle, "Letter"),
            (ConfigRecord{"Letter", "Letter 11\" x 8.5\"", "set_2", "/out/letter", 11000, 8500, 1, ""}));
  EXPECT_EQ(handle->CurrentFilm()->sizeText, "11.0\" x 8.5\"");

  // What the library does not own stays as it was.
  std::string config = ReadFile(configPath);
  EXPECT_THAT(config, HasSubstr("; RIP configurations\n[Main]\n"));
  EXPECT_THAT(config, HasSubstr("[PavoNet]\ncommandport=4100\nldir1=/var/rip/ldir1\nldir2=/var/rip/ldir2\n"));
  EXPECT_THAT(config, HasSubstr("rip_private=kept\n"));
}

TEST_F(RavlcfgTest, RenamesAndDeletionsReachTheFiles) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  // Two media swap their names; the configurations follow, as the media editor does it.
  FilmRecord* maxsize = handle->FindFilm("Maxsize");
  FilmRecord* a4 = handle->FindFilm("A4");
  maxsize->name = "A4";
  a4->name = "Maxsize";
  for (ConfigRecord* conf : ravlcfg_get_confs(handle)) conf->film = conf->film == "A4" ? "Maxsize" : "A4";
  // The configuration in use is renamed: it stays the one in use.
  ravlcfg_getresinfo(handle, "A4")->name = "A4_portrait";
  ASSERT_EQ(ravlcfg_set_used_conf(handle, "maxsize"), 1);
  ASSERT_EQ(ravlcfg_del_conf(handle, "A4_portrait"), 1);
  ASSERT_EQ(ravlcfg_del_set(handle, "set_1"), 1);
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));

  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(ravlcfg_get_nr_warnings(handle), 0) << Joined(ravlcfg_get_warningmessages(handle));
  ravlcfg_set_lists(handle);
  EXPECT_EQ(ravlcfg_get_base(handle)->confNames, "maxsize");
  EXPECT_EQ(ravlcfg_get_base(handle)->setNames, "set_0");
  EXPECT_EQ(ravlcfg_get_base(handle)->filmNames, "A4,Maxsize") << "renamed media keep their place";
  EXPECT_EQ(handle->FindFilm("A4")->verticalSize, 20000);
  EXPECT_EQ(handle->FindFilm("Maxsize")->verticalSize, 11693);
  EXPECT_EQ(ravlcfg_getresinfo(handle, "maxsize")->film, "A4");
  EXPECT_THAT(ReadFile(configPath), ::testing::Not(HasSubstr("[set_1]")));
}

TEST_F(RavlcfgTest, TheRenamedConfigurationInUseStaysInUse) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  ravlcfg_getresinfo(handle, "A4")->name = "A4_portrait";
  ravlcfg_set_lists(handle);
  EXPECT_EQ(ravlcfg_get_base(handle)->usedConf, "A4_portrait");
  EXPECT_EQ(ravlcfg_del_conf(handle, "A4_portrait"), 0);
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_base(handle)->usedConf, "A4_portrait");
  EXPECT_THAT(ReadFile(configPath), HasSubstr("[A4_portrait]\nname=A4_portrait\nfilm=A4\n"))
      << "the topic and its name item follow the rename";
}

TEST_F(RavlcfgTest, EntriesAndNamesAreWrittenInTheirListForm) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  ravlcfg_add_resolution(handle, "set_0")->dpi = 3600;
  ResolutionSet* set = ravlcfg_get_new_set(handle, 1);
  set->name = "set_2";
  ravlcfg_get_names(handle)[0]->name = "Standard";
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));

  std::string config = ReadFile(configPath);
  // Entries that did not change keep the form they were written in.
  EXPECT_THAT(config, HasSubstr("[set_0]\nname=set_0\nres1=2000,1,0,0,0.0,0.0,1000.0,1000.0\n"
                                "res2=2400, 1, 55, 1, 0.5, 0, 1000, 990\nres3=3600,1,0,0,0,0,1000,1000\n"));
  EXPECT_THAT(config, HasSubstr("sets=set_0 set_1 set_2\n"));
  EXPECT_THAT(config, HasSubstr("[set_2]\nname=set_2\nres1=2000,1,0,0,0,0,1000,1000\n"))
      << "a new set starts from the template entry";
  EXPECT_EQ(ReadFile(Data("data/zv_names.res")), "[Names]\nname1=Standard\nname2=PavoNet\n");
}

TEST_F(RavlcfgTest, RenumberedEntriesKeepTheirTextAndNewTopicsGetTheBlankLineBefore) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  ASSERT_EQ(ravlcfg_del_resolution(handle, "set_0", 2000.0), 1);
  ravlcfg_get_new_set(handle, 1)->name = "set_2";
  *ravlcfg_add_film(handle) = FilmRecord{"Letter", 11000, 8500, 1, "11.0\" x 8.5\"", 0, ""};
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));

  EXPECT_THAT(ReadFile(configPath), HasSubstr("[set_0]\nname=set_0\nres1=2400, 1, 55, 1, 0.5, 0, 1000, 990\n\n"
                                              "[set_1]\nname=set_1\nres1=1200,1,0,0,0,0,1000,1000\n\n"
                                              "[set_2]\nname=set_2\n"));
  EXPECT_THAT(ReadFile(Data("zv_film.res")), HasSubstr("curve=Plate DGC\n\n[Letter]\nvsize=11000\n"));
}

TEST_F(RavlcfgTest, RefusedDeletionsGiveTheirReasonAsFirstError) {
  ASSERT_NE(Open(), nullptr);
  struct Case {
    int result;
    const char* reason;
  };
  const Case cases[] = {
      {ravlcfg_del_conf(handle, "A4"), "A4 is the configuration in use"},
      {ravlcfg_del_conf(handle, "Letter"), "\"Letter\" does not exist"},
      {ravlcfg_del_film(handle, "a4"), "A4 is used by configuration A4"},
      {ravlcfg_del_set(handle, "set_0"), "set_0 is used by configuration maxsize"},
      {ravlcfg_del_resolution(handle, "set_1", 1200), "1200 dpi is the last resolution of set set_1"},
      {ravlcfg_del_resolution(handle, "set_1", 600), "set_1 holds no resolution of 600 dpi"},
      {ravlcfg_set_used_conf(handle, "ghost"), "\"ghost\" does not exist"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result, 0) << c.reason;
  }
  // Each refusal replaces the previous reason; only the last is left.
  ASSERT_EQ(ravlcfg_get_nr_errors(handle), 1);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("\"ghost\" does not exist"));
  EXPECT_EQ(ravlcfg_del_resolution(handle, "set_1", 1200), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr(cases[4].reason));

  // The last configuration, media and set cannot go either.
  ASSERT_EQ(ravlcfg_set_used_conf(handle, "maxsize"), 1);
  ASSERT_EQ(ravlcfg_del_conf(handle, "A4"), 1);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << "a granted deletion clears the reason";
  EXPECT_EQ(ravlcfg_del_conf(handle, "maxsize"), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("last configuration"));
  ASSERT_EQ(ravlcfg_del_film(handle, "A4"), 1);
  EXPECT_EQ(ravlcfg_del_film(handle, "Maxsize"), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("last media"));
  ASSERT_EQ(ravlcfg_del_set(handle, "set_1"), 1);
  EXPECT_EQ(ravlcfg_del_set(handle, "set_0"), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("last resolution set"));
}

TEST_F(RavlcfgTest, WriteReplacesOnlyChangedFilesAndLeavesNothingBehind) {
  auto before = Snapshot(dir.Path());
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);

  // Nothing changed: nothing is written. Setting the configuration in use again is no change.
  ASSERT_EQ(ravlcfg_set_used_conf(handle, "a4"), 1);
  ASSERT_EQ(ravlcfg_write(handle), 1);
  ravlcfg_release_writelock(handle);
  EXPECT_EQ(Snapshot(dir.Path()), before);

  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  handle->FindFilm("A4")->polarity = 1;
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));
  ravlcfg_release_writelock(handle);
  auto after = Snapshot(dir.Path());
  ASSERT_EQ(after.size(), before.size()) << "no temporary or lock file is left";
  for (const auto& [file, bytes] : before) {
    if (file == "Press/data/zv_film.res") {
      std::string expected = bytes;
      expected.replace(expected.rfind("polarity=0"), 10, "polarity=1");
      EXPECT_EQ(after[file], expected) << "only the changed item differs";
    } else {
      EXPECT_EQ(after[file], bytes) << file << " is untouched";
    }
  }
}

TEST_F(RavlcfgTest, WriteIsRefusedWithoutLockOrForRecordsThatCannotBeStored) {
  auto before = Snapshot(dir.Path());
  ASSERT_NE(Open(), nullptr);
  handle->FindFilm("A4")->polarity = 1;
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("not locked"));
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);

  ConfigRecord* unnamed = ravlcfg_get_new_conf(handle);
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(Joined(ravlcfg_get_errormessages(handle)), HasSubstr("configuration without a name"));
  unnamed->name = "Two words";
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(Joined(ravlcfg_get_errormessages(handle)), HasSubstr("holds a blank"));
  unnamed->name = "pavonet";
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(Joined(ravlcfg_get_errormessages(handle)),
              HasSubstr("the configuration \"pavonet\" and the topic \"PavoNet\" have the same name"));
  unnamed->name = "SET_0";
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(Joined(ravlcfg_get_errormessages(handle)),
              HasSubstr("the configuration \"SET_0\" and the resolution set \"set_0\""));
  ravlcfg_add_film(handle)->name = "a4";
  unnamed->name = "Letter";
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(Joined(ravlcfg_get_errormessages(handle)), HasSubstr("the media \"a4\" and the media \"A4\""));
  ravlcfg_release_writelock(handle);
  EXPECT_EQ(Snapshot(dir.Path()), before) << "a refused write writes nothing";
}

TEST_F(RavlcfgTest, WriteIsRefusedWhenAFileChangedOnDiskMeanwhile) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  WriteFile(Data("zv_film.res"), std::string(testing::kFilmRes) + "[B5]\nvsize=1\nhsize=1\n");
  handle->FindFilm("A4")->polarity = 1;
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("changed by another program"));
  EXPECT_THAT(ReadFile(Data("zv_film.res")), HasSubstr("[B5]"));
}

TEST_F(RavlcfgTest, WriteIsRefusedForAFileThatCouldNotBeRead) {
  std::remove(Data("zv_recorder.res").c_str());
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  ravlcfg_get_rec(handle)->maxWidth = 1;
  EXPECT_EQ(ravlcfg_write(handle), 0);
  EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("could not be read"));
  EXPECT_FALSE(FileExists(Data("zv_recorder.res")));
}

TEST_F(RavlcfgTest, GetChangedReportsWhatDiffersFromTheOpenedState) {
  ASSERT_NE(Open(), nullptr);
  int confs = -1, films = -1, sets = -1, names = -1;
  auto changed = [&] { return ravlcfg_get_changed(handle, &confs, &films, &sets, &names); };
  EXPECT_EQ(changed(), 0);
  EXPECT_EQ(confs + films + sets + names, 0);

  ravlcfg_set_used_conf(handle, "maxsize");
  EXPECT_EQ(changed(), 1);
  EXPECT_EQ(confs, 1);
  EXPECT_EQ(films + sets + names, 0);
  ravlcfg_set_used_conf(handle, "A4");
  EXPECT_EQ(changed(), 0) << "a change taken back is no change";

  ravlcfg_get_rec(handle)->perimeter = 1;
  EXPECT_EQ(changed(), 1);
  EXPECT_EQ(films, 1) << "recorder limits count as media";
  ravlcfg_get_rec(handle)->perimeter = 0;

  ravlcfg_use_gamma(handle, "set_0", 2000, 1);
  EXPECT_EQ(changed(), 1);
  EXPECT_EQ(sets, 1);
  EXPECT_EQ(confs + films + names, 0);

  ravlcfg_get_names(handle)[0]->name = "Standard";
  changed();
  EXPECT_EQ(names, 1);

  // Writing does not reset them: the dispatcher dialog asks after the General page wrote.
  ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(changed(), 1);
  EXPECT_EQ(sets, 1);
  EXPECT_EQ(names, 1);
}

TEST_F(RavlcfgTest, NamesBesideZvConfigServeWithAWarning) {
  std::rename(Data("data/zv_names.res").c_str(), Data("zv_names.res").c_str());
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
  EXPECT_EQ(ravlcfg_get_nrnames(handle), 2);
  EXPECT_THAT(Joined(ravlcfg_get_warningmessages(handle)), HasSubstr(Data("zv_names.res")));
}

}  // namespace
}  // namespace rvc::ripconfig
