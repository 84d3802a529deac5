#include "platform/file_copy.h"

#include "platform/atomic_file.h"
#include "platform/unique_fd.h"

#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace rvc::platform {
namespace {

constexpr size_t kChunk = size_t{1} << 30;  // per system call; the kernel may do less

bool Fail(std::string* error, const char* step) {
  if (error != nullptr) *error = std::string(step) + ": " + std::strerror(errno);
  return false;
}

// Errors by which copy_file_range and sendfile say "not for these files" rather than
// "the copy went wrong"; the next method may still work.
bool Unsupported(int err) {
  return err == EXDEV || err == ENOSYS || err == EOPNOTSUPP || err == EINVAL || err == EBADF || err == EPERM ||
         err == ETXTBSY;
}

CopyOutcome Failed(std::string* error, const char* step) {
  Fail(error, step);
  return CopyOutcome::kFailed;
}

enum class Step { kDone, kFallBack, kFailed };

Step CopyWithCopyFileRange(int in, int out, off_t size, std::string* error) {
  bool any = false;
  for (;;) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
    if (n > 0) {
      any = true;
      continue;
    }
    if (n == 0) {
      // Pseudo files report a size but copy nothing this way; read them instead.
      return (!any && size > 0) ? Step::kFallBack : Step::kDone;
    }
    if (errno == EINTR) continue;
    if (Unsupported(errno)) return Step::kFallBack;
    Fail(error, "copy_file_range");
    return Step::kFailed;
  }
}

Step CopyWithSendfile(int in, int out, std::string* error) {
  for (;;) {
    ssize_t n = ::sendfile(out, in, nullptr, kChunk);
    if (n > 0) continue;
    if (n == 0) return Step::kDone;
    if (errno == EINTR) continue;
    if (Unsupported(errno)) return Step::kFallBack;
    Fail(error, "sendfile");
    return Step::kFailed;
  }
}

bool CopyWithReadWrite(int in, int out, std::string* error) {
  std::vector<char> buffer(size_t{1} << 17);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(error, "read");
    }
    const char* data = buffer.data();
    while (n > 0) {
      ssize_t written = ::write(out, data, static_cast<size_t>(n));
      if (written < 0) {
        if (errno == EINTR) continue;
        return Fail(error, "write");
      }
      data += written;
      n -= written;
    }
  }
}

// Both descriptors stand at the start of their files; the methods continue from where
// the previous one stopped because all of them move the file offsets.
bool CopyBytes(int in, int out, off_t size, std::string* error) {
  ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
  Step step = CopyWithCopyFileRange(in, out, size, error);
  if (step == Step::kFallBack) step = CopyWithSendfile(in, out, error);
  if (step == Step::kFallBack) return CopyWithReadWrite(in, out, error);
  return step == Step::kDone;
}

