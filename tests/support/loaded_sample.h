// The whole bundled sample installation in a temporary folder, the environment pointing
// at it, and its flavour catalogue loaded; no running dispatcher's window is found.
// Test targets define RVC_SOURCE_DIR and link rvc_frame, so this stays a header.
#pragma once

#include <stdexcept>
#include <string>

#include "frame/flavour_catalogue.h"
#include "platform/window_lookup.h"
#include "tests/support/sample_installation.h"

namespace rvc::test {

// Flavours of the sample in display-name order.
inline constexpr int kApproval = 0;
inline constexpr int kProof = 1;
inline constexpr int kTiff = 2;
inline constexpr int kDedezi = 3;

class NoWindows : public platform::IWindowLookup {
 public:
  bool TopLevelWindowExists(const std::string&) override { return false; }
};

class LoadedSample {
 public:
  LoadedSample() {
    frame::CatalogueOptions options;
    if (!frame::LoadFlavourCatalogue(frame::CataloguePath("rvc_10.1.dat"), "", options, flavours)) {
      throw std::runtime_error("the sample catalogue did not load");
    }
  }

  std::string Path(const std::string& relative) const { return copy_ / relative; }

  frame::FlavourList flavours;

 private:
  SampleInstallation copy_{{""},
                           {"RAVLIN_ENVIRONMENT_FILE", "RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG",
                            "KW_PROG_RAVLINCONFIG", "TMP", "RAVLIN_DESKTOP_DIR", "RAVLIN_PROGRAMS_DIR"}};
  NoWindows windows_;
  platform::ScopedWindowLookup scopedWindows_{windows_};
};

}  // namespace rvc::test
