// The device feature lists: the exact lines of each writer on the sample installation's
// data (golden files), and what each writes, traces and shows when its component is
// unavailable or its placeholder missing. Also the components' own contracts.
#include <lcms2.h>

#include <cstdlib>
#include <filesystem>

#include "ppd/features/ccurve.h"
#include "ppd/features/cms_shared.h"
#include "ppd/features/dshlib.h"
#include "ppd/features/screeninfo.h"
#include "tests/ppd/sample_support.h"

namespace rvc::ppd::test {
namespace {

using Traces = std::vector<std::string>;

class FeatureTest : public PpdTest {
 protected:
  // The PPD of a template "*% before", `placeholders`, "*% after" after `writer`
  // alone: the lines after the last placeholder handled are not copied.
  std::string Run(const std::string& placeholders, const std::function<void(CCreatePpd&)>& writer,
                  ScreenMode mode = ScreenMode::Binary) {
    sample_.ClearTraces();
    ui_.Clear();
    return Generate("*% before\n" + placeholders + "*% after\n", writer, mode);
  }
  // As Run, followed by the end comments (which copy the rest of the template).
  std::string RunToEnd(const std::string& placeholders, const std::function<void(CCreatePpd&)>& writer,
                       ScreenMode mode = ScreenMode::Binary) {
    return Run(
        placeholders,
        [&](CCreatePpd& p) {
          writer(p);
          p.AddEndComments();
        },
        mode);
  }

