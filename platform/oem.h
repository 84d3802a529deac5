// The OEM party of the installation.
//
// An installation built for an OEM partner says so in its environment: the variable
// RAVLIN_OEM, set in the process environment or in the installation's environment file
// (platform/environment.h), names the partner. "RAVLIN_OEM=Dedezi" marks a Dedezi
// installation, whose configurator opens on the "Dedezi" flavour. The file is read here
// directly because the question is asked before the installation's environment is set up.
#pragma once

#include <string>

namespace rvc::platform {

// The partner named by RAVLIN_OEM, or "" when none is named.
std::string OemPartyName();

// 1 for a Dedezi installation (RAVLIN_OEM equals "Dedezi", ignoring case), else 0.
int GetOemParty();

}  // namespace rvc::platform
