// Where the programs find their own files: relative to the folder of the running
// executable, so that one build runs from the build tree, from /usr and from /opt alike.
//
//   <bin>/rvc_setup, <bin>/ravlinctl
//   <bin>/<RVC_BIN_TO_PROGRAM>   the configurator's program folder (KW_PROG_RAVLINCONFIG):
//                                dat/templates/PpdInfo.dat, dat/templates/ravlininf.dat
//   <bin>/<RVC_BIN_TO_PLUGINS>   the plug-in folder (RAVLIN_PLUGIN_DIR)
//
// The relative paths come from the install layout (GNUInstallDirs); the build tree holds
// the same layout beside the executables (see apps/CMakeLists.txt and docs/packaging.md).
#pragma once

#include <string>
#include <vector>

namespace rvc::app {

// "10.1.0", the version of the build.
const char* BuildVersion();

// The folder of the running executable, without a trailing "/" ("" when unknown).
std::string ExecutableFolder();

// A variable whose default the programs derive from their own location.
struct OwnFolder {
  const char* variable;  // KW_PROG_RAVLINCONFIG, RAVLIN_PLUGIN_DIR
  std::string path;      // the folder beside the executable
};
std::vector<OwnFolder> OwnFolders();

// Sets each variable of OwnFolders() that neither the process nor the installation's
// environment file sets, when its folder exists. Call first thing in main: the process
// and the environment file keep the last word.
void UseOwnFolders();

}  // namespace rvc::app
