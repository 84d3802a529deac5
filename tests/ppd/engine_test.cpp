// The engine itself: PPD names, opening, the placeholder search and its return to the
// remembered positions, line breaks and long lines.
#include <filesystem>
#include <tuple>

#include "tests/ppd/ppd_test_support.h"

namespace rvc::ppd::test {
namespace {

using EngineTest = PpdTest;

struct Naming {
  std::string flavour;
  int portSeparator;
  std::string type;
  bool limit;
  std::string longName;
  std::string shortName;
  std::string prefix;
};

TEST_F(EngineTest, NamesThePpdAfterFlavourPortSeparatorAndType) {
  const std::vector<Naming> cases = {
      {"Ravlin", 3, "Generic", false, "QBRAVLIN3_GENERIC", "QBRAV3GE", "RAVLIN"},
      // Leading blanks go, inner blanks stay.
      {"  ravlin", 3, " generic plate", false, "QBRAVLIN3_GENERIC PLATE", "QBRAV3GE", "RAVLIN"},
      // 27 characters at most: the type is cut.
      {"Tiffmono", 0, "Imagesetter_Film", false, "QBTIFFMONO0_IMAGESETTER_FIL", "QBTIF0IM", "TIFFMONO"},
      // Exactly 27 with the whole type.
      {"Tiffmono", 0, "Imagesetter_Fil", false, "QBTIFFMONO0_IMAGESETTER_FIL", "QBTIF0IM", "TIFFMONO"},
      // A flavour that leaves no room: no type at all.
      {"AVeryLongFlavourNameOfTwentyFive", 1, "Generic", false, "QBAVERYLONGFLAVOURNAMEOFTWENTYFIVE1_", "QBAVE1GE",
       "AVERYLONGFLAVOURNAMEOFTWENTYFIVE"},
      {"", 3, "Generic", false, "QBGENERIC", "QBGENERI", ""},
      {"Ab", 3, "Generic", false, "QBAB3_GENERIC", "QBAB3GEN", "AB"},
      // Limited names: the long name keeps to eight characters and *PCFileName names it.
      {"Ravlin", 3, "Generic", true, "QBRAV3GE", "QBRAV3GE", "RAV"},
      {"", 3, "Generic", true, "QBGENERI", "QBGENERI", ""},
      {"Ravlin", 1234, "Generic", true, "QBRAV1234", "QBRAV123", "RAV"},
  };
  WriteFile(dir_ / "template.ppd", "<Add Names>\n");
  for (const Naming& c : cases) {
    SCOPED_TRACE(c.flavour + "/" + c.type + (c.limit ? " limited" : ""));
    ScopedEnv limit("RVC_PPD_LIMITNAME", c.limit ? std::optional<std::string>("1") : std::nullopt);
    CCreatePpd ppd;
    ASSERT_EQ(
        ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", c.type, c.flavour, c.portSeparator, ScreenMode::Binary), 1);
    EXPECT_EQ(ppd.LongName(), c.longName);
    EXPECT_EQ(ppd.ShortName(), c.shortName);
    EXPECT_EQ(ppd.FlavourPrefix(), c.prefix);
    EXPECT_EQ(ppd.PpdPath(), dir_ / ("ppd/" + c.longName + ".PPD"));
    EXPECT_EQ(ppd.AddNames(), 1);
    ppd.Close();
    const std::string text = ReadFile(ppd.PpdPath());
    EXPECT_EQ(text.substr(0, text.find('\n')), "*PCFileName: \"" + c.shortName + ".PPD\"");
  }
  // An empty value counts as absent.
  ScopedEnv limit("RVC_PPD_LIMITNAME", "");
  CCreatePpd ppd;
  ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary);
  EXPECT_EQ(ppd.LongName(), "QBRAVLIN3_GENERIC");
}

TEST_F(EngineTest, FailedOpensLeaveNoFileOpenAndSayWhy) {
  WriteFile(dir_ / "template.ppd", "<Add Names>\n");
  {
    CCreatePpd ppd;
    EXPECT_EQ(ppd.OpenFiles("", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), -1);
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"No Template Ppd file is specified."});
    EXPECT_FALSE(rvc::test::FileExists(ppd.PpdPath()));
    // Sections of a failed open find nothing.
    EXPECT_EQ(ppd.AddNames(), -1);
    EXPECT_EQ(ppd.Close(), 1);
  }
  // A missing template or PPD folder: the message names the path not found.
  const std::tuple<std::string, std::string, std::string> missing[] = {
      {dir_ / "missing.ppd", dir_ / "ppd", dir_ / "missing.ppd"},
      {dir_ / "template.ppd", dir_ / "no/folder", dir_ / "no/folder/QBRAVLIN3_GENERIC.PPD"},
  };
  for (const auto& [templatePath, folder, notFound] : missing) {
    SCOPED_TRACE(notFound);
    ui_.Clear();
    CCreatePpd ppd;
    EXPECT_EQ(ppd.OpenFiles(templatePath, folder, "Generic", "Ravlin", 3, ScreenMode::Binary), -1);
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].text, "No such file or directory: " + notFound);
    EXPECT_FALSE(rvc::test::FileExists(ppd.PpdPath()));
  }
  EXPECT_EQ(TraceLines(),
            (std::vector<std::string>{"No Template Ppd file is specified.",
                                      "Names are not added to PPD, as it can't find the place holder "
                                      "'<Add Names>' in the template.",
                                      "Template Ppd file could not be opend.", "New Ppd file could not be opend."}));
}