CopyOutcome CopyLink(int sourceFolder, const char* sourceName, const struct stat& source, int targetFolder,
                     const char* targetName, const CopyRequest& request, std::string* error) {
  std::string text(static_cast<size_t>(source.st_size > 0 ? source.st_size : 255) + 1, '\0');
  for (;;) {
    ssize_t n = ::readlinkat(sourceFolder, sourceName, text.data(), text.size());
    if (n < 0) return Failed(error, "readlink");
    if (static_cast<size_t>(n) < text.size()) {
      text.resize(static_cast<size_t>(n));
      break;
    }
    text.resize(text.size() * 2);  // the link changed meanwhile
  }
  if (::symlinkat(text.c_str(), targetFolder, targetName) != 0) {
    if (errno != EEXIST) return Failed(error, "symlink");
    if (!request.overwrite) return CopyOutcome::kKept;
    struct stat target {};
    if (::fstatat(targetFolder, targetName, &target, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(target.st_mode)) {
      errno = EISDIR;
      return Failed(error, "replace");
    }
    if (::unlinkat(targetFolder, targetName, 0) != 0) return Failed(error, "unlink");
    if (::symlinkat(text.c_str(), targetFolder, targetName) != 0) return Failed(error, "symlink");
  }
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  ::utimensat(targetFolder, targetName, times, AT_SYMLINK_NOFOLLOW);
  return CopyOutcome::kCopied;
}

// Whether the target may be replaced by the copy; `outcome` says why not.
bool MayReplace(int targetFolder, const char* targetName, const struct stat& source, const CopyRequest& request,
                CopyOutcome& outcome, std::string* error) {
  struct stat target {};
  if (::fstatat(targetFolder, targetName, &target, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return true;
    outcome = Failed(error, "stat target");
    return false;
  }
  if (!request.overwrite) {
    outcome = CopyOutcome::kKept;
    return false;
  }
  if (target.st_dev == source.st_dev && target.st_ino == source.st_ino) {
    outcome = CopyOutcome::kSame;
    return false;
  }
  if (S_ISDIR(target.st_mode)) {
    errno = EISDIR;
    outcome = Failed(error, "replace");
    return false;
  }
  return true;
}

// Writes the copy at the target's name in a private folder (CopyRequest::privateFolder).
// kFallBack when the target exists: it is replaced the usual way.
Step CopyInPlace(int in, const struct stat& source, int targetFolder, const char* targetName,
                 const CopyRequest& request, std::string* error) {
  const int out = ::openat(targetFolder, targetName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (out < 0) {
    if (errno == EEXIST) return Step::kFallBack;
    Fail(error, "create");
    return Step::kFailed;
  }
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  bool ok = CopyBytes(in, out, source.st_size, error);
  ok = ok && (::futimens(out, times) == 0 || Fail(error, "set times"));
  ok = ok && (::fchmod(out, source.st_mode & request.keptModeBits) == 0 || Fail(error, "set permissions"));
  const int closed = ::close(out);
  ok = ok && (closed == 0 || Fail(error, "close"));
  if (ok) return Step::kDone;
  const int cause = errno;
  ::unlinkat(targetFolder, targetName, 0);
  errno = cause;
  return Step::kFailed;
}

// Reads `size` bytes, fewer only at the end of the file; -1 on an error.
ssize_t ReadFully(int fd, char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, buffer + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// Whether the two open files hold the same `size` bytes and nothing more. Stops at the
// first difference; the chunks start small and grow, so that files that differ near
// their start (a changed header) are told apart without reading much of them.
bool SameBytes(int a, int b, off_t size) {
  constexpr size_t kFirstChunk = 16 * 1024, kCompareChunk = 256 * 1024;
  thread_local std::vector<char> left(kCompareChunk), right(kCompareChunk);
  size_t chunk = kFirstChunk;
  for (off_t rest = size; rest > 0; chunk = std::min(chunk * 2, kCompareChunk)) {
    const size_t want = static_cast<size_t>(std::min<off_t>(rest, static_cast<off_t>(chunk)));
    if (ReadFully(a, left.data(), want) != static_cast<ssize_t>(want) ||
        ReadFully(b, right.data(), want) != static_cast<ssize_t>(want) ||
        std::memcmp(left.data(), right.data(), want) != 0) {
      return false;
    }
    rest -= static_cast<off_t>(want);
  }
  char more = 0;
  return ReadFully(a, &more, 1) == 0 && ReadFully(b, &more, 1) == 0;
}

}  // namespace

bool HoldsCopyOf(const std::string& existing, const std::string& source, const CopyRequest& request,
                 struct stat* existingInfo) {
  // O_NONBLOCK: a pipe in either place must not hang the comparison; it is no regular file.
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
  const UniqueFd from(::open(source.c_str(), flags | (request.followSourceLink ? 0 : O_NOFOLLOW)));
  const UniqueFd have(::open(existing.c_str(), flags | O_NOFOLLOW));
  struct stat in {}, out {};
  if (!from.ok() || !have.ok() || ::fstat(from.get(), &in) != 0 || ::fstat(have.get(), &out) != 0) return false;
  // One name only: a file linked elsewhere would stay shared with that name, where a copy
  // would not be.
  if (!S_ISREG(in.st_mode) || !S_ISREG(out.st_mode) || out.st_nlink != 1) return false;
  if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) return false;
  if (out.st_size != in.st_size || (out.st_mode & 07777) != (in.st_mode & request.keptModeBits) ||
      out.st_uid != ::geteuid() || out.st_gid != ::getegid()) {
    return false;
  }
  ::posix_fadvise(from.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  ::posix_fadvise(have.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  if (!SameBytes(from.get(), have.get(), in.st_size)) return false;
  if (existingInfo != nullptr) *existingInfo = out;
  return true;
}

bool LinkSameFile(const std::string& existing, const struct stat& expected, int targetFolder, const char* targetName) {
  if (::linkat(AT_FDCWD, existing.c_str(), targetFolder, targetName, 0) != 0) return false;
  struct stat linked {};
  if (::fstatat(targetFolder, targetName, &linked, AT_SYMLINK_NOFOLLOW) == 0 && linked.st_dev == expected.st_dev &&
      linked.st_ino == expected.st_ino) {
    return true;
  }
  ::unlinkat(targetFolder, targetName, 0);
  return false;
}

CopyOutcome CopyFileAt(int sourceFolder, const char* sourceName, int targetFolder, const char* targetName,
                       const CopyRequest& request, std::string* error) {
  struct stat source {};
  int statFlags = request.followSourceLink ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::fstatat(sourceFolder, sourceName, &source, statFlags) != 0) return Failed(error, "stat");
  if (S_ISLNK(source.st_mode)) {
    return CopyLink(sourceFolder, sourceName, source, targetFolder, targetName, request, error);
  }
  if (!S_ISREG(source.st_mode)) {
    // Devices, pipes and sockets would block or never end; they are no files to copy.
    errno = S_ISDIR(source.st_mode) ? EISDIR : EINVAL;
    return Failed(error, "source");
  }

  int in = ::openat(sourceFolder, sourceName, O_RDONLY | O_CLOEXEC | (request.followSourceLink ? 0 : O_NOFOLLOW));
  if (in < 0) return Failed(error, "open source");
  if (::fstat(in, &source) != 0) {
    Fail(error, "stat source");
    ::close(in);
    return CopyOutcome::kFailed;
  }

  if (request.privateFolder) {
    const Step step = CopyInPlace(in, source, targetFolder, targetName, request, error);
    if (step != Step::kFallBack) {
      ::close(in);
      return step == Step::kDone ? CopyOutcome::kCopied : CopyOutcome::kFailed;
    }
  }

  CopyOutcome outcome = CopyOutcome::kCopied;
  AtomicFile target;
  if (!MayReplace(targetFolder, targetName, source, request, outcome, error) ||
      !target.BeginAt(targetFolder, targetName)) {
    ::close(in);
    if (target.Error() == 0) return outcome;
    errno = target.Error();
    return Failed(error, "create");
  }
  if (request.deferSync) target.DeferSync();
  const int out = target.Descriptor();
  bool ok = CopyBytes(in, out, source.st_size, error);
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (ok && ::futimens(out, times) != 0) ok = Fail(error, "set times");
  ::close(in);
  if (!ok) {
    const int cause = errno;
    target.Discard();  // the target stays as it was
    errno = cause;
    return CopyOutcome::kFailed;
  }
  target.SetMode(source.st_mode & request.keptModeBits);
  if (!target.Commit()) {
    errno = target.Error();
    if (error != nullptr) *error = target.ErrorText();
    return CopyOutcome::kFailed;
  }
  return CopyOutcome::kCopied;
}

}  // namespace rvc::platform
