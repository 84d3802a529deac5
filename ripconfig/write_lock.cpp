#include "ripconfig/write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

namespace rvc::ripconfig {
namespace {

// The process holding a flock on the file open as `fd`, from /proc/locks, whose lines read
// "1: FLOCK  ADVISORY  WRITE 4242 08:01:131090 0 EOF" (device numbers in hex, the inode
// in decimal); waiting requests are marked "->" and are skipped.
std::string HolderOf(int fd) {
  struct stat info {};
  FILE* locks = fstat(fd, &info) == 0 ? std::fopen("/proc/locks", "re") : nullptr;
  if (locks == nullptr) return "another program";
  std::string holder = "another program";
  char line[256];
  while (std::fgets(line, sizeof line, locks) != nullptr) {
    char kind[16] = {};
    char mode[16] = {};
    long pid = 0;
    unsigned major = 0, minor = 0;
    uintmax_t inode = 0;
    const char* rest = std::strchr(line, ':');
    if (rest == nullptr || std::strstr(line, "->") != nullptr) continue;
    if (std::sscanf(rest + 1, " %15s %*s %15s %ld %x:%x:%" SCNuMAX, kind, mode, &pid, &major, &minor, &inode) != 6) continue;
    if (std::strcmp(kind, "FLOCK") == 0 && major == ::major(info.st_dev) && minor == ::minor(info.st_dev) &&
        inode == info.st_ino) {
      holder = "process " + std::to_string(pid);
      break;
    }
  }
  std::fclose(locks);
  return holder;
}

}  // namespace

WriteLock::WriteLock(std::string folder, int folderFd) : folder_(std::move(folder)), shared_(folderFd) {}

WriteLock::~WriteLock() { Release(); }

bool WriteLock::TryOnce(std::string& reason) {
  const int fd =
      shared_ >= 0 ? shared_ : open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    reason = "cannot open the folder " + folder_ + " to lock its configuration: " + std::strerror(errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    reason = error == EWOULDBLOCK ? "the configuration is locked by " + HolderOf(fd) + " (" + folder_ + ")"
                                  : "cannot lock the configuration in " + folder_ + ": " + std::strerror(error);
    if (fd != shared_) close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool WriteLock::Acquire(int waitSeconds, std::string* reason) {
  if (Held()) return true;
  std::string why;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds > 0 ? waitSeconds : 0);
  while (!TryOnce(why)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      if (reason != nullptr) *reason = why;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

void WriteLock::Release() {
  if (!Held()) return;
  if (fd_ == shared_) {
    flock(fd_, LOCK_UN);
  } else {
    close(fd_);
  }
  fd_ = -1;
}

}  // namespace rvc::ripconfig
