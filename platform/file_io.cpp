#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace rvc::platform {

bool ReadWholeFile(const std::string& path, std::string& bytes, bool followLinks) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
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

namespace {

// read() that retries when a signal interrupts it.
ssize_t ReadSome(int fd, char* into, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, into, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

}  // namespace

bool ReadOpenedFile(int fd, std::string& bytes) {
  bytes.clear();
  const auto fail = [&] {
    bytes.clear();
    return false;
  };
  // Most files read here are small. They are read on the stack until read() reports their
  // end, then copied once: as many system calls as asking for the size first, and the
  // string is not filled twice.
  char first[1 << 16];
  size_t have = 0;
  for (ssize_t n; have < sizeof first; have += static_cast<size_t>(n)) {
    n = ReadSome(fd, first + have, sizeof first - have);
    if (n < 0) return fail();
    if (n == 0) {
      bytes.assign(first, have);
      return true;
    }
  }
  // A larger file: its size sizes the string, and a read that reaches that size has read
  // it whole, with no further read to see its end. What a file gains after the fstat is
  // left out, as if it had been read a moment earlier; one that shrinks is read to its end.
  struct stat st {};
  size_t expected = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) expected = static_cast<size_t>(st.st_size);
  bytes.resize(expected > have ? expected : have + have / 2);
  std::memcpy(bytes.data(), first, have);
  for (;;) {
    if (have == bytes.size()) bytes.resize(have + have / 2);
    const ssize_t n = ReadSome(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0) return fail();
    have += static_cast<size_t>(n);
    if (n == 0 || (expected != 0 && have == expected)) break;
  }
  bytes.resize(have);
  return true;
}

bool FileHolds(int fd, std::string_view bytes) {
  char piece[1 << 16];
  for (;;) {
    // One byte more than is still expected, so that a longer file shows at once.
    const size_t want = std::min(sizeof piece, bytes.size() + 1);
    const ssize_t n = ReadSome(fd, piece, want);
    if (n < 0) return false;
    if (n == 0) return bytes.empty();
    const size_t got = static_cast<size_t>(n);
    if (got > bytes.size() || std::memcmp(piece, bytes.data(), got) != 0) return false;
    bytes.remove_prefix(got);
  }
}

}  // namespace rvc::platform
