#include "apps/common/installation_layout.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/environment.h"

namespace rvc::app {

const char* BuildVersion() { return RVC_VERSION; }

std::string ExecutableFolder() {
  std::string path(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return "";
  path.resize(static_cast<size_t>(length));
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::vector<OwnFolder> OwnFolders() {
  const std::string bin = ExecutableFolder();
  if (bin.empty()) return {};
  auto beside = [&bin](const char* relative) {
    return std::filesystem::path(bin + "/" + relative).lexically_normal().string();
  };
  return {{"KW_PROG_RAVLINCONFIG", beside(RVC_BIN_TO_PROGRAM)}, {"RAVLIN_PLUGIN_DIR", beside(RVC_BIN_TO_PLUGINS)}};
}

void UseOwnFolders() {
  // Read here rather than through KW_EnvironmentSetupEx, which would also hand the file's
  // other variables to the process before the programs' own start-up checks.
  const std::vector<platform::EnvironmentEntry> file = platform::ReadEnvironmentFile(platform::EnvironmentFilePath());
  for (const OwnFolder& own : OwnFolders()) {
    if (platform::GetEnv(own.variable)) continue;
    if (std::any_of(file.begin(), file.end(), [&](const auto& entry) { return entry.name == own.variable; })) continue;
    struct stat st {};
    if (::stat(own.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) platform::SetEnv(own.variable, own.path);
  }
}

}  // namespace rvc::app
