// CreatePpdForDispatcher on a laid-out copy of the sample installation: every dispatcher's
// PPD passes cupstestppd (but for the recorded fixed-format findings) and loads through
// CUPS with its options; the edge cases of the driver; the whole "ravlin.inf" of a sample
// dispatcher and the whole PPD of a proof dispatcher against golden files.
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/rvc_exception.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ppd/create_ppd_for_dispatcher.h"
#include "ppd/features/folder_listing.h"
#include "ppd/ppd_format.h"
#include "ripconfig/ravlcfg.h"
#include "store/dispatcher_list.h"
#include "store/resource_db.h"
#include "store/template_list.h"
#include "tests/ppd/sample_support.h"
#include "tests/support/shell.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace rvc::ppd::test {
namespace {

namespace fs = std::filesystem;

struct SampleDispatcher {
  store::DispatcherRecord record;
  std::string programFolder;  // with a trailing separator
  std::string dataFolder;     // with a trailing separator
  std::string PpdFolder() const { return dataFolder + record.Folder + "/ppd"; }
  std::string DataPath() const { return dataFolder + record.Folder + "/data"; }
};

// Every dispatcher of every flavour of the layout, as the flavours' lists give them.
std::vector<SampleDispatcher> SampleDispatchers(const SampleLayout& sample) {
  std::vector<SampleDispatcher> dispatchers;
  for (const char* key : {"Tiffmono", "Proof", "Dedezi", "Approval"}) {
    const std::string program = sample / ("prog/" + std::string(key) + "/");
    const std::string data = sample / ("data/" + std::string(key) + "/");
    const bool rebuild = !FileExists(platform::ResolveNoCase(program + "rvc2.cfg"));
    store::CTemplateList types(key, program + "rvc2.cfg", rebuild);
    store::CDispatcherList list(data + "rvc1.cfg", types, rebuild, key);
    for (int i = 0; i < list.GetCount(); ++i) dispatchers.push_back({list.GetAt(i).Record, program, data});
  }
  return dispatchers;
}

std::vector<std::string> Choices(ppd_file_t* ppd, const char* keyword) {
  std::vector<std::string> choices;
  if (ppd_option_t* option = ppdFindOption(ppd, keyword)) {
    for (int i = 0; i < option->num_choices; ++i) choices.emplace_back(option->choices[i].choice);
  }
  return choices;
}

std::string DefaultChoice(ppd_file_t* ppd, const char* keyword) {
  ppd_option_t* option = ppdFindOption(ppd, keyword);
  return option == nullptr ? "<no option>" : option->defchoice;
}

class DriverTest : public PpdTest {
 protected:
  // Generates the PPD of `dispatcher` with its configuration open.
  bool Create(const SampleDispatcher& dispatcher, std::string* extraLocation = nullptr) {
    ripconfig::RavlcfgHandle* cfg = ripconfig::ravlcfg_open(dispatcher.DataPath() + "/zv_config.res");
    EXPECT_NE(cfg, nullptr) << dispatcher.record.Name;
    // Closed also when the generation raises.
    std::unique_ptr<ripconfig::RavlcfgHandle*, void (*)(ripconfig::RavlcfgHandle**)> close(&cfg,
                                                                                           ripconfig::ravlcfg_close);
    return CreatePpdForDispatcher(dispatcher.record, dispatcher.programFolder, dispatcher.dataFolder, cfg, "10.1",
                                  "rvc.dat", extraLocation);
  }

  // The files of the dispatcher's PPD folder.
  static std::vector<std::string> PpdFolderFiles(const SampleDispatcher& dispatcher) {
    std::error_code error;
    return features::detail::MatchingFiles(dispatcher.PpdFolder(), "*", error);
  }

  // The one PPD of the dispatcher's PPD folder.
  static std::string PpdOf(const SampleDispatcher& dispatcher) {
    std::error_code error;
    const std::vector<std::string> ppds = features::detail::MatchingFiles(dispatcher.PpdFolder(), "*.ppd", error);
    EXPECT_EQ(ppds.size(), 1u) << dispatcher.record.Name;
    return ppds.empty() ? "" : dispatcher.PpdFolder() + "/" + ppds.front();
  }

