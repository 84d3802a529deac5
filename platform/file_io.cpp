#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace rvc::platform {
namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void SyncFolderOf(const std::string& path) { SyncFolder(FolderOf(path)); }

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes.clear();
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  auto fail = [&](const char* step) {
    if (error != nullptr) *error = std::string(step) + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };
  if (fd < 0) {
    if (error != nullptr) *error = std::string("create temporary file: ") + std::strerror(errno);
    return false;
  }
  struct stat st {};
  mode_t mode = 0644;
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  if (::fchmod(fd, mode) != 0) return fail("set permissions");
  if (!WriteAll(fd, bytes)) return fail("write");
  if (::fsync(fd) != 0) return fail("flush");
  if (::close(fd) != 0) {
    fd = -1;
    return fail("close");
  }
  fd = -1;
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail("rename");
  SyncFolder(FolderOf(path));
  return true;
}

}  // namespace rvc::platform
