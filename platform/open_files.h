// Which running processes use files below a folder, found the way fuser finds them: by
// reading /proc/<pid>/fd, cwd, root, exe and maps.
#pragma once

#include <string>
#include <vector>

namespace rvc::platform {

struct TreeUse {
  int pid = 0;
  std::string kind;  // "fd", "cwd", "root", "exe" or "map"
  std::string path;  // as the kernel reports it
};

struct TreeUseQuery {
  bool firstOnly = false;           // stop at the first use found
  bool ownWorkingDirectory = true;  // whether the working directory of this process counts
};

// Every use of `folder` or of a path below it by a running process. The folder is made
// canonical first (case ignored, links resolved); a folder that does not exist has no
// uses. Processes whose entries may not be read (other users' processes when not
// privileged) and processes that end meanwhile are skipped.
std::vector<TreeUse> FindTreeUses(const std::string& folder, const TreeUseQuery& query = {});

}  // namespace rvc::platform