  SampleDispatcher Find(const std::string& name) const {
    for (const SampleDispatcher& dispatcher : dispatchers_) {
      if (dispatcher.record.Name == name) return dispatcher;
    }
    ADD_FAILURE() << "no sample dispatcher " << name;
    return {};
  }

  // Sets an item of a resource file of the layout.
  void SetItem(const std::string& relative, const std::string& topic, const std::string& item,
               const std::string& value) const {
    store::ResourceDb db = store::ResourceDb::OpenOrThrow(sample_ / relative);
    db.Set(topic, item, value);
    db.Flush();
  }

  SampleLayout sample_;
  std::vector<SampleDispatcher> dispatchers_ = SampleDispatchers(sample_);
};

// What the PPD of a sample dispatcher must offer, read from its configuration.
struct Expected {
  std::string defaultConfiguration;
  std::vector<std::string> configurations;
  std::vector<std::string> resolutions;  // "2400dpi"
  std::vector<std::string> filmPapers;
  float maxWidth = 0, maxHeight = 0;
};

Expected ExpectedOf(const SampleDispatcher& dispatcher, const SampleLayout& sample) {
  Expected expected;
  ripconfig::RavlcfgHandle* cfg = ripconfig::ravlcfg_open(dispatcher.DataPath() + "/zv_config.res");
  if (platform::EqualsNoCase(dispatcher.record.Flavour, "proof")) {
    const store::ResourceDb proof = store::ResourceDb::OpenOrThrow(sample / "data/Proof/RavProofConfig/RAVConfig.cfg");
    for (int i = 0; i < proof.TopicCount(); ++i) expected.configurations.push_back(*proof.TopicAt(i));
    expected.defaultConfiguration = expected.configurations.at(0);
  } else {
    ripconfig::ravlcfg_set_lists(cfg);
    expected.defaultConfiguration = ripconfig::ravlcfg_get_base(cfg)->usedConf;
    std::istringstream names(ripconfig::ravlcfg_get_base(cfg)->confNames);
    for (std::string name; names >> name;) expected.configurations.push_back(name);
    for (const ripconfig::ResolutionSet* set : ripconfig::ravlcfg_get_sets(cfg)) {
      for (const auto& entry : set->entries) {
        const std::string text = std::to_string(static_cast<int>(entry->dpi)) + "dpi";
        if (std::find(expected.resolutions.begin(), expected.resolutions.end(), text) == expected.resolutions.end()) {
          expected.resolutions.push_back(text);
        }
      }
    }
  }
  for (const ripconfig::FilmRecord* film : ripconfig::ravlcfg_get_films(cfg)) {
    std::string paper;
    for (char c : film->name) {
      if (c != ' ' && c != '"') paper += c;
    }
    expected.filmPapers.push_back(film->name.find('"') == std::string::npos ? paper : paper + "Inch");
  }
  expected.maxWidth = static_cast<float>(ppd::detail::MilToPoints(ripconfig::ravlcfg_get_rec(cfg)->maxWidth));
  expected.maxHeight = static_cast<float>(ppd::detail::MilToPoints(ripconfig::ravlcfg_get_rec(cfg)->maxHeight));
  ripconfig::ravlcfg_close(&cfg);
  return expected;
}

using Strings = std::vector<std::string>;

TEST_F(DriverTest, EverySampleDispatcherGetsAPpdThatCupsAccepts) {
  ASSERT_EQ(dispatchers_.size(), 9u);
  const bool haveCupstestppd = rvc::test::Installed("cupstestppd");
  if (!haveCupstestppd) std::printf("cupstestppd is not installed (cups-client): only loading is checked\n");
  for (const SampleDispatcher& dispatcher : dispatchers_) {
    const store::DispatcherRecord& record = dispatcher.record;
    SCOPED_TRACE(record.Name);
    const bool proof = record.Flavour == "Proof";
    const bool eightBits = ReadScreenMode(dispatcher.DataPath()) == ScreenMode::EightBitsPerSpot;
    const Expected expected = ExpectedOf(dispatcher, sample_);
    sample_.ClearTraces();
    std::string copied = "stale";
    ASSERT_TRUE(Create(dispatcher, &copied));
    EXPECT_EQ(copied, "") << "no copy location in the sample";
    EXPECT_EQ(sample_.Traces(),
              (Strings{"Ppd file for " + record.Name + " is created at:" + dispatcher.PpdFolder(),
                       "Ravlin.inf file for Dispatcher" + record.Name + " is created at:" + dispatcher.PpdFolder()}));
    EXPECT_TRUE(ui_.Messages().empty());
    const std::string path = PpdOf(dispatcher);
    EXPECT_EQ(PpdFolderFiles(dispatcher), (Strings{".keep", fs::path(path).filename().string(), "ravlin.inf"}));

    if (haveCupstestppd) rvc::test::ExpectCupsAccepts(path, record.Type, expected.filmPapers);

    std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(ppdOpenFile(path.c_str()), ppdClose);
    ASSERT_NE(ppd, nullptr) << ppdErrorString(ppdLastError(nullptr));
    // Configurations and resolutions.
    Strings keys;
    for (const std::string& name : expected.configurations) keys.push_back(CCreatePpd::OptionKey(name));
    EXPECT_EQ(Choices(ppd.get(), "QBConfiguration"), keys);
    EXPECT_EQ(DefaultChoice(ppd.get(), "QBConfiguration"), expected.defaultConfiguration);
    EXPECT_EQ(Choices(ppd.get(), "Resolution"), expected.resolutions);
    // Page sizes: the films among them, the largest one from the recorder.
    const Strings sizes = Choices(ppd.get(), "PageSize");
    for (const std::string& film : expected.filmPapers) {
      EXPECT_NE(std::find(sizes.begin(), sizes.end(), film), sizes.end()) << film;
    }
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), "Max.Transverse"), sizes.end());
    EXPECT_EQ(Choices(ppd.get(), "PageRegion"), sizes);
    ppd_size_t* max = ppdPageSize(ppd.get(), "Max");
    ASSERT_NE(max, nullptr);
    EXPECT_EQ(max->width, expected.maxWidth);
    EXPECT_EQ(max->length, expected.maxHeight);
    EXPECT_EQ(ppd->custom_max[0], expected.maxWidth);
    EXPECT_EQ(ppd->custom_max[1], expected.maxHeight);
    EXPECT_EQ(ppd->modelname, "ORVA-" + platform::ToUpperAscii(record.Flavour + "-" + record.Type));
    // Screening: colour separations for every flavour but proof.
    int separations = 0;
    for (int i = 0; i < ppd->num_attrs; ++i) separations += std::string(ppd->attrs[i]->name) == "ColorSepScreenFreq";
    const int perResolution = eightBits ? 5 : 31 * 2 * 5;
    EXPECT_EQ(separations, proof ? 0 : perResolution * static_cast<int>(expected.resolutions.size()));
    EXPECT_EQ(ppdFindAttr(ppd.get(), "DefaultColorSep", nullptr) != nullptr, !proof);
    // Device features from the sample's components; the templates' own "none" first.
    EXPECT_EQ(Choices(ppd.get(), "QBDotShape"),
              eightBits ? Strings{"none"} : (Strings{"none", "Round", "Euclidean", "Elliptical", "Line_45"}));
    EXPECT_EQ(DefaultChoice(ppd.get(), "QBDotShape"), eightBits ? "none" : "Round");
    EXPECT_EQ(Choices(ppd.get(), "QBScreenFilter"), (Strings{"none", "Descreen", "Moire_Reduction", "Sharpen"}));
    EXPECT_EQ(Choices(ppd.get(), "QBGlobalDGC"), (Strings{"none", "Film_Linear", "Plate_DGC"}));
    EXPECT_EQ(Choices(ppd.get(), "QBPressDGC"), (Strings{"none", "Sheetfed_Coated", "Web_Newsprint"}));
    EXPECT_EQ(Choices(ppd.get(), "QBPlateSettings"),
              (Strings{"none", "Coated_Sheetfed.ini", "Newsprint_Uncoated.ini"}));
    const Strings profiles = proof ? Strings{"none", "ISOcoated_v2", "ISOuncoated", "Orva_Newsprint_Grey"} : Strings{};
    EXPECT_EQ(Choices(ppd.get(), "QBColorStrategy"),
              proof ? (Strings{"none", "Contract_Proof", "Newspaper_Simulation", "Perceptual"}) : Strings{});
    EXPECT_EQ(Choices(ppd.get(), "QBSrcProfile"), profiles);
    EXPECT_EQ(Choices(ppd.get(), "QBDstProfile"), profiles);
  }
}