  SampleLayout sample_{{"config", "screens", "curves", "trp", "cms"}};
};

constexpr const char* kJobLines =
    "*QBDotShape job/Dotshape from job (job): \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /dot\n"
    "(job) >> >> >> setpagedevice } stopped cleartomark\"\n"
    "*End\n";

TEST_F(FeatureTest, DotShapes) {
  ExpectGolden(RunToEnd("*% <Add Dotshapes>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDotShapes(false), 1); }),
               "feature_dot_shapes.ppd");
  ExpectGolden(RunToEnd("*% <Add Dotshapes>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDotShapes(true), 1); }),
               "feature_dot_shapes_job.ppd");
  EXPECT_EQ(sample_.Traces(), Traces{});

  // Eight bits per spot: the placeholder becomes "*%", with or without the job entry.
  EXPECT_EQ(Run(
                "<Add Dotshapes>\n", [](CCreatePpd& p) { p.AddDotShapes(true); }, ScreenMode::EightBitsPerSpot),
            "*% before\n*%\n");

  // No screening data: the job entry alone, without a default line; nothing traced.
  for (const std::optional<std::string>& screens : {std::optional<std::string>(), std::optional(dir_ / "none")}) {
    ScopedEnv unset("KW_DATA_SCREENS", screens);
    EXPECT_EQ(Run("<Add Dotshapes>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDotShapes(true), 1); }),
              std::string("*% before\n") + kJobLines);
    EXPECT_EQ(Run("<Add Dotshapes>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDotShapes(false), 1); }), "*% before\n");
    EXPECT_EQ(sample_.Traces(), Traces{});
    EXPECT_TRUE(ui_.Messages().empty());
  }

  // Without the placeholder the template stays as it is.
  EXPECT_EQ(RunToEnd("*% <Add Dotshape>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDotShapes(true), -1); }),
            "*% before\n*% <Add Dotshape>\n*% after\n");
  EXPECT_EQ(sample_.Traces(), Traces{"Dotshapes are not added to PPD, as it can't find the place holder "
                                     "'<Add Dotshapes>' in the template."});
}

TEST_F(FeatureTest, ScreenInfoRecords) {
  // At most the buffer's records; names and display texts cut to 199 characters.
  std::string dots;
  for (int i = 0; i < 101; ++i) dots += "[Dot " + std::to_string(i) + "]\n";
  dots += "[" + std::string(250, 'n') + "]\nDisplay=" + std::string(250, 'd') + "\n";
  WriteFile(dir_ / "screens/DotShapes.dat",
            "[Long " + std::string(250, 'n') + "]\nDisplay=" + std::string(250, 'd') + "\n[No display]\n" + dots);
  features::ScrinfoHandle* screens = features::scrinfo_open("%RVC_TEST_SCREENS%");
  EXPECT_EQ(screens, nullptr) << "unset variable";
  ScopedEnv folder("RVC_TEST_SCREENS", dir_ / "screens");
  screens = features::scrinfo_open("%RVC_TEST_SCREENS%");
  ASSERT_NE(screens, nullptr);
  std::vector<features::ScrinfoDot> records(100);
  int count = -1;
  EXPECT_EQ(features::scrinfo_list_dots(screens, records.data(), 100, &count), 0);
  EXPECT_EQ(count, 100);
  EXPECT_EQ(std::string(records[0].name), "Long " + std::string(194, 'n'));
  EXPECT_EQ(std::string(records[0].display), std::string(199, 'd'));
  EXPECT_EQ(std::string(records[1].display), "No display");
  EXPECT_EQ(std::string(records[99].name), "Dot 97");
  features::scrinfo_close(screens);
  EXPECT_EQ(features::scrinfo_list_dots(nullptr, records.data(), 100, &count), -1);
  EXPECT_EQ(count, 0);
}

TEST_F(FeatureTest, ScreenFilters) {
  ExpectGolden(RunToEnd("*% <Add ScreenFilter>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddScreenFilters(), 1); }),
               "feature_screen_filters.ppd");
  {
    ScopedEnv unset("KW_DATA_SCREENS", std::nullopt);
    EXPECT_EQ(features::dshlib_GetFilterNames(), nullptr);
    EXPECT_EQ(Run("<Add ScreenFilter>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddScreenFilters(), 1); }), "*% before\n");
  }
  EXPECT_EQ(Run("x <Add ScreenFilter> y\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddScreenFilters(), 1); }).size(),
            Run("<Add ScreenFilter>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddScreenFilters(), 1); }).size())
      << "the placeholder is a substring of the line";
  RunToEnd("", [](CCreatePpd& p) { EXPECT_EQ(p.AddScreenFilters(), -1); });
  EXPECT_EQ(sample_.Traces(), Traces{"Screen filter lists are not added to PPD, as it can't find the place holder "
                                     "'<Add ScreenFilter>' in the template."});
}

TEST_F(FeatureTest, DotGainCurves) {
  const std::string both = "*% <Add SimpleDGC>\n*CloseUI: *QBGlobalDGC\n*% <Add AutomaticDGC>\n";
  ExpectGolden(RunToEnd(both, [](CCreatePpd& p) { EXPECT_EQ(p.AddDgcs(true), 1); }), "feature_dgcs.ppd");
  EXPECT_EQ(sample_.Traces(), Traces{});

  // Not wanted: both placeholders consumed, nothing listed.
  EXPECT_EQ(Run(both, [](CCreatePpd& p) { EXPECT_EQ(p.AddDgcs(false), 1); }), "*% before\n*CloseUI: *QBGlobalDGC\n");
  EXPECT_EQ(sample_.Traces(),
            (Traces{"DGC files are not added to PPD since 'IncludeDGC' flag is not set",
                    "SCRDGC and ICPRO files are not added to PPD since 'IncludeDGC' flag is not set"}));
  EXPECT_TRUE(ui_.Messages().empty());

  // No curve library: traced twice, shown once.
  {
    ScopedEnv unset("KW_DATA_DGC", std::nullopt);
    EXPECT_EQ(features::CCurveInit(), nullptr);
    EXPECT_EQ(Run(both, [](CCreatePpd& p) { EXPECT_EQ(p.AddDgcs(true), 1); }), "*% before\n*CloseUI: *QBGlobalDGC\n");
    EXPECT_EQ(sample_.Traces(), (Traces{"Could not initialize DGC library,DGC files are not added to PPD",
                                        "Could not initialize DGC library,DGC files are not added to PPD"}));
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].text,
              "Could not initialize DGC library. DGC files are not added to PPD!\nPlease check if DGC data directory "
              "is shared on the server and/or if the user of this client has access to the server.");
  }

  // Placeholders missing: the first ends the section at once, the second after the
  // simple curves.
  RunToEnd("*% <Add AutomaticDGC>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDgcs(true), -1); });
  EXPECT_EQ(sample_.Traces(), Traces{"DGCs are not added to PPD, as it can't find the place holder "
                                     "'<Add SimpleDGC>' in the template."});
  const std::string simpleOnly =
      Run("*% <Add SimpleDGC>\n*% kept\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddDgcs(true), -1); });
  EXPECT_EQ(simpleOnly.find("*% kept"), std::string::npos);
  EXPECT_NE(simpleOnly.find("*QBGlobalDGC Plate_DGC: "), std::string::npos);
  EXPECT_EQ(simpleOnly.find("*QBPressDGC"), std::string::npos);
  EXPECT_EQ(sample_.Traces(), Traces{"AutomaticDGCs are not added to PPD, as it can't find the place holder "
                                     "'<Add AutomaticDGC>' in the template."});
}

TEST_F(FeatureTest, CurveLibraryKinds) {
  features::CCurveContext* curves = features::CCurveInit();
  ASSERT_NE(curves, nullptr);
  auto names = [&](int kind) {
    std::vector<std::string> list;
    char** array = features::CCurveListResources(curves, kind);
    if (array == nullptr) return std::optional<std::vector<std::string>>();
    for (char** name = array; *name != nullptr; ++name) {
      list.emplace_back(*name);
      std::free(*name);
    }
    std::free(array);
    return std::optional(list);
  };
  EXPECT_EQ(names(3), (std::vector<std::string>{"Film Linear", "Plate DGC"}));
  EXPECT_EQ(names(4), (std::vector<std::string>{"Sheetfed Coated"}));
  EXPECT_EQ(names(8), (std::vector<std::string>{"Web Newsprint"}));
  EXPECT_EQ(names(5), std::nullopt);
  features::CCurveExit(curves);
}

TEST_F(FeatureTest, PlateSettings) {
  ExpectGolden(RunToEnd("*% <Add TRP With Section>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), 1); }),
               "feature_trp_section.ppd");
  // Without the section: the entries alone, whatever else the line holds.
  EXPECT_EQ(Run("x <Add TRP> y\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), 1); }),
            "*% before\n"
            "*QBPlateSettings Coated_Sheetfed.ini: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /tintora\n"
            "(Coated_Sheetfed.ini) >> >> >> setpagedevice } stopped cleartomark\"\n"
            "*End\n"
            "*QBPlateSettings Newsprint_Uncoated.ini: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /tintora\n"
            "(Newsprint Uncoated.ini) >> >> >> setpagedevice } stopped cleartomark\"\n"
            "*End\n");
  EXPECT_EQ(sample_.Traces(), Traces{});

  // The group without entries when the folder is undefined (blanks count as undefined)
  // or cannot be searched.
  const std::string withSection =
      RunToEnd("*% <Add TRP With Section>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), 1); });
  std::string groupOnly = withSection;
  for (const std::string entry : {"Coated_Sheetfed.ini", "Newsprint_Uncoated.ini"}) {
    const size_t at = groupOnly.find("*QBPlateSettings " + entry);
    groupOnly.erase(at, groupOnly.find("*End\n", at) + 5 - at);
  }
  {
    ScopedEnv blank("KW_DATA_TRP", "  ");
    EXPECT_EQ(RunToEnd("*% <Add TRP With Section>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), 1); }), groupOnly);
    EXPECT_EQ(sample_.Traces(),
              Traces{"since 'KW_DATA_TRP' enviornment is not defined, TRP files are not added to PPD"});
  }
  {
    ScopedEnv missing("KW_DATA_TRP", dir_ / "no-trp");
    EXPECT_EQ(RunToEnd("*% <Add TRP With Section>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), 1); }), groupOnly);
    EXPECT_EQ(sample_.Traces(), Traces{"Could not add TRP file to PPD: No such file or directory"});
  }
  // An empty folder is no error.
  {
    WriteFile(dir_ / "trp/readme.txt", "");
    ScopedEnv empty("KW_DATA_TRP", dir_ / "trp");
    EXPECT_EQ(Run("<Add TRP>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), 1); }), "*% before\n");
    EXPECT_EQ(sample_.Traces(), Traces{});
  }
  RunToEnd("<Add Trp>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddTrpFiles(), -1); });
  EXPECT_EQ(sample_.Traces(), Traces{"TRP files are not added to PPD, as it can't find the place holder "
                                     "'<Add TRP>' in the template."});
}

constexpr const char* kCmsPlaceholders =
    "*% <Add ColorStrategies>\n*% between 1\n*% <Add SrcProfiles>\n*% between 2\n*% <Add DstProfiles>\n";

TEST_F(FeatureTest, ColourManagement) {
  ExpectGolden(RunToEnd(kCmsPlaceholders, [](CCreatePpd& p) { EXPECT_EQ(p.AddColorManagement(), 1); }),
               "feature_colour_management.ppd");
  EXPECT_EQ(sample_.Traces(), Traces{});
  EXPECT_TRUE(ui_.Messages().empty());

  const std::string kMessage =
      "Could not initialize CMS database. Color management information is not added to PPD!\nPlease check if "
      "KW_CMS data directory is shared on the server and/or if the user of this client has access to the server.";
  for (const std::optional<std::string>& cms : {std::optional<std::string>(), std::optional(dir_ / "no-cms")}) {
    ScopedEnv unavailable("KW_CMS", cms);
    EXPECT_EQ(RunToEnd(kCmsPlaceholders, [](CCreatePpd& p) { EXPECT_EQ(p.AddColorManagement(), 1); }),
              RunToEnd("*% between 1\n*% between 2\n", [](CCreatePpd&) {}));
    RunToEnd(kCmsPlaceholders, [](CCreatePpd& p) { p.AddColorManagement(); });
    EXPECT_EQ(sample_.Traces(), Traces{cms ? "Color Management initialisation Error: The colour management folder " +
                                                 *cms + " does not exist : 2"
                                           : "Color Management initialisation Error: KW_CMS is not defined : 1"});
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].text, kMessage);
  }

  // A missing placeholder stops the section after what came before it.
  const std::string noStrategies =
      Run("*% <Add SrcProfiles>\n", [](CCreatePpd& p) { EXPECT_EQ(p.AddColorManagement(), -1); });
  EXPECT_EQ(noStrategies, "");
  EXPECT_EQ(sample_.Traces(), Traces{"Color strategies are not added to PPD, as it can't find the place holder "
                                     "'<Add ColorStrategies>' in the template."});
  const std::string noSources = Run("*% <Add ColorStrategies>\n*% <Add DstProfiles>\n",
                                    [](CCreatePpd& p) { EXPECT_EQ(p.AddColorManagement(), -1); });
  EXPECT_NE(noSources.find("*QBColorStrategy Contract_Proof: "), std::string::npos);
  EXPECT_EQ(noSources.find("Profile"), std::string::npos);
  EXPECT_EQ(sample_.Traces(), Traces{"Source Profiles are not added to PPD, as it can't find the place holder "
                                     "'<Add SrcProfiles>' in the template."});
  const std::string noDestinations = Run("*% <Add ColorStrategies>\n*% <Add SrcProfiles>\n",
                                         [](CCreatePpd& p) { EXPECT_EQ(p.AddColorManagement(), -1); });
  EXPECT_NE(noDestinations.find("*QBSrcProfile ISOcoated_v2: "), std::string::npos);
  EXPECT_EQ(noDestinations.find("*QBDstProfile"), std::string::npos);
  EXPECT_EQ(sample_.Traces(), Traces{"Destination Profiles are not added to PPD, as it can't find the place holder "
                                     "'<Add DstProfiles>' in the template."});
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(FeatureTest, ColourManagementDatabase) {
  ASSERT_EQ(features::TCMS_Init(), 0);
  int code = -1;
  EXPECT_EQ(features::cdb_error_get(&code), nullptr);
  auto scan = [](const char* profileClass, int colorSpace) {
    features::TCMSDB_Scan state;
    std::vector<std::string> names;
    while (const char* name = features::TCMSDB_ProcScan(&state, profileClass, colorSpace, 0)) names.emplace_back(name);
    return names;
  };
  // Print profiles by file name; the display profile is of another class.
  EXPECT_EQ(scan("print", 0), (std::vector<std::string>{"ISOcoated_v2", "ISOuncoated", "Orva Newsprint Grey"}));
  EXPECT_EQ(scan("print", cmsSigGrayData), std::vector<std::string>{"Orva Newsprint Grey"});
  EXPECT_EQ(scan("monitor", 0), std::vector<std::string>{"Orva sRGB Display"});
  EXPECT_EQ(scan("no such class", 0), std::vector<std::string>{});
  int count = 0;
  const char* const* strategies = features::TCMSDB_ColTransfListAll(&count);
  ASSERT_EQ(count, 3);
  EXPECT_STREQ(strategies[0], "Contract Proof");
  EXPECT_EQ(strategies[3], nullptr);
  features::TCMS_End();
  EXPECT_EQ(features::TCMSDB_ColTransfListAll(&count), nullptr);
  EXPECT_EQ(count, 0);

  // The sample's print profiles are real: Little CMS builds a proofing transform with them.
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  cmsHPROFILE coated = cmsOpenProfileFromFile((sample_ / "cms/profiles/ISOcoated_v2.icc").c_str(), "r");
  ASSERT_NE(coated, nullptr);
  cmsHTRANSFORM transform = cmsCreateTransform(lab, TYPE_Lab_DBL, coated, TYPE_CMYK_DBL, INTENT_PERCEPTUAL, 0);
  EXPECT_NE(transform, nullptr);
  if (transform != nullptr) cmsDeleteTransform(transform);
  cmsCloseProfile(coated);
  cmsCloseProfile(lab);
}

}  // namespace
}  // namespace rvc::ppd::test
