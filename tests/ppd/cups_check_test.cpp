// PPDs made from the sample installation's templates with names the formats cannot take
// as they are pass cupstestppd and load through the PPD interface of CUPS with the
// choices and texts meant. tests/ppd/driver_test.cpp checks the sample's own PPDs.
#include <filesystem>
#include <memory>

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
      {{"Tiffmono", "Imagesetter_Film", 0, ScreenMode::Binary, 1008, 1800, {"Größe A4", "Grösse_A4", "Standard"},
        {2400}, {{"GrößeA4", 595, 841, "Größe A4"}, {"GrösseA4", 595, 841, "Grösse A4"}, {"GrosseA4", 595, 841, ""}}},
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