TEST_F(DriverTest, FilmNamesAndTheLargestPaper) {
  const SampleDispatcher mono = Find("Mono");
  // A recorder of 40000 x 30000 mil; fractions of points are cut, not rounded.
  SetItem("data/Tiffmono/Tiffmono/data/zv_recorder.res", "Recorder", "maxwidth", "40000");
  SetItem("data/Tiffmono/Tiffmono/data/zv_recorder.res", "Recorder", "maxheight", "30000");
  // Inch marks: double quotes and blanks go, "Inch" is appended; a film without quotes
  // keeps its name. 13999 x 20013 mil are 1007.928 x 1440.936 points; whole inches stay
  // exact (14000 mil are 1008 points, not 1007.9999...).
  SetItem("data/Tiffmono/Tiffmono/data/zv_film.res", "Film 13.999\" wide", "vsize", "20013");
  SetItem("data/Tiffmono/Tiffmono/data/zv_film.res", "Film 13.999\" wide", "hsize", "13999");
  // Letters beyond ASCII: an ASCII keyword, the film's name as ISOLatin1 translation.
  SetItem("data/Tiffmono/Tiffmono/data/zv_film.res", "Größe A4", "vsize", "11693");
  SetItem("data/Tiffmono/Tiffmono/data/zv_film.res", "Größe A4", "hsize", "8268");
  ASSERT_TRUE(Create(mono));
  const std::string text = ReadFile(PpdOf(mono));
  for (const char* line :
       {"*MaxMediaWidth: \"2880.0\"\n", "*MaxMediaHeight: \"2160.0\"\n",
        "*ParamCustomPageSize Width: 1 points 1 2880\n",
        "*PageSize Max: \"<< /PageSize [2880 2160] /Orientation 0 >> setpagedevice\"\n",
        "*PageSize 14x20Inch: \"<< /PageSize [1008 1440] /Orientation 0 >> setpagedevice\"\n",
        "*PageSize Film13_999wideInch: \"<< /PageSize [1007 1440] /Orientation 0 >> setpagedevice\"\n",
        "*PageSize A4: \"<< /PageSize [595 841] /Orientation 0 >> setpagedevice\"\n",
        "*PageSize GrosseA4/Gr\xF6\xDF"
        "e A4: \"<< /PageSize [595 841] /Orientation 0 >> setpagedevice\"\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.find("A4Inch"), std::string::npos);
}

TEST_F(DriverTest, ResolutionsOfSeveralSetsOnce) {
  // 2400 dpi in both sets of Mono (set_0: 2000, 2400; set_1: 1200 and now 2400).
  SetItem("data/Tiffmono/Tiffmono/data/zv_config.res", "set_1", "res2", "2400,1,45,1,0.0,0.0,1000.0,1000.0");
  const SampleDispatcher mono = Find("Mono");
  ASSERT_TRUE(Create(mono));
  std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(ppdOpenFile(PpdOf(mono).c_str()), ppdClose);
  ASSERT_NE(ppd, nullptr);
  EXPECT_EQ(Choices(ppd.get(), "Resolution"), (Strings{"2000dpi", "2400dpi", "1200dpi"}));
  EXPECT_EQ(DefaultChoice(ppd.get(), "Resolution"), "2000dpi");
  const std::string text = ReadFile(PpdOf(mono));
  EXPECT_NE(text.find("*DefaultColorSep: ProcessBlack.150lpi.2000dpi.offset/150 lpi / offset2000\n"),
            std::string::npos);
  EXPECT_EQ(text.find("*ResScreenFreq 2540dpi"), std::string::npos);
}

TEST_F(DriverTest, ProofFlavourWithoutConfigurations) {
  const SampleDispatcher proofer = Find("Proofer");
  for (const bool fileExists : {true, false}) {
    SCOPED_TRACE(fileExists ? "no topics" : "no file");
    if (fileExists) {
      WriteFile(sample_ / "data/Proof/RavProofConfig/RAVConfig.cfg", "; no proof configurations yet\n");
    } else {
      fs::remove(sample_ / "data/Proof/RavProofConfig/RAVConfig.cfg");
    }
    sample_.ClearTraces();
    ASSERT_TRUE(Create(proofer));
    const std::string text = ReadFile(PpdOf(proofer));
    EXPECT_NE(text.find("*DefaultQBConfiguration: Unknown\n"
                        "*QBConfiguration Unknown: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /conf\n"
                        "(Unknown) >> >> >> setpagedevice } stopped cleartomark\"\n*End\n"),
              std::string::npos);
    EXPECT_EQ(
        sample_.Traces(),
        (Strings{"No Configuration found in RAVConfig.cfg", "Ppd file for Proofer is created at:" + proofer.PpdFolder(),
                 "Ravlin.inf file for DispatcherProofer is created at:" + proofer.PpdFolder()}));
    std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(ppdOpenFile(PpdOf(proofer).c_str()), ppdClose);
    ASSERT_NE(ppd, nullptr);
    EXPECT_EQ(Choices(ppd.get(), "QBConfiguration"), Strings{"Unknown"});
  }
}

TEST_F(DriverTest, Preferences) {
  const SampleDispatcher mono = Find("Mono");
  auto generate = [&] {
    sample_.ClearTraces();
    EXPECT_TRUE(Create(mono));
    std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(ppdOpenFile(PpdOf(mono).c_str()), ppdClose);
    EXPECT_NE(ppd, nullptr);
    return std::make_pair(Choices(ppd.get(), "QBGlobalDGC"), Choices(ppd.get(), "QBDotShape"));
  };
  const Strings curves = {"none", "Film_Linear", "Plate_DGC"};
  const Strings dots = {"none", "Round", "Euclidean", "Elliptical", "Line_45"};
  // Without the items (and with empty values) the defaults hold: curves, no job dot shape.
  {
    store::ResourceDb db = store::ResourceDb::OpenOrThrow(sample_ / "config/rvc.dat");
    db.RemoveItem("_internal_", "IncludeDGCInPPD");
    db.Set("_internal_", "IncludeDotJobInPPD", "");
    db.Flush();
  }
  EXPECT_EQ(generate(), std::make_pair(curves, dots));
  // No curves; the job's dot shape first.
  SetItem("config/rvc.dat", "_internal_", "IncludeDGCInPPD", "0");
  SetItem("config/rvc.dat", "_internal_", "IncludeDotJobInPPD", "1");
  Strings withJob = dots;
  withJob.insert(withJob.begin() + 1, "job");
  EXPECT_EQ(generate(), std::make_pair(Strings{"none"}, withJob));
  EXPECT_EQ(sample_.Traces().at(0), "DGC files are not added to PPD since 'IncludeDGC' flag is not set");
  EXPECT_EQ(sample_.Traces().at(1), "SCRDGC and ICPRO files are not added to PPD since 'IncludeDGC' flag is not set");
  // The preferences come from the catalogue named by the caller.
  fs::copy_file(sample_ / "config/rvc.dat", sample_ / "config/rvc_10.1.dat", fs::copy_options::overwrite_existing);
  SetItem("config/rvc.dat", "_internal_", "IncludeDGCInPPD", "1");
  ripconfig::RavlcfgHandle* cfg = ripconfig::ravlcfg_open(mono.DataPath() + "/zv_config.res");
  EXPECT_TRUE(CreatePpdForDispatcher(mono.record, mono.programFolder, mono.dataFolder, cfg, "10.1", "rvc_10.1.dat"));
  ripconfig::ravlcfg_close(&cfg);
  EXPECT_EQ(ReadFile(PpdOf(mono)).find("*QBGlobalDGC Plate_DGC"), std::string::npos);
}

TEST_F(DriverTest, CopyToTheExtraLocation) {
  const SampleDispatcher mono = Find("Mono");
  const std::string location = dir_ / "copies/ppd of mono";
  SetItem("config/rvc.dat", "_internal_", "ExtraPPDLocation", location);
  sample_.ClearTraces();
  std::string copied;
  ASSERT_TRUE(Create(mono, &copied));
  EXPECT_EQ(copied, location);
  const std::string name = fs::path(PpdOf(mono)).filename().string();
  std::error_code error;
  EXPECT_EQ(features::detail::MatchingFiles(location, "*", error), (Strings{".keep", name}));
  EXPECT_EQ(ReadFile(location + "/" + name), ReadFile(PpdOf(mono)));
  EXPECT_EQ(sample_.Traces(), (Strings{"Ppd file for Mono is created at:" + mono.PpdFolder(),
                                       "The created Ppd file for Mono is copied to: " + location,
                                       "Ravlin.inf file for DispatcherMono is created at:" + mono.PpdFolder()}));
  // The PPD folder itself as the location: nothing to copy, the PPD stays whole.
  const std::string ppd = ReadFile(PpdOf(mono));
  SetItem("config/rvc.dat", "_internal_", "ExtraPPDLocation", mono.PpdFolder() + "/");
  EXPECT_TRUE(Create(mono, &copied));
  EXPECT_EQ(copied, mono.PpdFolder() + "/");
  EXPECT_EQ(ReadFile(PpdOf(mono)), ppd);
  EXPECT_TRUE(ui_.Messages().empty());

  // A location that cannot be made is reported; the PPD stays made.
  WriteFile(dir_ / "file", "");
  SetItem("config/rvc.dat", "_internal_", "ExtraPPDLocation", dir_ / "file/sub");
  ui_.Clear();
  EXPECT_TRUE(Create(mono, &copied));
  EXPECT_EQ(copied, "");
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].title, "Error");
  EXPECT_TRUE(FileExists(mono.PpdFolder() + "/ravlin.inf"));
}

