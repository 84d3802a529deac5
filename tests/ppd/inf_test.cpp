// "ravlin.inf" next to a generated PPD.
#include <filesystem>

#include "core/rvc_exception.h"
#include "tests/ppd/ppd_test_support.h"

namespace rvc::ppd::test {
namespace {

class InfTest : public PpdTest {
 protected:
  // A PPD for flavour Ravlin, port separator 3, type Generic, then its INF with
  // `infTemplate` as ravlininf.dat (the sample's when empty).
  std::string MakeInf(const std::string& infTemplate, const std::string& programFolder) {
    if (!infTemplate.empty()) WriteFile(dir_ / "configurator/dat/templates/ravlininf.dat", infTemplate);
    Generate("<Add Names>\n", [](CCreatePpd&) {});
    CCreatePpd ppd;
    EXPECT_EQ(ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), 1);
    ppd.Close();
    EXPECT_TRUE(ppd.CreateInf(dir_ / "ppd", programFolder));
    return ReadFile(dir_ / "ppd/ravlin.inf");
  }
};

TEST_F(InfTest, SampleTemplate) {
  ScopedEnv program("KW_PROG_RAVLINCONFIG", SourcePath("sample/configurator"));
  ExpectGolden(MakeInf("", "D:\\Apps\\RavlinProg\\"), "ravlin.inf");
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(InfTest, PlaceholdersAreReplacedWhereverAndHoweverOftenTheyStand) {
  const std::string block =
      "\"Orva GENERIC\"= QBRAVLIN3_GENERIC.PPD\n"
      ";\n"
      "[QBRAVLIN3_GENERIC.PPD]\n"
      "CopyFiles=@QBRAVLIN3_GENERIC.PPD,PSCRIPT_WIN\n"
      "DataSection=PSCRIPT_DATA_WIN\n"
      ";\n"
      "[QBRAVLIN3_GENERIC.PPD.NT]\n"
      "CopyFiles=@QBRAVLIN3_GENERIC.PPD,PSCRIPT_NT\n"
      "DataFile=QBRAVLIN3_GENERIC.PPD\n"
      "DataSection=PSCRIPT_DATA_NT\n";
  EXPECT_EQ(MakeInf("a\n; <Add PPD Info> ;\nb\n<Add PPD Info>\nc", "/opt/ravlin/RavlinProg/"),
            "a\n" + block + "b\n" + block + "c\n");
  // On this platform the program folder uses "/"; the INF still names it with "\".
  const std::string disks =
      "2 =\"Win95 folder\",,,..\\..\\..\\RavlinProg\\dat\\templates\\ppd\\win95\n"
      "3 =\"WinNT folder\",,,..\\..\\..\\RavlinProg\\dat\\templates\\ppd\\winnt\n";
  for (const char* folder :
       {"/opt/ravlin/RavlinProg/", "/opt/ravlin/RavlinProg", "D:\\Apps\\RavlinProg\\", "D:\\Apps\\RavlinProg"}) {
    EXPECT_EQ(MakeInf("[SourceDisksNames]\n<Add Source Disk Names>\n", folder), "[SourceDisksNames]\n" + disks)
        << folder;
  }
  const std::string plain = "[Version]\nSignature=\"$Windows NT$\"\n\n[Strings]\n";
  EXPECT_EQ(MakeInf(plain, "/opt/ravlin/RavlinProg/"), plain);
}

TEST_F(InfTest, CrLfTemplateGivesCrLfBlocks) {
  EXPECT_EQ(MakeInf("[S]\r\n<Add Source Disk Names>\r\n", "/p/Prog/"),
            "[S]\r\n2 =\"Win95 folder\",,,..\\..\\..\\Prog\\dat\\templates\\ppd\\win95\r\n"
            "3 =\"WinNT folder\",,,..\\..\\..\\Prog\\dat\\templates\\ppd\\winnt\r\n");
}

TEST_F(InfTest, MissingTemplateFailsWithAMessageAndAMissingFolderRaises111) {
  CCreatePpd ppd;
  WriteFile(dir_ / "template.ppd", "\n");
  ASSERT_EQ(ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary), 1);
  ppd.Close();
  EXPECT_FALSE(ppd.CreateInf(dir_ / "ppd", "/p/Prog/"));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, "No such file or directory: " + dir_ / "configurator/dat/templates/ravlininf.dat");
  EXPECT_FALSE(rvc::test::FileExists(dir_ / "ppd/ravlin.inf"));

  WriteFile(dir_ / "configurator/dat/templates/ravlininf.dat", "x\n");
  EXPECT_EQ(Raised([&] { ppd.CreateInf(dir_ / "missing", "/p/Prog/"); }).Message(),
            "System error at " + dir_ / "missing/ravlin.inf" + " (open folder: No such file or directory)");
}

}  // namespace
}  // namespace rvc::ppd::test
