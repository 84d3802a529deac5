// ReadPpdOptions: what a dispatcher takes over from an existing PPD.
#include "ppd/ppd_options.h"

#include <tuple>

#include "tests/ppd/ppd_test_support.h"

namespace rvc::ppd::test {
namespace {

using PpdOptionsTest = PpdTest;

// A minimal valid PPD with `body` after the required lines.
std::string Ppd(const std::string& body) {
  return "*PPD-Adobe: \"4.3\"\n"
         "*FormatVersion: \"4.3\"\n"
         "*FileVersion: \"1.0\"\n"
         "*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n"
         "*Manufacturer: \"Orva\"\n"
         "*Product: \"(Test)\"\n"
         "*PSVersion: \"(3011.104) 0\"\n" +
         body;
}

TEST_F(PpdOptionsTest, SamplePpds) {
  auto tiff = ReadPpdOptions(SourcePath("sample/ppds/OrvaTiffsetter.ppd"));
  ASSERT_TRUE(tiff);
  EXPECT_EQ(tiff->FileName, "OrvaTiffsetter.PPD");
  EXPECT_EQ(tiff->ModelName, "OrvaTiffsetter");
  EXPECT_EQ(tiff->MaxMediaWidth, 1008);
  EXPECT_EQ(tiff->MaxMediaHeight, 1800);
  EXPECT_EQ(tiff->Resolutions, (std::vector<double>{1200, 2400, 3600}));

  auto jet = ReadPpdOptions(SourcePath("sample/ppds/OrvaJet.ppd"));
  ASSERT_TRUE(jet);
  EXPECT_EQ(jet->FileName, "OrvaJet.PPD");
  EXPECT_EQ(jet->ModelName, "OrvaJet");
  EXPECT_EQ(jet->MaxMediaWidth, 1728);
  EXPECT_EQ(jet->MaxMediaHeight, 4320);
  EXPECT_EQ(jet->Resolutions, (std::vector<double>{720, 1440}));
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(PpdOptionsTest, MaximumMediaFallsBackToCustomSizeLimitsThenLargestPaperDimension) {
  // Custom size limits first, else the widest and highest paper each on its own (1224 from the
  // landscape sheet, 842 from A4, then *MaxMediaHeight); nothing gives 0. No resolution lines: none.
  const std::tuple<const char*, int, int> rows[] = {
      {"*ParamCustomPageSize Width: 1 points 1 2000.75\n*ParamCustomPageSize Height: 2 points 1 3000\n"
       "*PaperDimension A4: \"595 842\"\n", 2000, 3000},
      {"*PaperDimension A4: \"595 842\"\n*PaperDimension TabloidLandscape: \"1224 792\"\n*MaxMediaHeight: \"2000.9\"\n",
       1224, 2000},
      {"", 0, 0}};
  for (const auto& [body, width, height] : rows) {
    SCOPED_TRACE(body);
    WriteFile(dir_ / "media.ppd", Ppd(std::string("*ModelName: \"Media\"\n") + body));
    auto options = ReadPpdOptions(dir_ / "media.ppd");
    ASSERT_TRUE(options);
    EXPECT_EQ(options->MaxMediaWidth, width);
    EXPECT_EQ(options->MaxMediaHeight, height);
    EXPECT_TRUE(options->Resolutions.empty());
  }
}

TEST_F(PpdOptionsTest, ResolutionKeywordsAndNames) {
  WriteFile(dir_ / "Device.PPD", Ppd("*ShortNickName: \"Short Device\"\n"
                                     "*NickName: \"Device 1.0\"\n"
                                     "*OpenUI *Resolution: PickOne\n"
                                     "*DefaultResolution: 2400x2400dpi\n"
                                     "*Resolution 2400x2400dpi: \"<< /HWResolution [2400 2400] >> setpagedevice\"\n"
                                     "*Resolution 1200x600dpi: \"<< /HWResolution [1200 600] >> setpagedevice\"\n"
                                     "*Resolution 2540.5dpi: \"<< /HWResolution [2540.5 2540.5] >> setpagedevice\"\n"
                                     "*Resolution Draft: \"<< /HWResolution [300 300] >> setpagedevice\"\n"
                                     "*CloseUI: *Resolution\n"));
  // Found ignoring case; without *PCFileName and *ModelName the file's own name and the
  // short nickname stand in.
  auto device = ReadPpdOptions(dir_ / "device.ppd");
  ASSERT_TRUE(device);
  EXPECT_EQ(device->FileName, "Device.PPD");
  EXPECT_EQ(device->ModelName, "Short Device");
  EXPECT_EQ(device->Resolutions, (std::vector<double>{2400, 1200, 2540.5}));

  // A device of one resolution gives only its default.
  WriteFile(dir_ / "fixed.ppd", Ppd("*ModelName: \"Fixed\"\n*PCFileName: \"FIXED.PPD\"\n*DefaultResolution: 600dpi\n"));
  auto fixed = ReadPpdOptions(dir_ / "fixed.ppd");
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->FileName, "FIXED.PPD");
  EXPECT_EQ(fixed->Resolutions, std::vector<double>{600});
}

TEST_F(PpdOptionsTest, NotAPpdGivesNothingAfterAMessage) {
  WriteFile(dir_ / "text.ppd", "just some text\n");
  for (const std::string& path : {dir_ / "text.ppd", dir_ / "missing.ppd"}) {
    ui_.Clear();
    EXPECT_FALSE(ReadPpdOptions(path));
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{"Error while parsing the options from: " + path +
                                                           "\nCheck whether selected PPD is a valid one"});
  }
}

}  // namespace
}  // namespace rvc::ppd::test
