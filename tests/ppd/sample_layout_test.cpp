// The layout the PPD tests make of the sample installation equals what
// scripts/lay_out_sample.sh makes, environment included, and its ICC profiles are what
// Little CMS reads.
#include <lcms2.h>

#include <cstdlib>

#include "tests/ppd/sample_support.h"

namespace rvc::ppd::test {
namespace {

TEST(SampleLayoutTest, EqualsTheLayoutOfTheScript) {
  TempDir scratch;  // before the layout, which points TMP into itself
  SampleLayout layout;
  const std::string target = scratch / "by-script";
  ASSERT_EQ(std::system(("'" + SourcePath("scripts/lay_out_sample.sh") + "' '" + target + "' >/dev/null").c_str()), 0);

  std::map<std::string, std::string> byScript = rvc::test::Snapshot(target);
  std::string environment = byScript.at("environment");
  byScript.erase("environment");
  const std::map<std::string, std::string> ours = rvc::test::Snapshot(layout.Root());
  for (const auto& [path, bytes] : byScript) {
    EXPECT_TRUE(ours.count(path) == 1 && ours.at(path) == bytes) << path;
  }
  for (const auto& entry : ours) EXPECT_EQ(byScript.count(entry.first), 1u) << entry.first;

  std::string expected;
  for (const std::string& name : SampleLayout::Variables()) {
    expected += name + "=" + target + rvc::test::SampleInstallation::Location(name) + "\n";
  }
  environment.erase(0, environment.find("RAVLIN_SAMPLE_ROOT="));
  EXPECT_EQ(environment, expected);
}

TEST(SampleLayoutTest, ProfilesAreIccProfiles) {
  SampleLayout layout;
  struct Profile {
    const char* file;
    cmsProfileClassSignature profileClass;
    cmsColorSpaceSignature colorSpace;
  };
  for (const Profile& expected : {Profile{"ISOcoated_v2.icc", cmsSigOutputClass, cmsSigCmykData},
                                  Profile{"ISOuncoated.icc", cmsSigOutputClass, cmsSigCmykData},
                                  Profile{"Orva_Newsprint_Grey.icc", cmsSigOutputClass, cmsSigGrayData},
                                  Profile{"Orva_sRGB_Display.icm", cmsSigDisplayClass, cmsSigRgbData}}) {
    cmsHPROFILE profile = cmsOpenProfileFromFile((layout / "cms/profiles/" + expected.file).c_str(), "r");
    ASSERT_NE(profile, nullptr) << expected.file;
    EXPECT_EQ(cmsGetDeviceClass(profile), expected.profileClass) << expected.file;
    EXPECT_EQ(cmsGetColorSpace(profile), expected.colorSpace) << expected.file;
    cmsCloseProfile(profile);
  }
}

}  // namespace
}  // namespace rvc::ppd::test