TEST_F(EngineTest, FindsTemplateAndFolderIgnoringCaseAndBackslashes) {
  WriteFile(dir_ / "Templates/Qb_Template.PPD", "<Add Names>\n");
  std::filesystem::create_directories(dir_ / "Out/Ppd");
  CCreatePpd ppd;
  std::string templatePath = dir_ / "templates\\qb_template.ppd";
  ASSERT_EQ(ppd.OpenFiles(templatePath, dir_ / "out\\ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), 1);
  EXPECT_EQ(ppd.PpdPath(), dir_ / "Out/Ppd/QBRAVLIN3_GENERIC.PPD");
}

TEST_F(EngineTest, PlaceholderLineIsReplacedWholeAndTheRestCopied) {
  const std::string ppd = Generate("*PPD-Adobe: \"4.3\"\n*% text before <Add Names> and after\n*Product: \"(x)\"\n",
                                   [](CCreatePpd& p) { EXPECT_EQ(p.AddNames(), 1); });
  // The rest of the template is not copied before the end comments.
  EXPECT_EQ(ppd,
            "*PPD-Adobe: \"4.3\"\n"
            "*PCFileName: \"QBRAV3GE.PPD\"\n"
            "*LanguageEncoding: ISOLatin1\n"
            "*LanguageVersion: English\n"
            "*Manufacturer: \"ORVA\"\n"
            "*ModelName: \"ORVA-RAVLIN-GENERIC\"\n"
            "*ShortNickName: \"ORVA-RAVLIN-GENERIC\"\n"
            "*NickName: \"ORVA-RAVLIN-GENERIC\"\n");
  EXPECT_TRUE(TraceLines().empty());

  // Placeholders are case-sensitive.
  EXPECT_EQ(Generate("a\n<add names>\nb\n",
                     [](CCreatePpd& p) {
                       EXPECT_EQ(p.AddNames(), -1);
                       p.AddEndComments();
                     }),
            "a\n<add names>\nb\n");
}

TEST_F(EngineTest, MissingPlaceholderReturnsBothFilesToWhereTheSectionStarted) {
  const std::string ppd =
      Generate("head\n<Add Names>\nmiddle 1\nmiddle 2\n<Add CustomPageSize>\ntail\n<Add End Comments>\nafter the end\n",
               [](CCreatePpd& p) {
                 EXPECT_EQ(p.AddNames(), 1);
                 EXPECT_EQ(p.AddConfigurationSets("Standard", {"Standard"}, 1), -1);
                 EXPECT_EQ(p.AddResolutionList({2400}, 0), -1);
                 EXPECT_EQ(p.AddCustomPageSize(1000, 2000), 1);
                 EXPECT_EQ(p.AddEndComments(), 1);
               });
  EXPECT_EQ(MaskDate(ppd.substr(ppd.find("middle 1"))),
            "middle 1\nmiddle 2\n"
            "*ParamCustomPageSize Width: 1 points 1 1000\n"
            "*ParamCustomPageSize Height: 2 points 1 2000\n"
            "*ParamCustomPageSize WidthOffset/Margins: 3 points 0 0\n"
            "*ParamCustomPageSize HeightOffset: 4 points 0 0\n"
            "*ParamCustomPageSize Orientation: 5 int 0 1\n"
            "*MaxMediaWidth: \"1000.0\"\n"
            "*MaxMediaHeight: \"2000.0\"\n"
            "tail\n"
            "*%\n"
            "*% End of Orva QBRAVLIN3_GENERIC PPD file\n"
            "*% Last update : <date>\n"
            "*% Created by:RavlinConfigurator 10.1\n"
            "*%\n");
  EXPECT_EQ(TraceLines(),
            (std::vector<std::string>{
                "Configurations are not added to PPD, as it can't find the place holder '<Add Configuration Sets>' "
                "in the template.",
                "Resolution list is not added to PPD, as it can't find the place holder '<Add Resolution List>' in "
                "the template."}));
}

TEST_F(EngineTest, PlaceholderStandingTooEarlyIsCopiedAndItsSectionSkipped) {
  const std::string ppd = Generate("<Add Resolution List>\n<Add Configuration Sets>\nend\n", [](CCreatePpd& p) {
    EXPECT_EQ(p.AddConfigurationSets("Standard", {"Standard"}, 1), 1);
    EXPECT_EQ(p.AddResolutionList({2400}, 0), -1);
    p.AddEndComments();
  });
  EXPECT_EQ(MaskDate(ppd.substr(0, ppd.find("*%\n"))),
            "<Add Resolution List>\n"
            "*DefaultQBConfiguration: Standard\n"
            "*QBConfiguration Standard: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /conf\n"
            "(Standard) >> >> >> setpagedevice } stopped cleartomark\"\n"
            "*End\n"
            "end\n");
  EXPECT_EQ(TraceLines().size(), 1u);
}

// Every section of the engine in the driver's order, as for a binary-screening
// dispatcher; the pixel clock section stops before the perimeter.
void RunAllSections(CCreatePpd& p) {
  EXPECT_EQ(p.AddNames(), -1);
  EXPECT_EQ(p.AddConfigurationSets("Standard", {"Standard"}, 1), -1);
  EXPECT_EQ(p.AddResolutionList({2400}, 0), -1);
  EXPECT_EQ(p.AddPixelClockAndPerimeter(40, 40000), -1);
  EXPECT_EQ(p.AddHalftoneInformation({2400}), -1);
  EXPECT_EQ(p.AddPageSizes(1000, 1000, {}), -1);
  EXPECT_EQ(p.AddCustomPageSize(1000, 1000), -1);
  EXPECT_EQ(p.AddScreeningInformation({2400}), -1);
  EXPECT_EQ(p.AddEndComments(), 1);
}

TEST_F(EngineTest, TemplateWithoutPlaceholdersIsCopiedExactlyWithOneTracePerSection) {
  const std::string sample = ReadFile(SourcePath("sample/ppds/OrvaTiffsetter.ppd"));
  ASSERT_FALSE(sample.empty());
  EXPECT_EQ(Generate(sample, RunAllSections), sample);
  EXPECT_EQ(TraceLines(),
            (std::vector<std::string>{
                "Names are not added to PPD, as it can't find the place holder '<Add Names>' in the template.",
                "Configurations are not added to PPD, as it can't find the place holder '<Add Configuration Sets>' "
                "in the template.",
                "Resolution list is not added to PPD, as it can't find the place holder '<Add Resolution List>' in "
                "the template.",
                "Pixel Clock is not added to PPD, as it can't find the place holder '<Add PixelClock>' in the "
                "template.",
                "Halftone information is not added to PPD, as it can't find the place holder '<Add Halftone "
                "Information>' in the template.",
                "Paper Dimensions are not added to PPD, as it can't find the place holder '<Add PaperDimension>' in "
                "the template.",
                "Custom page size is not added to PPD, as it can't find the place holder '<Add CustomPageSize>' in "
                "the template.",
                "Screening information is not added to PPD, as it can't find the place holder '<Add Screening "
                "information>' in the template."}));
}

TEST_F(EngineTest, CrLfTemplateGivesCrLfLinesAndAnUnterminatedLastLineGetsABreak) {
  const std::string ppd = Generate("*PPD-Adobe: \"4.3\"\r\n<Add Names>\r\n*% last", [](CCreatePpd& p) {
    p.AddNames();
    p.AddEndComments();
  });
  EXPECT_EQ(ppd.substr(0, ppd.find("*LanguageVersion")),
            "*PPD-Adobe: \"4.3\"\r\n*PCFileName: \"QBRAV3GE.PPD\"\r\n*LanguageEncoding: ISOLatin1\r\n");
  EXPECT_EQ(ppd.substr(ppd.find("*% last")), "*% last\n");

  EXPECT_EQ(Generate("no break at the end", [](CCreatePpd& p) { p.AddEndComments(); }), "no break at the end\n");
  EXPECT_EQ(Generate("", RunAllSections), "");
}

TEST_F(EngineTest, LongLinesAndLargeTemplatesSurviveTheReturnToAMark) {
  // Lines longer than any buffer, and a template long enough that a failed search has
  // already written part of its copy to disk before it is taken back.
  const std::string longLine = "*% " + std::string(200000, 'x');
  std::string filler;
  for (int i = 0; i < 20000; ++i) filler += "*% filler line " + std::to_string(i) + "\n";
  const std::string templateText = longLine + "\n<Add Names>\n" + longLine + "\n" + filler + "<Add CustomPageSize>\n" +
                                   longLine + "<Add End Comments>\n";
  const std::string ppd = Generate(templateText, [](CCreatePpd& p) {
    EXPECT_EQ(p.AddNames(), 1);
    EXPECT_EQ(p.AddConfigurationSets("Standard", {"Standard"}, 1), -1);
    EXPECT_EQ(p.AddCustomPageSize(10, 20), 1);
    EXPECT_EQ(p.AddScreeningInformation({2400}), -1);
    EXPECT_EQ(p.AddEndComments(), 1);
  });
  const std::string names = ppd.substr(longLine.size() + 1, ppd.find(longLine, 1) - longLine.size() - 1);
  EXPECT_EQ(names.substr(0, names.find('\n')), "*PCFileName: \"QBRAV3GE.PPD\"");
  const std::string custom = "*ParamCustomPageSize Width: 1 points 1 10\n";
  const size_t at = ppd.find(custom);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(ppd.substr(at - filler.size() - longLine.size() - 1, longLine.size() + 1 + filler.size()),
            longLine + "\n" + filler);
  const std::string end = ppd.substr(ppd.find("*MaxMediaHeight"));
  EXPECT_EQ(MaskDate(end.substr(end.find('\n') + 1)),
            "*%\n*% End of Orva QBRAVLIN3_GENERIC PPD file\n*% Last update : <date>\n"
            "*% Created by:RavlinConfigurator 10.1\n*%\n");
}

TEST_F(EngineTest, EndCommentsEndThePpdAtTheirPlaceholder) {
  CCreatePpd ppd("11.0");
  WriteFile(dir_ / "template.ppd", "a\n<Add End Comments>\nb\n");
  ASSERT_EQ(ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), 1);
  EXPECT_EQ(ppd.AddEndComments(), 1);
  ppd.Close();
  const std::string text = ReadFile(ppd.PpdPath());
  EXPECT_NE(text.find("*% Created by:RavlinConfigurator 11.0\n*%\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 3), "*%\n") << "nothing after the placeholder";
  EXPECT_TRUE(TraceLines().empty());

  // Without the placeholder the rest is copied, untraced.
  EXPECT_EQ(Generate("a\nb\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddEndComments(), 1); }), "a\nb\n");
  EXPECT_TRUE(TraceLines().empty());
}

TEST_F(EngineTest, OptionKeysAndPaperNames) {
  const std::string name45 = "Proof configuration for the glossy paper 2024";
  ASSERT_EQ(name45.size(), 45u);
  EXPECT_EQ(CCreatePpd::OptionKey(name45), "configuration_for_the_glossy_paper_2024");
  const std::string name40(40, 'n');
  EXPECT_EQ(CCreatePpd::OptionKey(name40), name40);
  EXPECT_EQ(CCreatePpd::OptionKey(std::string(41, 'n')), std::string(39, 'n'));
  EXPECT_EQ(CCreatePpd::OptionKey("Dot gain 10 %"), "Dot_gain_10_%");

  EXPECT_EQ(CCreatePpd::PaperName("A4"), "A4");
  EXPECT_EQ(CCreatePpd::PaperName("Ver. 2:B x"), "Ver__2_B_x");
  EXPECT_EQ(CCreatePpd::PaperName(std::string(28, 'p')), std::string(28, 'p'));
  EXPECT_EQ(CCreatePpd::PaperName("12345" + std::string(27, 'p') + ".q"), std::string(26, 'p') + "_q");
}

}  // namespace
}  // namespace rvc::ppd::test