TEST_F(DriverTest, TemplateWithoutPlaceholders) {
  const std::string bare = "*PPD-Adobe: \"4.3\"\n*% A template without placeholders\n*FileVersion: \"1\"";
  WriteFile(sample_ / "bare.ppd", bare);
  SetItem("prog/Tiffmono/dat/types.dat", "Imagesetter_Film", "TemplatePPD", "%RAVLIN_SAMPLE_ROOT%\\bare.ppd");
  SetItem("prog/Proof/dat/types.dat", "Inkjet_Proof", "TemplatePPD", "%RAVLIN_SAMPLE_ROOT%\\bare.ppd");
  const auto missing = [](const std::string& what, const std::string& placeholder) {
    return what + ", as it can't find the place holder '" + placeholder + "' in the template.";
  };
  // Each flavour reports the placeholders of its own sections, then makes the bare PPD.
  const Strings common = {missing("Names are not added to PPD", "<Add Names>"),
                          missing("Dotshapes are not added to PPD", "<Add Dotshapes>"),
                          missing("Screen filter lists are not added to PPD", "<Add ScreenFilter>"),
                          missing("DGCs are not added to PPD", "<Add SimpleDGC>"),
                          missing("TRP files are not added to PPD", "<Add TRP>"),
                          missing("Configurations are not added to PPD", "<Add Configuration Sets>")};
  const Strings paper = {missing("Paper Dimensions are not added to PPD", "<Add PaperDimension>"),
                         missing("Custom page size is not added to PPD", "<Add CustomPageSize>")};
  const std::pair<const char*, Strings> rows[] = {
      {"Mono",
       {missing("Resolution list is not added to PPD", "<Add Resolution List>"),
        missing("Halftone information is not added to PPD", "<Add Halftone Information>"), paper[0], paper[1],
        missing("Screening information is not added to PPD", "<Add Screening information>")}},
      {"Proofer", {missing("Color strategies are not added to PPD", "<Add ColorStrategies>"), paper[0], paper[1]}},
  };
  for (const auto& [name, own] : rows) {
    SCOPED_TRACE(name);
    const SampleDispatcher dispatcher = Find(name);
    sample_.ClearTraces();
    ASSERT_TRUE(Create(dispatcher));
    EXPECT_EQ(ReadFile(PpdOf(dispatcher)), bare + "\n");
    Strings traces = common;
    traces.insert(traces.end(), own.begin(), own.end());
    traces.push_back("Ppd file for " + std::string(name) + " is created at:" + dispatcher.PpdFolder());
    traces.push_back("Ravlin.inf file for Dispatcher" + std::string(name) + " is created at:" + dispatcher.PpdFolder());
    EXPECT_EQ(sample_.Traces(), traces);
  }
}

