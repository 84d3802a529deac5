// A launcher of an installed dispatcher, as an installation has it for each dispatcher.
#pragma once

#include <string>

#include "store/shortcuts.h"

namespace rvc::test {

inline constexpr const char* kDispatcherProgram = "/opt/ravlin/bin/dispatcher";

// Makes the launcher of dispatcher `name` in `folder` (label 10.1) on the desktop or in
// the program group; returns its path.
inline std::string MakeDispatcherLauncher(const std::string& name, const std::string& folder, bool desktop,
                                          const std::string& workingFolder = "/opt/ravlin/bin") {
  store::NewDispatcherShortcut shortcut;
  shortcut.name = name;
  shortcut.label = "10.1";
  shortcut.program = kDispatcherProgram;
  shortcut.arguments = store::CShortcuts::DispatcherArguments(folder, name);
  shortcut.workingFolder = workingFolder;
  return store::CShortcuts().CreateDispatcherShortcut(shortcut, desktop);
}

}  // namespace rvc::test
