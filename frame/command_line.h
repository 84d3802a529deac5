// The command line of rvc_setup: the preferred flavour, the job switches, the optional
// program and data folders and the optional product version.
//
//   rvc_setup [flavour] [-i|-u|-b|-d|-v] [-f] [version]
//   rvc_setup flavour progdir datadir -switch [version]
//
// Every argument that begins with "-", or with "/" and holds no further "/", is a switch.
// (Linux paths begin with "/": "/opt/ravlin/prog" given as a program folder is a path,
// not a switch, while "/u" still is one.) A switch is lower-cased and searched for its
// letters anywhere: the first of "i", "u", "b", "d", "v" it contains picks the mode, and
// "f" marks the preferred flavour as given. Arguments are examined from the last to the
// first, so of several mode switches the leftmost wins.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rvc::frame {

// The values of CRvcApp::Mode.
enum Mode : int {
  kModeInteractive = 0,
  kModeInstall = 1,
  kModeBackup = 2,
  kModeUpdate = 3,
  kModeDelete = 4,
  kModeVersion = 5,
};

struct CommandLine {
  std::vector<std::string> Arguments;  // without the program path
  int Mode = kModeInteractive;
  bool PreferredFlavourGiven = false;
  // The first argument, whatever it is ("" without arguments).
  std::string PreferredFlavour;
  // The last argument when it holds a ".".
  std::optional<std::string> Version;

  // Job modes with more than three arguments name the program and the data folder in
  // the second and third argument; they replace "progdir" and "datadir" of the catalogue.
  std::optional<std::string> ProgramFolder() const;
  std::optional<std::string> DataFolder() const;
};

CommandLine ParseCommandLine(std::vector<std::string> arguments);

// True when `argument` is a switch as described above.
bool IsSwitch(const std::string& argument);

// The trace file of a mode: "trace_rvc.txt" for interactive runs, "trace_rvc_install.txt"
// and so on for the jobs.
const char* TraceFileName(int mode);

// "Install", "Backup", "Update", "Delete", "Version" ("" for interactive runs).
const char* ModeName(int mode);

}  // namespace rvc::frame
