// The adapter through which dispatcher creation generates PPDs: a sample dispatcher's
// PPD with the product version and catalogue of the application at the time of the call.
#include <filesystem>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "lifecycle/ppd_generator_adapter.h"
#include "ripconfig/ravlcfg.h"
#include "store/resource_db.h"
#include "tests/ppd/sample_support.h"

namespace rvc::ppd::test {
namespace {

class AdapterTest : public PpdTest {
 protected:
  AdapterTest() : dispatcher_(sample_ / "data/Tiffmono/Tiffmono") {
    dispatcher_.Record = {"Tiffmono", "Mono", "Imagesetter_Film", "Tiffmono", 0, 5004};
  }
  ~AdapterTest() override {
    frame::CRvcApp::ProductVersion = "10.1";
    frame::CRvcApp::CatalogueFileName = "rvc.dat";
  }

  bool Generate(lifecycle::IPpdGenerator& generator) {
    ripconfig::RavlcfgHandle* cfg = ripconfig::ravlcfg_open(dispatcher_.Path() + "/data/zv_config.res");
    EXPECT_NE(cfg, nullptr);
    // Closed also when the generation raises.
    std::unique_ptr<ripconfig::RavlcfgHandle*, void (*)(ripconfig::RavlcfgHandle**)> close(&cfg,
                                                                                           ripconfig::ravlcfg_close);
    return generator.Generate(dispatcher_, *cfg, sample_ / "data/Tiffmono/");
  }
  std::string Ppd() const { return ReadFile(dispatcher_.Path() + "/ppd/QBTIFFMONO0_IMAGESETTER_FIL.PPD"); }

  SampleLayout sample_;
  store::CDispatcher dispatcher_;
};

TEST_F(AdapterTest, GeneratesThePpdOfTheDispatcher) {
  std::string programFolder = sample_ / "prog/Tiffmono/";
  lifecycle::CPpdGeneratorAdapter adapter([&] { return programFolder; });
  frame::CRvcApp::ProductVersion = "10.2";
  frame::CRvcApp::CatalogueFileName = "rvc_10.1.dat";
  store::ResourceDb catalogue = store::ResourceDb::OpenOrThrow(sample_ / "config/rvc_10.1.dat");
  catalogue.Set("_internal_", "ExtraPPDLocation", dir_ / "copy");
  catalogue.Flush();
  ASSERT_TRUE(Generate(adapter));
  EXPECT_NE(Ppd().find("*% Created by:RavlinConfigurator 10.2\n"), std::string::npos);
  EXPECT_TRUE(FileExists(dispatcher_.Path() + "/ppd/ravlin.inf"));
  EXPECT_EQ(adapter.ExtraPpdLocation(), dir_ / "copy");

  // Fixed values; the folder of one flavour given once (no trailing separator needed).
  const std::string folder = sample_ / "prog/Tiffmono";
  lifecycle::CPpdGeneratorAdapter fixed([folder] { return folder; }, "9.9", "rvc.dat");
  ASSERT_TRUE(Generate(fixed));
  EXPECT_NE(Ppd().find("*% Created by:RavlinConfigurator 9.9\n"), std::string::npos);
  EXPECT_EQ(fixed.ExtraPpdLocation(), "");
  lifecycle::CPpdGeneratorAdapter oneFlavour(folder);
  frame::CRvcApp::ProductVersion = "10.1";
  ASSERT_TRUE(Generate(oneFlavour));
  EXPECT_NE(Ppd().find("*% Created by:RavlinConfigurator 10.1\n"), std::string::npos);

  // The program folder is asked for at every call; one without "types.dat" raises 109
  // to the caller.
  programFolder = dir_ / "nowhere/";
  EXPECT_EQ(Raised([&] { Generate(adapter); }).Id(), 109);
}

}  // namespace
}  // namespace rvc::ppd::test
