// The texts of a trace file's lines, for tests that check what was traced.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace rvc::test {

// The lines of trace file `path` without their time stamps; lines without one stay whole.
inline std::vector<std::string> TraceTexts(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);) {
    const size_t tag = line.find("\tRVC::");
    lines.push_back(tag == std::string::npos ? line : line.substr(tag + 6));
  }
  return lines;
}

}  // namespace rvc::test
