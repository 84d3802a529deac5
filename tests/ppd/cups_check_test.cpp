// PPDs made from the sample installation's templates pass cupstestppd and load through
// the PPD interface of CUPS with the options the sections wrote. The device feature lists
// stay empty here (tests/ppd/driver_test.cpp fills them): the templates' own "none"
// choices keep those options valid.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/path.h"
#include "tests/ppd/ppd_test_support.h"
#include "tests/support/shell.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace rvc::ppd::test {
namespace {

struct Flavour {
  std::string key;
  std::string type;
  int portSeparator;
  ScreenMode mode;
  int maxWidth;
  int maxHeight;
  std::vector<std::string> configurations;
  std::vector<double> resolutions;
  std::vector<paper_struct> films;
};

// Close to what the driver gathers for each sample flavour's first dispatcher.
std::vector<Flavour> SampleFlavours() {
  return {
      {"Tiffmono",
       "Imagesetter_Film",
       0,
       ScreenMode::Binary,
       1008,
       1800,
       {"Standard", "maxsize"},
       {2000, 2400, 1200, 2540},
       {{"A4", 595, 841}, {"Letter", 612, 792}, {"14x20Inch", 1008, 1440}}},
      {"Proof",
       "Inkjet_Proof",
       0,
       ScreenMode::EightBitsPerSpot,
       1224,
       2880,
       {"Contract_720", "Contract_1440", "Draft_360"},
       {720, 1440, 360},
       {{"A4", 595, 841}, {"A3", 841, 1190}, {"17x22Inch", 1224, 1584}}},
      {"Dedezi",
       "Digital_Press",
       0,
       ScreenMode::EightBitsPerSpot,
       1031,
       1473,
       {"Standard"},
       {600, 1200},
       {{"SRA3_Sheet", 907, 1275}, {"A4_Sheet", 595, 841}}},
      {"Approval", "Generic", 0, ScreenMode::Binary, 936, 1440, {"Standard"}, {2400}, {{"A4", 595, 841}}},
  };
}

std::string TemplateOf(const std::string& key) {
  std::string lower = key;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return SourcePath("sample/prog/" + key + "/dat/templates/ppd/qb_" + lower + "_template.ppd");
}

class SampleTemplates : public PpdTest {
 protected:
  SampleTemplates() : sampleProgram_("KW_PROG_RAVLINCONFIG", SourcePath("sample/configurator")) {}

  // The PPD of `flavour` with every section this engine writes, in the driver's order.
  std::string Make(const Flavour& flavour) {
    CCreatePpd ppd;
    EXPECT_EQ(ppd.OpenFiles(TemplateOf(flavour.key), dir_ / flavour.key, flavour.type, flavour.key,
                            flavour.portSeparator, flavour.mode),
              -1)
        << "no PPD folder yet";
    std::filesystem::create_directories(dir_ / flavour.key);
    ui_.Clear();
    EXPECT_EQ(ppd.OpenFiles(TemplateOf(flavour.key), dir_ / flavour.key, flavour.type, flavour.key,
                            flavour.portSeparator, flavour.mode),
              1);
    EXPECT_EQ(ppd.AddNames(), 1);
    const int count = static_cast<int>(flavour.configurations.size());
    if (flavour.key == "Proof") {
      EXPECT_EQ(
          ppd.AddProofConfigurations(flavour.configurations[0], flavour.configurations, flavour.resolutions, count), 1);
    } else {
      EXPECT_EQ(ppd.AddConfigurationSets(flavour.configurations[0], flavour.configurations, count), 1);
      EXPECT_EQ(ppd.AddResolutionList(flavour.resolutions, 0), 1);
      EXPECT_EQ(ppd.AddHalftoneInformation(flavour.resolutions), 1);
    }
    EXPECT_EQ(ppd.AddPageSizes(flavour.maxWidth, flavour.maxHeight, flavour.films), 1);
    EXPECT_EQ(ppd.AddCustomPageSize(flavour.maxWidth, flavour.maxHeight), 1);
    if (flavour.key != "Proof") {
      EXPECT_EQ(ppd.AddScreeningInformation(flavour.resolutions), 1);
    }
    EXPECT_EQ(ppd.AddEndComments(), 1);
    EXPECT_EQ(ppd.Close(), 1);
    return ppd.PpdPath();
  }

