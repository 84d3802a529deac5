// The exact lines of each section, against golden files in tests/ppd/golden/.
#include <filesystem>

#include "core/rvc_exception.h"
#include "tests/ppd/ppd_test_support.h"

namespace rvc::ppd::test {
namespace {

class SectionTest : public PpdTest {
 protected:
  // The PPD of a template that holds `placeholders` between two lines of its own, after
  // `writer` (and the end comments, which copy the rest).
  std::string Section(const std::string& placeholders, const std::function<void(CCreatePpd&)>& writer,
                      ScreenMode mode = ScreenMode::Binary) {
    return Generate(
        "*% before\n" + placeholders + "*% after\n",
        [&](CCreatePpd& p) {
          writer(p);
          p.AddEndComments();
        },
        mode);
  }
};

TEST_F(SectionTest, Names) {
  ExpectGolden(Section("*% <Add Names>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddNames(), 1); }), "names.ppd");
  // The short nickname keeps within 31 characters: the type gives way.
  WriteFile(dir_ / "template.ppd", "<Add Names>\n");
  CCreatePpd long_type;
  long_type.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Platesetter with a long type name", "Ravlin", 3,
                      ScreenMode::Binary);
  long_type.AddNames();
  long_type.Close();
  const std::string text = ReadFile(long_type.PpdPath());
  EXPECT_NE(text.find("*ModelName: \"ORVA-RAVLIN-PLATESETTER WITH A LONG TYPE NAME\"\n"), std::string::npos);
  EXPECT_NE(text.find("*ShortNickName: \"ORVA-RAVLIN-PLATESETTER WITH A\"\n"), std::string::npos);
  EXPECT_NE(text.find("*NickName: \"ORVA-RAVLIN-PLATESETTER WITH A LONG TYPE NAME\"\n"), std::string::npos);
}

TEST_F(SectionTest, ConfigurationSets) {
  const std::vector<std::string> names = {"Standard", "max size", "Proof configuration for the glossy paper 2024",
                                          std::string(40, 'c')};
  ExpectGolden(Section("<Add Configuration Sets>\n",
                       [&](CCreatePpd& p) { EXPECT_EQ(p.AddConfigurationSets("max size", names, 4), 1); }),
               "configurations.ppd");
  // No configurations: "Unknown", whatever the names and default.
  const std::string none = Section("<Add Configuration Sets>\n",
                                   [&](CCreatePpd& p) { EXPECT_EQ(p.AddConfigurationSets("Standard", names, 0), 1); });
  ExpectGolden(none, "configurations_none.ppd");
  EXPECT_EQ(
      Section("<Add Configuration Sets>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddConfigurationSets("", {}, -1), 1); }),
      none);
}

TEST_F(SectionTest, ProofConfigurations) {
  ExpectGolden(Section("<Add Configuration Sets>\n",
                       [](CCreatePpd& p) {
                         EXPECT_EQ(p.AddProofConfigurations("Contract_720", {"Contract_720", "Contract 1440", "Draft"},
                                                            {720, 1440, 360.5}, 3),
                                   1);
                       }),
               "proof_configurations.ppd");
  ExpectGolden(Section("<Add Configuration Sets>\n",
                       [](CCreatePpd& p) { EXPECT_EQ(p.AddProofConfigurations("", {}, {}, 0), 1); }),
               "proof_configurations_none.ppd");
}

TEST_F(SectionTest, ResolutionList) {
  ExpectGolden(Section("<Add Resolution List>\n",
                       [](CCreatePpd& p) {
                         EXPECT_EQ(p.AddResolutionList({1200, 2540.5, 2400}, 1), 1);
                       }),
               "resolutions.ppd");
  auto defaultLine = [&](const std::vector<double>& resolutions, int index) {
    const std::string ppd =
        Generate("<Add Resolution List>\n", [&](CCreatePpd& p) { p.AddResolutionList(resolutions, index); });
    return ppd.substr(0, ppd.find('\n'));
  };
  // A default whose integer part is 0, or outside the list, falls back to the first.
  EXPECT_EQ(defaultLine({1200, 0.5}, 1), "*DefaultResolution: 1200dpi");
  EXPECT_EQ(defaultLine({1200, 2400}, 2), "*DefaultResolution: 1200dpi");
  EXPECT_EQ(defaultLine({1200, 2400}, -1), "*DefaultResolution: 1200dpi");
  // Nothing to list: the default alone, "Unknown".
  EXPECT_EQ(Generate("a\n<Add Resolution List>\nb\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddResolutionList({}, 0), 1); }),
            "a\n*DefaultResolution: Unknown\n");
}

TEST_F(SectionTest, PixelClockAndPerimeter) {
  ExpectGolden(Section("<Add PixelClock>\n*% between\n<Add Perimeter>\n",
                       [](CCreatePpd& p) { EXPECT_EQ(p.AddPixelClockAndPerimeter(40, 12345), 1); }),
               "pixel_clock.ppd");
  // Without the perimeter's placeholder the pixel clock stays and the rest is kept.
  const std::string ppd = Generate("<Add PixelClock>\nrest\n<Add End Comments>\n", [](CCreatePpd& p) {
    EXPECT_EQ(p.AddPixelClockAndPerimeter(0, 0), -1);
    EXPECT_EQ(p.AddNames(), -1);
  });
  EXPECT_EQ(ppd,
            "*DefaultQBPixelClock: 0\n"
            "*QBPixelClock 0: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /pixelclock 0 >> >> >> "
            "setpagedevice } stopped cleartomark\"\n"
            "*End\n");
  EXPECT_EQ(TraceLines().front(),
            "Perimeter is not added to PPD, as it can't find the place holder '<Add Perimeter>' in the template.");
}

const char* kPaperTemplate =
    "*OpenUI *PageSize: PickOne\n"
    "*% <Add PageSize setup>\n"
    "*CloseUI: *PageSize\n"
    "*?PageSize: \"\n"
    "<<\n"
    "<Add PageSize>\n"
    "<Add PageSize Transverse>\n"
    ">>\n"
    "\"\n"
    "*End\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*% <Add PageRegion>\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: Max\n"
    "*% <Add ImageableArea>\n"
    "*DefaultPaperDimension: Max\n"
    "*% <Add PaperDimension>\n"
    "*% after the papers\n"
    "<Add CustomPageSize>\n"
    "*% after the custom size\n"
    "<Add End Comments>\n";

TEST_F(SectionTest, PageSizes) {
  // PpdInfo.dat of the test: "Exact" fits 600 x 800 exactly, "Wider" and "Higher" by one
  // point not; films follow the papers, their names through the paper name rule.
  const std::vector<paper_struct> films = {{"14x20Inch", 500, 700}, {"Film: 1.5 mm", 100, 100}, {"Too high", 10, 900}};
  ExpectGolden(Generate(kPaperTemplate,
                        [&](CCreatePpd& p) {
                          EXPECT_EQ(p.AddPageSizes(600, 800, films), 1);
                          EXPECT_EQ(p.AddCustomPageSize(600, 800), 1);
                          p.AddEndComments();
                        }),
               "page_sizes.ppd");

  // The older spelling of the transverse placeholder works the same.
  std::string older = kPaperTemplate;
  older.replace(older.find("Transverse>"), 11, "Tarnsverse>");
  EXPECT_EQ(Generate(older, [&](CCreatePpd& p) { p.AddPageSizes(600, 800, films); }),
            Generate(kPaperTemplate, [&](CCreatePpd& p) { p.AddPageSizes(600, 800, films); }));
}

TEST_F(SectionTest, PaperSizesOfPpdInfo) {
  CCreatePpd ppd;
  WriteFile(dir_ / "template.ppd", "<Add PaperDimension>\n");
  ASSERT_EQ(ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), 1);
  ppd.AddPageSizes(0, 0, {{"Film", 1, 2}});
  std::vector<std::string> listed;
  for (const paper_struct& paper : ppd.Papers()) {
    listed.push_back(paper.name + " " + std::to_string(paper.width) + " " + std::to_string(paper.height));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"Exact 600 800", "Wider 601 800", "Higher 600 801",
                                              "ame_Longer_Than_Twenty-Eight 100 200", "Ver__2_B 300 400",
                                              // A small x does not split: the width reads as 0.
                                              "Small 0 612", "Film 1 2"}));
}

TEST_F(SectionTest, PageSizesUpToALastMissingPlaceholder) {
  // Without "<Add PaperDimension>" both files go back to just after the last handled
  // placeholder; the custom page size then finds its own.
  const std::string ppd =
      Generate("<Add PageSize>\nkept\n<Add PageRegion>\nsearched\n<Add CustomPageSize>\n", [](CCreatePpd& p) {
        EXPECT_EQ(p.AddPageSizes(600, 800, {}), -1);
        EXPECT_EQ(p.AddCustomPageSize(1, 2), 1);
      });
  EXPECT_EQ(ppd.substr(0, ppd.find("*ParamCustomPageSize")),
            "\t/Exact [600 800]\n"
            "\t/ame_Longer_Than_Twenty-Eight [100 200]\n"
            "\t/Ver__2_B [300 400]\n"
            "\t/Small [0 612]\n"
            "\t/Max [600 800]\n"
            "kept\n"
            "*PageRegion Exact: \"<< /PageSize [600 800] /Orientation 0 >> setpagedevice\"\n"
            "*PageRegion Exact.Transverse: \"<< /PageSize [600 800] /Orientation 1 >> setpagedevice\"\n"
            "*PageRegion ame_Longer_Than_Twenty-Eight: \"<< /PageSize [100 200] /Orientation 0 >> setpagedevice\"\n"
            "*PageRegion ame_Longer_Than_Twenty-Eight.Transverse: \"<< /PageSize [100 200] /Orientation 1 >> "
            "setpagedevice\"\n"
            "*PageRegion Ver__2_B: \"<< /PageSize [300 400] /Orientation 0 >> setpagedevice\"\n"
            "*PageRegion Ver__2_B.Transverse: \"<< /PageSize [300 400] /Orientation 1 >> setpagedevice\"\n"
            "*PageRegion Small: \"<< /PageSize [0 612] /Orientation 0 >> setpagedevice\"\n"
            "*PageRegion Small.Transverse: \"<< /PageSize [0 612] /Orientation 1 >> setpagedevice\"\n"
            "*PageRegion Max: \"<< /PageSize [600 800] /Orientation 0 >> setpagedevice\"\n"
            "*PageRegion Max.Transverse: \"<< /PageSize [600 800] /Orientation 1 >> setpagedevice\"\n"
            "searched\n");
  EXPECT_EQ(TraceLines(),
            std::vector<std::string>{"Paper Dimensions are not added to PPD, as it can't find the place holder "
                                     "'<Add PaperDimension>' in the template."});
}

TEST_F(SectionTest, PageSizesNeedPpdInfo) {
  ScopedEnv program("KW_PROG_RAVLINCONFIG", dir_ / "nowhere");
  WriteFile(dir_ / "template.ppd", "<Add PaperDimension>\n");
  CCreatePpd ppd;
  ASSERT_EQ(ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), 1);
  ExpectRvcError([&] { ppd.AddPageSizes(600, 800, {}); }, 109,
                 "RDB error " + dir_ / "nowhere/dat/templates/PpdInfo.dat");
}

TEST_F(SectionTest, CustomPageSize) {
  ExpectGolden(Section("<Add CustomPageSize>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddCustomPageSize(2880, 2160), 1); }),
               "custom_page_size.ppd");
}

TEST_F(SectionTest, HalftoneInformation) {
  ExpectGolden(Section("<Add Halftone Information>\n",
                       [](CCreatePpd& p) {
                         EXPECT_EQ(p.AddHalftoneInformation({2400, 2540.5}), 1);
                       }),
               "halftone_binary.ppd");
  // Eight bits per spot: the frequency follows the resolution; 2400 is the reference.
  ExpectGolden(Section(
                   "<Add Halftone Information>\n",
                   [](CCreatePpd& p) {
                     EXPECT_EQ(p.AddHalftoneInformation({200, 2400, 300}), 1);
                   },
                   ScreenMode::EightBitsPerSpot),
               "halftone_eightbit.ppd");
  // Only resolutions below 300 dpi: the first is the reference.
  const std::string low = Generate(
      "<Add Halftone Information>\n",
      [](CCreatePpd& p) {
        p.AddHalftoneInformation({200, 299});
      },
      ScreenMode::EightBitsPerSpot);
  EXPECT_EQ(low.substr(0, low.find("*%")), "*ScreenFreq: \"11\"\n*ScreenAngle: \"75\"\n");
}

TEST_F(SectionTest, ScreeningBinary) {
  // One resolution: 31 offset and 31 flexo blocks, 50 to 200 lpi.
  const std::string ppd =
      Section("<Add Screening information>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddScreeningInformation({2400}), 1); });
  ExpectGolden(ppd, "screening_binary.ppd");
  size_t blocks = 0;
  for (size_t at = ppd.find("*% ====="); at != std::string::npos; at = ppd.find("*% =====", at + 1)) ++blocks;
  EXPECT_EQ(blocks, 62u);

  // A fractional resolution prints in full in the comment and cut in option names.
  const std::string fractional = Generate("<Add Screening information>\n", [](CCreatePpd& p) {
    p.AddScreeningInformation({2540.5, 1200});
  });
  EXPECT_EQ(fractional.substr(0, fractional.find('\n')),
            "*DefaultColorSep: ProcessBlack.150lpi.2540dpi.offset/150 lpi / offset2540");
  EXPECT_NE(fractional.find("*% ================== Settings for 2540.5 ppi, 50 lpi, offset ==================\n*%\n"
                            "*ColorSepScreenAngle ProcessCyan.50lpi.2540dpi.offset/50 lpi / offset2540: \"15.0\"\n"),
            std::string::npos);
  EXPECT_NE(fractional.find("*ColorSepScreenFreq CustomColor.200lpi.1200dpi.flexo/200 lpi / flexo1200: \"200\"\n"),
            std::string::npos);
}

TEST_F(SectionTest, ScreeningEightBitsPerSpot) {
  ExpectGolden(Section(
                   "<Add Screening information>\n",
                   [](CCreatePpd& p) {
                     EXPECT_EQ(p.AddScreeningInformation({200, 2400}), 1);
                   },
                   ScreenMode::EightBitsPerSpot),
               "screening_eightbit.ppd");
  const std::string low = Generate(
      "<Add Screening information>\n",
      [](CCreatePpd& p) {
        p.AddScreeningInformation({72.5, 150});
      },
      ScreenMode::EightBitsPerSpot);
  EXPECT_EQ(low.substr(0, low.find('\n')), "*DefaultColorSep: ProcessBlack.4lpi.72dpi.Unscreened/4 lpi / Unscreened72");
  EXPECT_NE(low.find("*% Settings for 72.5ppi, 4 lpi / Unscreened ="), std::string::npos);
}

TEST_F(SectionTest, EndComments) {
  ExpectGolden(Generate("*% before\n*% <Add End Comments>\n*% never copied\n",
                        [](CCreatePpd& p) { EXPECT_EQ(p.AddEndComments(), 1); }),
               "end_comments.ppd");
}

TEST_F(SectionTest, WholeSampleTemplate) {
  // The Tiffmono template with every section of the engine, as the driver would run them
  // for a binary-screening dispatcher (the device feature lists stay placeholders).
  ScopedEnv program("KW_PROG_RAVLINCONFIG", SourcePath("sample/configurator"));
  CCreatePpd ppd;
  std::filesystem::path folder = dir_ / "Tiffmono/ppd";
  std::filesystem::create_directories(folder);
  ASSERT_EQ(ppd.OpenFiles(SourcePath("sample/prog/Tiffmono/dat/templates/ppd/qb_tiffmono_template.ppd"),
                          folder.string(), "Imagesetter_Film", "Tiffmono", 0, ScreenMode::Binary),
            1);
  EXPECT_EQ(ppd.AddNames(), 1);
  EXPECT_EQ(ppd.AddConfigurationSets("Standard", {"Standard", "maxsize"}, 2), 1);
  EXPECT_EQ(ppd.AddResolutionList({2000, 2400}, 0), 1);
  EXPECT_EQ(ppd.AddHalftoneInformation({2000, 2400}), 1);
  EXPECT_EQ(ppd.AddPageSizes(1008, 1800, {{"A4", 595, 841}, {"14x20Inch", 1008, 1440}}), 1);
  EXPECT_EQ(ppd.AddCustomPageSize(1008, 1800), 1);
  EXPECT_EQ(ppd.AddScreeningInformation({2000, 2400}), 1);
  EXPECT_EQ(ppd.AddEndComments(), 1);
  EXPECT_EQ(ppd.Close(), 1);
  EXPECT_EQ(ppd.PpdPath(), (folder / "QBTIFFMONO0_IMAGESETTER_FIL.PPD").string());
  ExpectGolden(ReadFile(ppd.PpdPath()), "tiffmono_sample.ppd");
  EXPECT_TRUE(TraceLines().empty());
}

}  // namespace
}  // namespace rvc::ppd::test
