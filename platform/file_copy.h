// Copying single files the way the kernel does it fastest.
//
// The bytes go through copy_file_range (the data never passes through user space and,
// on file systems that support it, blocks are shared or copied on the server side).
// Where the kernel refuses it (another file system, an old kernel, special files) the
// copy falls back to sendfile and at last to read/write. A copy keeps the permission
// bits (without set-user-ID and set-group-ID, as ownership is not copied) and the access
// and modification times of its source.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace rvc::platform {

enum class CopyOutcome {
  kCopied,  // the target now holds the source's bytes (or, for a link, the same link)
  kKept,    // the target existed and overwriting was not asked for
  kSame,    // source and target are the same file; nothing was written
  kFailed,
};

struct CopyRequest {
  bool overwrite = true;
  // Whether a symbolic link as source is copied as what it points to. Otherwise the link
  // itself is copied, with its text unchanged, so that a copied tree never reaches out
  // through its links.
  bool followSourceLink = true;
  // The caller flushes the copy to disk itself (AtomicFile::DeferSync), once for many files.
  bool deferSync = false;
  // The target's folder is a private one of the caller's, which nobody looks into before
  // the caller puts it in place whole (one rename of the folder): a target that does not
  // exist yet is written at its name directly, without a temporary file and a rename, and
  // is not flushed (the caller flushes the folder's file system before that rename). A
  // failed copy removes what it wrote.
  bool privateFolder = false;
  // The permission bits the copy takes from its source.
  mode_t keptModeBits = 01777;
};

// Copies `sourceName` (relative to the open folder `sourceFolder`, or AT_FDCWD) to
// `targetName` (relative to `targetFolder`). A file is copied through
// platform::AtomicFile: into a temporary file beside the target, renamed over it when
// complete, so that a target that is a symbolic link is replaced, never written through.
// On failure the target is as it was and `error` (when given) receives the step and the
// system's reason (errno holds it too).
CopyOutcome CopyFileAt(int sourceFolder, const char* sourceName, int targetFolder, const char* targetName,
                       const CopyRequest& request, std::string* error = nullptr);

// Whether the regular file `existing` already holds what CopyFile(`source`, a new name,
// `request`) would write there: the same bytes (compared, whatever the sizes and times
// say), the permission bits the copy would take, owned by this process's user and group,
// and no other name. Only its times may differ from the copy's. A caller that never writes
// into a file in place may then give `existing` the new name as a hard link instead of
// copying; `existingInfo` receives its identity, so that the link can be checked to be it.
bool HoldsCopyOf(const std::string& existing, const std::string& source, const CopyRequest& request,
                 struct stat* existingInfo = nullptr);

// Gives the file `existing` the new name `targetName` in `targetFolder` by a hard link, and
// keeps the link only when it reached the file `expected` describes (device and inode):
// the path may lead elsewhere by now, and a link to another file is removed again.
bool LinkSameFile(const std::string& existing, const struct stat& expected, int targetFolder, const char* targetName);

inline CopyOutcome CopyFile(const std::string& source, const std::string& target, const CopyRequest& request,
                            std::string* error = nullptr) {
  return CopyFileAt(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), request, error);
}

}  // namespace rvc::platform
