#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/sync_batch.h"

namespace rvc::platform {
namespace {

constexpr std::string_view kMark = ".rvctmp";
constexpr size_t kRandomLength = 6;
constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsAlphanumeric(char c) { return kAlphabet.find(c) != std::string_view::npos; }

std::string RandomSuffix() {
  unsigned char bytes[kRandomLength];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // Too early in boot for the kernel's pool: the clock and the process still differ
    // between tries, and O_EXCL catches the rest.
    auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (static_cast<unsigned long long>(::getpid()) << 32);
    for (unsigned char& b : bytes) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<unsigned char>(seed >> 56);
    }
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kAlphabet[b % kAlphabet.size()];
  return suffix;
}

// "." + name + ".rvctmp" + random, with the name cut so that the whole fits NAME_MAX.
std::string TemporaryNameFor(const std::string& name) {
  constexpr size_t kExtra = 1 + kMark.size() + kRandomLength;
  const size_t keep = name.size() + kExtra > NAME_MAX ? NAME_MAX - kExtra : name.size();
  return "." + name.substr(0, keep) + std::string(kMark) + RandomSuffix();
}

}  // namespace

bool IsAtomicFileTemporary(std::string_view fileName) {
  constexpr size_t kTail = kMark.size() + kRandomLength;
  if (fileName.size() < 2 + kTail || fileName.front() != '.') return false;
  const std::string_view tail = fileName.substr(fileName.size() - kTail);
  if (tail.substr(0, kMark.size()) != kMark) return false;
  for (char c : tail.substr(kMark.size())) {
    if (!IsAlphanumeric(c)) return false;
  }
  return true;
}

bool AtomicFile::Failed(const char* step, int error) {
  if (error_ == 0) {
    error_ = error != 0 ? error : EIO;
    errorText_ = std::string(step) + ": " + std::strerror(error_);
  }
  return false;
}

void AtomicFile::Fail(const char* step, int error) { Failed(step, error); }

bool AtomicFile::Begin(const std::string& path, mode_t newFileMode) { return BeginAt(AT_FDCWD, path, newFileMode); }

bool AtomicFile::BeginAt(int folder, const std::string& path, mode_t newFileMode) {
  Discard();
  error_ = 0;
  errorText_.clear();
  newFileMode_ = newFileMode;
  forcedMode_ = -1;
  // The folder holding the target: the last component is the name, the rest (relative
  // to `folder`) the folder to open.
  const size_t slash = path.rfind('/');
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name_.empty() || name_ == "." || name_ == "..") return Failed("target name", EINVAL);
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  folder_ = ::openat(folder, parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) return Failed("open folder", errno);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = TemporaryNameFor(name_);
    fd_ = ::openat(folder_, temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  if (fd_ < 0) {
    const int error = errno;
    temporary_.clear();
    Discard();
    return Failed("create temporary file", error);
  }
  return true;
}

bool AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0 || error_ != 0) return false;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed("write", n < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool AtomicFile::Write(std::span<const std::string_view> pieces) {
  if (fd_ < 0 || error_ != 0) return false;
  constexpr size_t kPerCall = IOV_MAX < 1024 ? IOV_MAX : 1024;
  iovec vectors[kPerCall];
  size_t next = 0;  // the first piece not yet written whole
  size_t done = 0;  // bytes of it that are written
  while (next < pieces.size()) {
    size_t count = 0;
    for (size_t i = next; i < pieces.size() && count < kPerCall; ++i) {
      const std::string_view piece = i == next ? pieces[i].substr(done) : pieces[i];
      if (piece.empty()) continue;
      vectors[count++] = {const_cast<char*>(piece.data()), piece.size()};
    }
    if (count == 0) break;
    const ssize_t n = ::writev(fd_, vectors, static_cast<int>(count));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed("write", n < 0 ? errno : ENOSPC);
    // A short write stops anywhere, within a piece too.
    size_t left = static_cast<size_t>(n);
    while (next < pieces.size()) {
      const size_t rest = pieces[next].size() - done;
      if (left < rest) {
        done += left;
        break;
      }
      left -= rest;
      ++next;
      done = 0;
    }
  }
  return true;
}

bool AtomicFile::Commit() {
  if (fd_ < 0) {
    Discard();
    return error_ == 0 ? Failed("commit", EBADF) : false;
  }
  if (error_ != 0) {
    Discard();
    return false;
  }
  struct stat target {};
  mode_t mode = newFileMode_;
  const bool exists = ::fstatat(folder_, name_.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && S_ISREG(target.st_mode)) {
    mode = target.st_mode & 07777;
    // Root rewriting another user's file keeps it theirs; anyone else cannot, and need not.
    if (target.st_uid != ::geteuid() || target.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd_, target.st_uid, target.st_gid);
    }
  }
  if (forcedMode_ >= 0) mode = static_cast<mode_t>(forcedMode_);
  // A batch flushes the file system once at its end instead (platform/sync_batch.h).
  const bool batched = SyncBatch::Active() && !flushInBatch_;
  if (batched && !deferSync_) SyncBatch::Note(folder_);
  const bool defer = deferSync_ || batched;
  bool ok = ::fchmod(fd_, mode) == 0 || Failed("set permissions", errno);
  ok = ok && (defer || ::fsync(fd_) == 0 || Failed("flush", errno));
  const int closed = ::close(fd_);
  fd_ = -1;
  ok = ok && (closed == 0 || Failed("close", errno));
  ok = ok && (::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) == 0 || Failed("rename", errno));
  if (!ok) {
    Discard();
    return false;
  }
  temporary_.clear();
  if (!defer) ::fsync(folder_);
  ::close(folder_);
  folder_ = -1;
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (folder_ >= 0) {
    if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
    ::close(folder_);
  }
  folder_ = -1;
  temporary_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  AtomicFile file;
  if (file.Begin(path) && file.Write(bytes) && file.Commit()) return true;
  if (error != nullptr) *error = file.ErrorText();
  return false;
}

void SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (SyncBatch::Active()) {
    SyncBatch::Note(fd);
  } else {
    ::fsync(fd);
  }
  ::close(fd);
}

}  // namespace rvc::platform