TEST_F(DriverTest, NoPpdWithoutScreenModeOrTemplate) {
  const SampleDispatcher mono = Find("Mono");
  const Strings kStale{".keep", "notes.txt", "old.inf", "OLD.PPD"};
  auto stale = [&] {
    for (const char* file : {"OLD.PPD", "old.inf", "notes.txt"}) WriteFile(mono.PpdFolder() + "/" + file, "old");
  };
  // No ".fid": the PPD folder keeps its files.
  stale();
  fs::remove(mono.DataPath() + "/tiffmono.fid");
  sample_.ClearTraces();
  EXPECT_FALSE(Create(mono));
  EXPECT_EQ(PpdFolderFiles(mono), kStale);
  EXPECT_EQ(sample_.Traces(), Strings{"Ppd file for Mono is not created due to 'Unknown' screen mode"});

  // A type whose TemplatePPD is empty (the topic "All" counts only where the type has no
  // such item).
  WriteFile(mono.DataPath() + "/tiffmono.fid", "[BitsPerSpot]\nValue=1\n");
  SetItem("prog/Tiffmono/dat/types.dat", "Imagesetter_Film", "TemplatePPD", "");
  stale();
  sample_.ClearTraces();
  EXPECT_FALSE(Create(mono));
  EXPECT_EQ(PpdFolderFiles(mono), kStale);
  EXPECT_EQ(sample_.Traces(), Strings{"Ppd file for Mono is not created as there is no 'TemplatePPD' file is "
                                      "specified in 'types.dat' file "});
  {
    store::ResourceDb types = store::ResourceDb::OpenOrThrow(sample_ / "prog/Tiffmono/dat/types.dat");
    types.RemoveItem("Imagesetter_Film", "TemplatePPD");
    types.Flush();
  }
  // A new PPD replaces the PPD and INF files of other names.
  EXPECT_TRUE(Create(mono));
  EXPECT_EQ(PpdFolderFiles(mono), (Strings{".keep", "notes.txt", "QBTIFFMONO0_IMAGESETTER_FIL.PPD", "ravlin.inf"}));

  // A template that does not exist: the message of the engine, no PPD.
  SetItem("prog/Tiffmono/dat/types.dat", "All", "TemplatePPD", "%RAVLIN_SAMPLE_ROOT%\\missing.ppd");
  ui_.Clear();
  EXPECT_FALSE(Create(mono));
  EXPECT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(PpdFolderFiles(mono).size(), 4u);
}