  ScopedEnv sampleProgram_;
};

std::vector<std::string> Choices(ppd_file_t* ppd, const char* keyword) {
  std::vector<std::string> choices;
  if (ppd_option_t* option = ppdFindOption(ppd, keyword)) {
    for (int i = 0; i < option->num_choices; ++i) choices.emplace_back(option->choices[i].choice);
  }
  return choices;
}

TEST_F(SampleTemplates, PassCupstestppdWithoutFailure) {
  if (!rvc::test::Installed("cupstestppd")) GTEST_SKIP() << "cupstestppd is not installed (cups-client)";
  for (const Flavour& flavour : SampleFlavours()) {
    SCOPED_TRACE(flavour.key);
    // The sample's A4 and Letter films are named like papers of PpdInfo.dat.
    std::vector<std::string> films;
    for (const paper_struct& film : flavour.films) films.push_back(film.name);
    rvc::test::ExpectCupsAccepts(Make(flavour), flavour.type, films);
  }
}

TEST_F(SampleTemplates, LoadWithTheWrittenOptions) {
  for (const Flavour& flavour : SampleFlavours()) {
    SCOPED_TRACE(flavour.key);
    const std::string path = Make(flavour);
    std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(ppdOpenFile(path.c_str()), ppdClose);
    ASSERT_NE(ppd, nullptr) << ppdErrorString(ppdLastError(nullptr));

    EXPECT_STREQ(ppd->modelname,
                 ("ORVA-" + platform::ToUpperAscii(flavour.key) + "-" + platform::ToUpperAscii(flavour.type)).c_str());
    EXPECT_EQ(ppd->pcfilename, "QB" + platform::ToUpperAscii(flavour.key).substr(0, 3) + "0" +
                                   platform::ToUpperAscii(flavour.type).substr(0, 2) + ".PPD");

    std::vector<std::string> configurations;
    for (const std::string& name : flavour.configurations) configurations.push_back(CCreatePpd::OptionKey(name));
    EXPECT_EQ(Choices(ppd.get(), "QBConfiguration"), configurations);
    ppd_option_t* configuration = ppdFindOption(ppd.get(), "QBConfiguration");
    ASSERT_NE(configuration, nullptr);
    EXPECT_EQ(std::string(configuration->defchoice), flavour.configurations[0]);

    if (flavour.key != "Proof") {
      std::vector<std::string> resolutions;
      for (double r : flavour.resolutions) resolutions.push_back(std::to_string(static_cast<int>(r)) + "dpi");
      EXPECT_EQ(Choices(ppd.get(), "Resolution"), resolutions);
    }

    // Every fitting paper of PpdInfo.dat and of the films, each also transverse, and Max.
    const std::vector<std::string> sizes = Choices(ppd.get(), "PageSize");
    for (const std::string& name :
         {std::string("A4"), std::string("A4.Transverse"), std::string("Max"), std::string("Max.Transverse")}) {
      EXPECT_NE(std::find(sizes.begin(), sizes.end(), name), sizes.end()) << name;
    }
    for (const paper_struct& film : flavour.films) {
      EXPECT_NE(std::find(sizes.begin(), sizes.end(), film.name), sizes.end()) << film.name;
    }
    EXPECT_EQ(Choices(ppd.get(), "PageRegion"), sizes);
    ppd_size_t* max = ppdPageSize(ppd.get(), "Max");
    ASSERT_NE(max, nullptr);
    EXPECT_EQ(max->width, static_cast<float>(flavour.maxWidth));
    EXPECT_EQ(max->length, static_cast<float>(flavour.maxHeight));
    EXPECT_EQ(ppd->custom_max[0], static_cast<float>(flavour.maxWidth));
    EXPECT_EQ(ppd->custom_max[1], static_cast<float>(flavour.maxHeight));
  }
}

// Names the formats cannot take as they are: letters beyond ASCII, configuration names
// longer than a keyword, a long device type, no resolutions. Each PPD passes cupstestppd
// (but for the known findings) and CUPS reads the choices, defaults and texts meant.
TEST_F(SampleTemplates, AwkwardNamesStillGiveReadablePpds) {
  const std::string tail(39, 'c');  // two names that end alike beyond the keyword length
  const struct {
    Flavour flavour;
    std::string defaultKey;
    std::vector<std::string> configurationKeys;
    std::vector<std::pair<std::string, std::string>> paperTexts;  // keyword, text
  } cases[] = {
      {{"Tiffmono",
        "Imagesetter_Film",
        0,
        ScreenMode::Binary,
        1008,
        1800,
        {"Größe A4", "Grösse_A4", "Standard"},
        {2400},
        {{"GrößeA4", 595, 841, "Größe A4"}, {"GrösseA4", 595, 841, "Grösse A4"}, {"GrosseA4", 595, 841, ""}}},
       "Grosse_A4",
       {"Grosse_A4", "Grosse_A4_2", "Standard"},
       {{"GrosseA4_2", "Größe A4"}, {"GrosseA4_3", "Grösse A4"}, {"GrosseA4", "GrosseA4"}}},
      {{"Approval", "Generic", 0, ScreenMode::Binary, 936, 1440, {"Second_" + tail, "First_" + tail}, {2400}, {}},
       tail,
       {tail, tail.substr(1) + "_2"},
       {}},
      {{"Tiffmono", "Imagesetter_Film_Large", 0, ScreenMode::Binary, 1008, 1800, {"Standard"}, {2400}, {}},
       "Standard",
       {"Standard"},
       {}},
      {{"Approval", "Generic", 0, ScreenMode::Binary, 936, 1440, {"Standard"}, {}, {}}, "Standard", {"Standard"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flavour.type + " " + c.flavour.configurations[0]);
    std::filesystem::remove_all(dir_ / c.flavour.key);
    const std::string path = Make(c.flavour);
    if (rvc::test::Installed("cupstestppd")) rvc::test::ExpectCupsAccepts(path, c.flavour.type, {});
    std::unique_ptr<ppd_file_t, void (*)(ppd_file_t*)> ppd(ppdOpenFile(path.c_str()), ppdClose);
    ASSERT_NE(ppd, nullptr) << ppdErrorString(ppdLastError(nullptr));
    EXPECT_LE(std::string(ppd->shortnickname).size(), 31u) << ppd->shortnickname;
    EXPECT_EQ(Choices(ppd.get(), "QBConfiguration"), c.configurationKeys);
    ppd_option_t* configuration = ppdFindOption(ppd.get(), "QBConfiguration");
    ASSERT_NE(configuration, nullptr);
    EXPECT_EQ(std::string(configuration->defchoice), c.defaultKey);
    EXPECT_NE(ppdFindAttr(ppd.get(), "DefaultResolution", nullptr), nullptr);
    for (const auto& [key, text] : c.paperTexts) {
      ppd_choice_t* choice = ppdFindChoice(ppdFindOption(ppd.get(), "PageSize"), key.c_str());
      ASSERT_NE(choice, nullptr) << key;
      EXPECT_EQ(std::string(choice->text), text) << key;
    }
  }
}

}  // namespace
}  // namespace rvc::ppd::test

#pragma GCC diagnostic pop
