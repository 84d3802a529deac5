// Hooks for the screenshots of the documentation and for the start-up benchmark, switched
// on by environment variables and inert otherwise:
//
//   RVC_SCREENSHOT=<folder>   once the main window has painted, saves it as
//                             <folder>/main-window.png, opens the New dialog, saves that as
//                             <folder>/new-dispatcher.png and cancels it, opens Modify,
//                             saves its General, Setup, Swapfiles and first plug-in tab as
//                             <folder>/modify-general.png, modify-setup.png,
//                             modify-swapfiles.png and modify-plugin-page.png, cancels it
//                             and closes the window.
//                             RVC_SCREENSHOT_FLAVOUR=<display name> chooses a flavour and
//                             RVC_SCREENSHOT_ROW=<n> clicks a row first, as a user would.
//   RVC_FIRST_PAINT=1         at the main window's first paint, prints
//                             "first-paint <ns>" (CLOCK_MONOTONIC) on standard output and
//                             closes the window.
#pragma once

namespace rvc::ui {

// Installs the hooks that the environment asks for; needs the QApplication.
void InstallDiagnostics();

}  // namespace rvc::ui
