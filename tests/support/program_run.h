// Running one of our programs as a script or an installer would: its own environment, no
// display, standard input from /dev/null (or a terminal), and its output kept.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace rvc::test {

struct ProgramResult {
  int exitCode = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

struct ProgramRun {
  std::string program;
  std::vector<std::string> arguments;
  // On top of this process's environment, which loses the display and the variables
  // that would point the program elsewhere than at the test's installation.
  std::map<std::string, std::string> environment;
  std::string scratch;  // a folder, ending with the separator, for the output files
  int uid = -1;         // run as that user (and group of the same number) when >= 0
  const std::string* terminal = nullptr;  // standard input is a terminal with this typed
  bool errorOnTerminal = false;           // standard error is a terminal (its output kept, "\r" removed)
};

ProgramResult RunProgram(const ProgramRun& run);

}  // namespace rvc::test
