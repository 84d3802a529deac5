#include "ripconfig/write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

namespace rvc::ripconfig {
namespace {

// The holder writes its process id into the lock file; a refused caller names it.
std::string HolderOf(int fd) {
  char buffer[32] = {};
  ssize_t n = pread(fd, buffer, sizeof(buffer) - 1, 0);
  if (n <= 0) return "another program";
  std::string pid(buffer, static_cast<size_t>(n));
  while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
  return pid.empty() ? "another program" : "process " + pid;
}

}  // namespace

WriteLock::WriteLock(std::string lockPath) : path_(std::move(lockPath)) {}

WriteLock::~WriteLock() { Release(); }

bool WriteLock::TryOnce(std::string& reason) {
  // A holder removes the file when it lets go; locking a file that was removed (or
  // replaced) meanwhile would lock nothing, so the lock only counts when the path still
  // names the locked file afterwards.
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      reason = "cannot create the lock file " + path_ + ": " + std::strerror(errno);
      return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      reason = error == EWOULDBLOCK ? "the configuration is locked by " + HolderOf(fd) + " (" + path_ + ")"
                                    : "cannot lock " + path_ + ": " + std::strerror(error);
      close(fd);
      return false;
    }
    struct stat opened {};
    struct stat named {};
    if (fstat(fd, &opened) == 0 && stat(path_.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino) {
      std::string pid = std::to_string(getpid()) + "\n";
      // Only a file left behind by a holder that died needs truncating; truncating the
      // new, empty file would also make the file system flush it when it is closed.
      if (opened.st_size == 0 || ftruncate(fd, 0) == 0) {
        [[maybe_unused]] ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
      }
      fd_ = fd;
      return true;
    }
    close(fd);
  }
  reason = "cannot lock " + path_ + ": the lock file keeps changing";
  return false;
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
  // Removed while still locked, so nobody can lock the old file after we let go.
  unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
}

}  // namespace rvc::ripconfig
