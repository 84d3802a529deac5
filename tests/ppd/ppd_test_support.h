// Shared set-up of the PPD tests: a scratch installation (configurator folder with its
// PpdInfo.dat, trace folder, PPD folder), a headless user interface, and golden files.
//
// Golden files live in tests/ppd/golden/ and are compared byte for byte; the date of the
// end comments is masked. RVC_UPDATE_GOLDEN=1 rewrites them from the actual output
// (review the diff before committing it).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ppd/create_ppd.h"
#include "tests/core/trace_texts.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::ppd::test {

using rvc::store::ExpectRvcError;
using rvc::store::Raised;
using rvc::test::FileExists;
using rvc::test::ReadFile;
using rvc::test::ScopedEnv;
using rvc::test::TempDir;
using rvc::test::TraceTexts;
using rvc::test::WriteFile;

inline std::string SourcePath(const std::string& relative) { return std::string(RVC_SOURCE_DIR) + "/" + relative; }

// Papers of the sections' tests: one fits any device of at least 600 x 800 points
// exactly, a long name, a name with full stops and colons, one written with a small x.
inline const char* kTestPpdInfo =
    "[Paper]\n"
    "Exact=600X800\n"
    "Wider=601X800\n"
    "Higher=600X801\n"
    "A Paper Name Longer Than Twenty-Eight=100X200\n"
    "Ver. 2:B=  300X400 \n"
    "Small=612x792\n";

// The line of the end comments that carries today's date, masked.
inline std::string MaskDate(const std::string& text) {
  const std::string marker = "*% Last update : ";
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(start, end - start);
    if (line.rfind(marker, 0) == 0) {
      const bool crlf = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0;
      line = marker + "<date>" + (crlf ? "\r\n" : line.back() == '\n' ? "\n" : "");
    }
    out += line;
    start = end;
  }
  return out;
}

// Compares `actual` with tests/ppd/golden/<name> and names the first line that differs.
inline void ExpectGolden(const std::string& actual, const std::string& name) {
  const std::string path = SourcePath("tests/ppd/golden/" + name);
  const std::string masked = MaskDate(actual);
  if (const char* update = std::getenv("RVC_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
    WriteFile(path, masked);
  }
  const std::string expected = ReadFile(path);
  if (masked == expected) return;
  std::istringstream a(masked), e(expected);
  std::string la, le;
  int number = 1;
  while (true) {
    const bool ga = static_cast<bool>(std::getline(a, la));
    const bool ge = static_cast<bool>(std::getline(e, le));
    if (!ga && !ge) break;
    if (!ga || !ge || la != le) {
      ADD_FAILURE() << name << " differs at line " << number << "\n  expected: " << (ge ? le : "<end>")
                    << "\n  actual:   " << (ga ? la : "<end>");
      return;
    }
    ++number;
  }
  ADD_FAILURE() << name << " differs (line breaks)";
}

class PpdTest : public ::testing::Test {
 protected:
  PpdTest()
      : noEnvironmentFile_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"),
        configFolder_("KW_DATA_RAVLINCONFIG", dir_ / "cfg"),
        programFolder_("KW_PROG_RAVLINCONFIG", dir_ / "configurator"),
        limitName_("RVC_PPD_LIMITNAME", std::nullopt),
        scope_(ui_) {
    WriteFile(dir_ / "cfg/.keep", "");
    WriteFile(dir_ / "ppd/.keep", "");
    WriteFile(dir_ / "configurator/dat/templates/PpdInfo.dat", kTestPpdInfo);
  }

  // The texts of the trace lines written so far (without time stamps).
  std::vector<std::string> TraceLines() const { return TraceTexts(dir_ / "cfg/trace_rvc.txt"); }

  // Opens `templateText` as the template of flavour Ravlin, port separator 3, type
  // Generic, runs `sections` and closes; returns the PPD's bytes.
  std::string Generate(const std::string& templateText, const std::function<void(CCreatePpd&)>& sections,
                       ScreenMode mode = ScreenMode::Binary) {
    WriteFile(dir_ / "template.ppd", templateText);
    CCreatePpd ppd;
    EXPECT_EQ(ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, mode), 1);
    sections(ppd);
    EXPECT_EQ(ppd.Close(), 1);
    return ReadFile(ppd.PpdPath());
  }

  TempDir dir_;
  ScopedEnv noEnvironmentFile_;
  ScopedEnv configFolder_;
  ScopedEnv programFolder_;
  ScopedEnv limitName_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scope_;
};

}  // namespace rvc::ppd::test
