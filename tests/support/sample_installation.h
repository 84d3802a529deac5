// Parts of the bundled sample installation copied into a temporary folder, with the
// environment variables that point the program at the copy (restored afterwards).
// Test targets define RVC_SOURCE_DIR, so this stays a header.
#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace rvc::test {

class SampleInstallation {
 public:
  // Where `variable` points in the copy, relative to its root ("" is the root itself).
  static std::string Location(const std::string& variable) {
    static const std::pair<const char*, const char*> kLocations[] = {{"RAVLIN_ENVIRONMENT_FILE", "/no-environment"},
                                                                     {"RAVLIN_SAMPLE_ROOT", ""},
                                                                     {"KW_DATA_RAVLINCONFIG", "/config"},
                                                                     {"KW_PROG_RAVLINCONFIG", "/configurator"},
                                                                     {"KW_DATA_TRP", "/trp"},
                                                                     {"KW_DATA_SCREENS", "/screens"},
                                                                     {"KW_DATA_DGC", "/curves"},
                                                                     {"KW_CMS", "/cms"},
                                                                     {"TMP", "/tmp"},
                                                                     {"RAVLIN_DESKTOP_DIR", "/desktop"},
                                                                     {"RAVLIN_PROGRAMS_DIR", "/programs"}};
    for (const auto& [name, relative] : kLocations) {
      if (variable == name) return relative;
    }
    return "/" + variable;
  }

  // Copies the folders `parts` of sample/ ("" for all of it), makes the tmp, desktop and
  // programs folders and sets `variables` to their locations in the copy.
  SampleInstallation(const std::vector<std::string>& parts, const std::vector<std::string>& variables)
      : root_(dir_ / "ravlin") {
    for (const std::string& part : parts) Copy(part);
    // The plug-in libraries, as scripts/lay_out_sample.sh adds them to a whole layout.
    if (std::find(parts.begin(), parts.end(), "") != parts.end()) {
      std::filesystem::create_directories(*this / "plugins");
      for (const auto& entry : std::filesystem::directory_iterator(RVC_PLUGIN_SAMPLES_DIR)) {
        if (entry.path().filename().string().starts_with("librvc_sample_")) {
          std::filesystem::copy_file(entry.path(), *this / ("plugins/" + entry.path().filename().string()));
        }
      }
    }
    for (const char* folder : {"tmp", "desktop", "programs"}) std::filesystem::create_directories(*this / folder);
    for (const std::string& name : variables) {
      variables_.push_back(std::make_unique<ScopedEnv>(name, root_ + Location(name)));
    }
  }

  // Copies sample/<part> to the same place in the copy.
  void Copy(const std::string& part) const {
    namespace fs = std::filesystem;
    const std::string target = part.empty() ? root_ : *this / part;
    fs::create_directories(fs::path(target).parent_path());
    fs::copy(std::string(RVC_SOURCE_DIR) + "/sample/" + part, target,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }

  // The root of the copy, without a trailing separator.
  const std::string& Root() const { return root_; }
  std::string operator/(const std::string& relative) const { return root_ + "/" + relative; }

 private:
  TempDir dir_;
  std::string root_;
  std::vector<std::unique_ptr<ScopedEnv>> variables_;
  // Where scripts/lay_out_sample.sh run meanwhile takes the plug-in libraries from.
  ScopedEnv pluginSamples_{"RVC_PLUGIN_SAMPLES_DIR", RVC_PLUGIN_SAMPLES_DIR};
};

}  // namespace rvc::test