// Inputs that cannot be read raise 109, a PPD that cannot be written 111; either way the
// PPD folder stays exactly as the last good generation left it.
TEST_F(DriverTest, UnreadableInputsAndFailedWritesKeepTheOldPpd) {
  const SampleDispatcher mono = Find("Mono");
  ASSERT_TRUE(Create(mono));
  const auto before = rvc::test::Snapshot(mono.PpdFolder());
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    int error;
  };
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const Case cases[] = {
      {"preferences elsewhere", [&] { ::setenv("KW_DATA_RAVLINCONFIG", (dir_ / "cfg").c_str(), 1); }, 109},
      {"no PpdInfo.dat", [&] { ::setenv("KW_PROG_RAVLINCONFIG", (dir_ / "nowhere").c_str(), 1); }, 109},
      {"a full disk",
       [&] {
         struct rlimit small = saved;
         small.rlim_cur = 4096;
         ::setrlimit(RLIMIT_FSIZE, &small);
       },
       111},
      {"no types.dat", [&] { fs::rename(sample_ / "prog/Tiffmono/dat/types.dat", dir_ / "types.dat"); }, 109},
  };
  auto handler = ::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv data("KW_DATA_RAVLINCONFIG", platform::GetEnv("KW_DATA_RAVLINCONFIG"));
    ScopedEnv program("KW_PROG_RAVLINCONFIG", platform::GetEnv("KW_PROG_RAVLINCONFIG"));
    c.breakIt();
    const CRvcException e = Raised([&] { Create(mono); });
    EXPECT_EQ(e.Id(), c.error) << e.Message();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(rvc::test::Snapshot(mono.PpdFolder()), before);
  }
  ::signal(SIGXFSZ, handler);
}

