#include "platform/open_files.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

#include "platform/path.h"

namespace rvc::platform {
namespace {

bool IsBelow(std::string_view path, const std::string& root) {
  if (root == "/") return !path.empty() && path.front() == '/';
  if (path.size() < root.size() || path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

bool ReadLink(const std::string& link, std::string& target) {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
  if (n <= 0) return false;
  target.assign(buffer, static_cast<size_t>(n));
  return true;
}

bool AllDigits(const char* name) {
  if (*name == '\0') return false;
  for (; *name != '\0'; ++name) {
    if (*name < '0' || *name > '9') return false;
  }
  return true;
}

class Scan {
 public:
  Scan(std::string root, const TreeUseQuery& query) : root_(std::move(root)), query_(query) {}

  bool Done() const { return query_.firstOnly && !uses_.empty(); }
  std::vector<TreeUse> Take() { return std::move(uses_); }

  void Process(int pid, bool own) {
    const std::string base = "/proc/" + std::to_string(pid) + "/";
    if (!own || query_.ownWorkingDirectory) Link(pid, base + "cwd", "cwd");
    Link(pid, base + "root", "root");
    Link(pid, base + "exe", "exe");
    Descriptors(pid, base + "fd");
    Maps(pid, base + "maps");
  }

 private:
  void Add(int pid, const char* kind, std::string path) {
    if (Done() || !IsBelow(path, root_)) return;
    uses_.push_back(TreeUse{pid, kind, std::move(path)});
  }

  void Link(int pid, const std::string& link, const char* kind) {
    std::string target;
    if (!Done() && ReadLink(link, target)) Add(pid, kind, std::move(target));
  }

  void Descriptors(int pid, const std::string& folder) {
    if (Done()) return;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;  // not ours to inspect, or gone
    while (dirent* entry = ::readdir(dir)) {
      if (Done()) break;
      if (!AllDigits(entry->d_name)) continue;
      Link(pid, folder + "/" + entry->d_name, "fd");
    }
    ::closedir(dir);
  }

  // A line is "address perms offset device inode   path"; the path may hold blanks.
  void Maps(int pid, const std::string& file) {
    if (Done()) return;
    std::ifstream in(file);
    std::string line;
    while (!Done() && std::getline(in, line)) {
      size_t pos = 0;
      for (int field = 0; field < 5 && pos != std::string::npos; ++field) {
        pos = line.find(' ', line.find_first_not_of(' ', pos));
      }
      if (pos == std::string::npos) continue;
      pos = line.find_first_not_of(' ', pos);
      if (pos == std::string::npos || line[pos] != '/') continue;  // anonymous, [heap], [stack]
      Add(pid, "map", line.substr(pos));
    }
  }

  std::string root_;
  TreeUseQuery query_;
  std::vector<TreeUse> uses_;
};

}  // namespace

std::vector<TreeUse> FindTreeUses(const std::string& folder, const TreeUseQuery& query) {
  std::string resolved = ResolveNoCase(folder);
  char* canonical = ::realpath(resolved.c_str(), nullptr);
  if (canonical == nullptr) return {};
  Scan scan(canonical, query);
  std::free(canonical);

  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return {};
  const int self = static_cast<int>(::getpid());
  while (dirent* entry = ::readdir(proc)) {
    if (scan.Done()) break;
    if (!AllDigits(entry->d_name)) continue;
    int pid = std::atoi(entry->d_name);
    scan.Process(pid, pid == self);
  }
  ::closedir(proc);
  return scan.Take();
}

}  // namespace rvc::platform
