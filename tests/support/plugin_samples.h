// The sample plug-in libraries built with the tests (plugins/samples/): their paths, and
// their call log, which they append to the file named by RVC_PLUGIN_SAMPLE_LOG.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace rvc::test {

// The path of sample library `name` ("general", "dispatcher", "synchronize",
// "synchronize_stop", "configuration", "media", "resolution", "resandcal", "old_style",
// "version05", "version09").
inline std::string PluginSample(const std::string& name) {
  return std::string(RVC_PLUGIN_SAMPLES_DIR) + "/librvc_sample_" + name + ".so";
}

// The lines of a call log ("<sample> <export>(<arguments>)"), in call order.
inline std::vector<std::string> PluginCalls(const std::string& logFile) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(logFile));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace rvc::test
