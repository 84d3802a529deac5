#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/deferred_close.h"

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
  CloseDeferred(fd);
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

std::optional<std::string_view> ReadOpenedFile(int fd, std::span<char> room, std::string& larger) {
  larger.clear();
  // Most files read here are small. They are read into the room until read() reports
  // their end: as many system calls as asking for the size first.
  size_t have = 0;
  for (ssize_t n; have < room.size(); have += static_cast<size_t>(n)) {
    n = ReadSome(fd, room.data() + have, room.size() - have);
    if (n < 0) return std::nullopt;
    if (n == 0) return std::string_view(room.data(), have);
  }
  // A larger file: its size sizes the string, and a read that reaches that size has read
  // it whole, with no further read to see its end. What a file gains after the fstat is
  // left out, as if it had been read a moment earlier; one that shrinks is read to its end.
  struct stat st {};
  size_t expected = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) expected = static_cast<size_t>(st.st_size);
  larger.resize(std::max(expected > have ? expected : have + have / 2, size_t{1}));
  std::memcpy(larger.data(), room.data(), have);
  for (;;) {
    if (have == larger.size()) larger.resize(have + have / 2);
    const ssize_t n = ReadSome(fd, larger.data() + have, larger.size() - have);
    if (n < 0) {
      larger.clear();
      return std::nullopt;
    }
    have += static_cast<size_t>(n);
    if (n == 0 || (expected != 0 && have == expected)) break;
  }
  larger.resize(have);
  return std::string_view(larger);
}

bool ReadOpenedFile(int fd, std::string& bytes) {
  // Read on the stack and copied once, so that the string is not filled twice.
  char room[1 << 16];
  const std::optional<std::string_view> read = ReadOpenedFile(fd, room, bytes);
  if (!read) return false;
  if (read->data() == room) bytes.assign(*read);
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