TEST_F(DriverTest, ScreenModeOfTheFidFile) {
  EXPECT_EQ(ReadScreenMode(Find("Mono").DataPath()), ScreenMode::Binary);
  EXPECT_EQ(ReadScreenMode(Find("Proofer").DataPath()), ScreenMode::EightBitsPerSpot);
  WriteFile(dir_ / "fid/b.fid", "[BitsPerSpot]\nValue=8\n");
  WriteFile(dir_ / "fid/A.FID", "[Screening]\nDefaultRuling=150\n");  // the first by name counts
  EXPECT_EQ(ReadScreenMode(dir_ / "fid"), ScreenMode::Binary);
  EXPECT_EQ(ReadScreenMode(dir_ / "no-fid"), ScreenMode::Unknown);
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(DriverTest, KdxTemplateFollowsTheRecorder) {
  SampleDispatcher mono = Find("Mono");
  mono.record.Flavour = "kdx";
  WriteFile(sample_ / "kdx/QB_CS_Template.ppd",
            "*% cs: drum with pixel clock\n*% <Add Resolution List>\n*% <Add PixelClock>\n*% <Add Perimeter>\n");
  WriteFile(sample_ / "kdx/qb_cf_template.ppd", "*% cf: flatbed\n*% <Add Resolution List>\n");
  SetItem("prog/Tiffmono/dat/types.dat", "Imagesetter_Film", "TemplatePPD",
          "%RAVLIN_SAMPLE_ROOT%\\kdx\\QB_CS_Template.ppd");
  auto make = [&](const std::string& pixelClock, const std::string& perimeter) {
    SetItem("data/Tiffmono/Tiffmono/data/zv_recorder.res", "Recorder", "pixelclock", pixelClock);
    SetItem("data/Tiffmono/Tiffmono/data/zv_recorder.res", "Recorder", "perimeter", perimeter);
    EXPECT_TRUE(Create(mono));
    EXPECT_EQ(fs::path(PpdOf(mono)).filename(), "QBKDX0_IMAGESETTER_FILM.PPD");
    return ReadFile(PpdOf(mono));
  };
  EXPECT_EQ(make("0", "0").rfind("*% cf: flatbed\n", 0), 0u);
  EXPECT_EQ(make("40", "31496").rfind("*% cf: flatbed\n", 0), 0u) << "a drum";
  const std::string drum = make("40", "0");
  EXPECT_EQ(drum.rfind("*% cs: drum with pixel clock\n", 0), 0u);
  EXPECT_NE(drum.find("*DefaultQBPixelClock: 40\n"), std::string::npos);
  EXPECT_NE(drum.find("*DefaultQBPerimeter: 0\n"), std::string::npos);
}

TEST_F(DriverTest, GoldenFilesOfSampleDispatchers) {
  const SampleDispatcher mono = Find("Mono");
  ASSERT_TRUE(Create(mono));
  ExpectGolden(ReadFile(mono.PpdFolder() + "/ravlin.inf"), "driver_mono_ravlin.inf");
  const SampleDispatcher proofer = Find("Proofer");
  ASSERT_TRUE(Create(proofer));
  ExpectGolden(ReadFile(PpdOf(proofer)), "driver_proofer.ppd");
}

}  // namespace
}  // namespace rvc::ppd::test

#pragma GCC diagnostic pop
