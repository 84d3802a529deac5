#include "store/installation_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/environment.h"
#include "platform/file_io.h"
#include "platform/path.h"

namespace rvc::store {
namespace {

// The process's own hold: the open lock file and how many holders share it.
int heldFd = -1;
int holders = 0;

std::string ProgramName() {
  std::string comm;
  if (!platform::ReadWholeFile("/proc/self/comm", comm)) return "unknown program";
  while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\r')) comm.pop_back();
  return comm;
}

// The note of the holder: "<pid> <program> <purpose>".
std::string ReadHolder(int fd) {
  char buffer[512];
  const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
  if (n <= 0) return "another process";
  std::string note(buffer, static_cast<size_t>(n));
  while (!note.empty() && (note.back() == '\n' || note.back() == ' ')) note.pop_back();
  const size_t blank = note.find(' ');
  if (blank == std::string::npos) return "another process";
  return "process " + note.substr(0, blank) + " (" + note.substr(blank + 1) + ")";
}

void WriteHolder(int fd, const std::string& purpose) {
  const std::string note = std::to_string(::getpid()) + " " + ProgramName() + (purpose.empty() ? "" : " ") + purpose + "\n";
  // Best effort: the note only tells a program kept waiting who holds the lock.
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, note.data(), note.size(), 0);
  }
}

}  // namespace

CInstallationBusy::CInstallationBusy(const std::string& holder)
    : std::runtime_error("the installation is being changed by " + holder +
                         "; try again when it has finished"),
      holder_(holder) {}

std::string CInstallationLock::LockFilePath() {
  const std::string folder = platform::NativePath(platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or(""));
  if (folder.empty()) return {};
  return platform::WithTrailingSeparator(folder) + "rvc_installation.lock";
}

bool CInstallationLock::HeldHere() { return holders > 0; }

CInstallationLock::CInstallationLock(const std::string& purpose, std::chrono::milliseconds wait) {
  if (holders > 0) {
    ++holders;
    return;
  }
  const std::string path = LockFilePath();
  if (path.empty()) throw std::runtime_error("KW_DATA_RAVLINCONFIG is not set: there is no installation to lock");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot open the installation lock " + path + ": " + std::strerror(errno));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      const int cause = errno;
      ::close(fd);
      throw std::runtime_error("cannot lock " + path + ": " + std::strerror(cause));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      const std::string holder = ReadHolder(fd);
      ::close(fd);
      throw CInstallationBusy(holder);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  WriteHolder(fd, purpose);
  heldFd = fd;
  holders = 1;
}

CInstallationLock::~CInstallationLock() {
  if (--holders > 0) return;
  // Only a killed holder leaves its note behind.
  [[maybe_unused]] const int emptied = ::ftruncate(heldFd, 0);
  ::close(heldFd);
  heldFd = -1;
}

}  // namespace rvc::store
