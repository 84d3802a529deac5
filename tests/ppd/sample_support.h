// The bundled sample installation laid out in a scratch folder as
// scripts/lay_out_sample.sh does it (copied, ICC profiles decoded from their hex text),
// with the variables of its environment file set for the test. The copy is made here
// rather than by the script to keep tests quick; tests/ppd/sample_layout_test.cpp checks
// that both give the same installation. The environment file itself stays out of reach
// (PpdTest points RAVLIN_ENVIRONMENT_FILE elsewhere), so that a variable a test unsets
// stays unset.
#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/ppd/ppd_test_support.h"
#include "tests/support/sample_installation.h"

namespace rvc::ppd::test {

// The bytes of a hex text: lines starting with "#" are comments, blanks are ignored.
inline std::string DecodeHex(const std::string& text) {
  std::string bytes;
  std::istringstream lines(text);
  std::string digits;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    for (char c : line) {
      if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    }
  }
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

class SampleLayout {
 public:
  // `parts`: the top-level folders of the sample to copy (tests that need only a few stay
  // quick); empty: all of it. The variables of the layout's environment file are set.
  explicit SampleLayout(const std::vector<std::string>& parts = {})
      : sample_(parts.empty() ? std::vector<std::string>{""} : parts, Variables()), root_(sample_.Root()) {
    namespace fs = std::filesystem;
    std::vector<fs::path> hexFiles;
    std::error_code noCms;
    for (auto entry = fs::recursive_directory_iterator(root_ + "/cms", noCms); entry != fs::end(entry); ++entry) {
      const std::string name = entry->path().filename().string();
      if (name.ends_with(".icc.hex") || name.ends_with(".icm.hex")) hexFiles.push_back(entry->path());
    }
    for (const fs::path& hex : hexFiles) {
      WriteFile(hex.parent_path() / hex.stem(), DecodeHex(ReadFile(hex)));
      fs::remove(hex);
    }
  }
  // The variables of the layout's environment file.
  static std::vector<std::string> Variables() {
    return {"RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG", "KW_PROG_RAVLINCONFIG", "KW_DATA_TRP", "KW_DATA_SCREENS",
            "KW_DATA_DGC", "KW_CMS", "TMP", "RAVLIN_DESKTOP_DIR", "RAVLIN_PROGRAMS_DIR"};
  }

  // The trace lines written into the layout's trace file, without time stamps.
  std::vector<std::string> Traces() const { return TraceTexts(root_ + "/config/trace_rvc.txt"); }
  void ClearTraces() const { WriteFile(root_ + "/config/trace_rvc.txt", ""); }

  // The root of the layout, without a trailing separator.
  const std::string& Root() const { return root_; }
  std::string operator/(const std::string& relative) const { return root_ + "/" + relative; }

 private:
  rvc::test::SampleInstallation sample_;
  std::string root_;
};

}  // namespace rvc::ppd::test
