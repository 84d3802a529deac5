// Running shell commands from tests, and judging cupstestppd's verdict on generated PPDs.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace rvc::test {

struct ShellResult {
  int status = -1;  // the exit code; -1 when the command did not exit normally
  std::string output;
};

// Runs `command` with the shell; the output holds standard output and standard error.
inline ShellResult RunShell(const std::string& command) {
  ShellResult result;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return result;
}

inline bool Installed(const std::string& tool) { return RunShell("command -v " + tool).status == 0; }

// Expects desktop-file-validate to accept the launcher `path` without an error. False, with
// nothing checked, when the tool is not installed (package desktop-file-utils).
inline bool ExpectValidDesktopFile(const std::string& path) {
  if (!Installed("desktop-file-validate")) return false;
  const ShellResult result = RunShell("desktop-file-validate '" + path + "'");
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output.find("error"), std::string::npos) << result.output;
  return true;
}

// Whether a "**FAIL**" line of cupstestppd on a generated PPD is one of the findings the
// fixed formats cause, recorded in docs/ppd-generation.md ("cupstestppd findings"):
// *ModelName carries the device type as it is, and cupstestppd allows no "_" there; films
// follow the papers of PpdInfo.dat unmerged, so a film named like one of them (one of
// `doubledPapers`) is listed twice.
inline bool KnownCupsFinding(const std::string& line, const std::string& deviceType,
                             const std::vector<std::string>& doubledPapers) {
  if (line.find("Bad ModelName - \"_\" not allowed in string.") != std::string::npos) {
    return deviceType.find('_') != std::string::npos;
  }
  for (const char* option : {"PageSize", "PageRegion"}) {
    const std::string prefix = std::string("Multiple occurrences of option ") + option + " choice name ";
    if (size_t at = line.find(prefix); at != std::string::npos) {
      std::string name = line.substr(at + prefix.size());
      if (!name.empty() && name.back() == '.') name.pop_back();
      return std::find(doubledPapers.begin(), doubledPapers.end(), name) != doubledPapers.end();
    }
  }
  return false;
}

// Runs cupstestppd on the PPD `path`: every FAIL line must be a known finding, and the
// report ends with PASS exactly when there is none.
inline void ExpectCupsAccepts(const std::string& path, const std::string& deviceType,
                              const std::vector<std::string>& doubledPapers) {
  const ShellResult report = RunShell("cupstestppd -W none '" + path + "'");
  std::istringstream lines(report.output);
  int failures = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("**FAIL**") == std::string::npos) continue;
    ++failures;
    EXPECT_TRUE(KnownCupsFinding(line, deviceType, doubledPapers)) << path << ": " << line;
  }
  EXPECT_EQ(report.output.find(": PASS") != std::string::npos, failures == 0) << report.output;
}

}  // namespace rvc::test
