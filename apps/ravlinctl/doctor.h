// "ravlinctl doctor": checks an installation without changing it and tells, for every
// problem, the file concerned and the command or change that fixes it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apps/ravlinctl/arguments.h"
#include "apps/ravlinctl/console.h"

namespace rvc::ctl {

struct Finding {
  std::string check;    // "environment", "catalogue", "flavour", "dispatcher", "ports", "launcher", "debris", "queues"
  std::string file;     // the file or folder concerned
  std::string problem;  // what is wrong
  std::string fix;      // what repairs it
};

// Runs every check against the installation the environment describes; `version` picks
// the catalogue as for the other subcommands.
std::vector<Finding> CheckInstallation(const std::optional<std::string>& version);

// After the catalogue failed to load: the doctor's first findings with their files and
// fixes, so that the error says more than the loader's message.
void SayWhyNothingLoads(CtlConsole& console, const std::optional<std::string>& version);

// Prints the findings (or JSON with --json); 0 when there are none, else 1.
int RunDoctor(const Arguments& arguments, const std::optional<std::string>& version);

}  // namespace rvc::ctl
