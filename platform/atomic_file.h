// Atomic replacement of files: every file the programs write goes through here.
//
// The protocol
// ------------
// Writing a file never touches the file itself until the new bytes are complete:
//
//   - Begin() opens the target's folder and creates a temporary file beside the target,
//     named "." + target name + ".rvctmp" + six random letters or digits
//     (".rvc1.cfg.rvctmpA1b2C3"), with O_EXCL | O_CLOEXEC | O_NOFOLLOW and mode 0600.
//   - The caller writes the new bytes: Write() pieces, or straight to Descriptor()
//     (a caller that streams may also seek and truncate there).
//   - Commit() gives the temporary file the target's permission bits (and owner, where
//     the process may), flushes it to disk (fsync), closes it, renames it over the target
//     and flushes the folder, so that the rename itself lasts.
//   - Discard(), or destruction without Commit(), closes and removes the temporary file.
//
// A kill at any moment therefore leaves either the old complete file or the new complete
// one, plus at most a temporary file that recovery recognises by its name
// (IsAtomicFileTemporary) and removes. A failure at any step (ENOSPC or EIO at write,
// fsync or close included) leaves the target untouched, removes the temporary file and
// reports itself: the call returns false, Error() holds the errno and ErrorText() says
// "<step>: <system text>". Once a write failed, later writes do nothing and Commit()
// fails with that first error, so a streaming writer may check once at the end.
//
// Symbolic links: the target path is what gets replaced. When it is a symbolic link, the
// link itself is replaced by a regular file and never followed, so no write can escape
// through a planted link. A target that does not exist yet gets `newFileMode` (0644
// unless given); an existing regular file keeps its permission bits. A target that is a
// folder is refused (EISDIR at the rename).
//
// Flushing the folder after the rename is best effort: some file systems cannot sync a
// folder, and the new file is in place by then.
#pragma once

#include <sys/types.h>

#include <span>
#include <string>
#include <string_view>

namespace rvc::platform {

// Whether `fileName` (a name, not a path) is a temporary file of this protocol.
bool IsAtomicFileTemporary(std::string_view fileName);

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts replacing `path`. False (reported as above) when the folder cannot be opened or
  // the temporary file cannot be created; nothing is left behind then.
  bool Begin(const std::string& path, mode_t newFileMode = 0644);
  // The same for `path` relative to the open folder `folder` (AT_FDCWD: the current
  // one); the caller keeps its descriptor.
  bool BeginAt(int folder, const std::string& path, mode_t newFileMode = 0644);

  // The permission bits the file gets, instead of the old file's (or `newFileMode`).
  void SetMode(mode_t mode) { forcedMode_ = static_cast<int>(mode & 07777); }
  // Leaves flushing the file and its folder to the caller, who makes many files durable
  // at once (a copied tree: one syncfs at its end instead of two flushes per file). The
  // rename still replaces the target whole.
  void DeferSync() { deferSync_ = true; }
  // Flushes at Commit() even while a SyncBatch lives: for a write-ahead record (the intent
  // journal) that must be on disk before the batched changes it covers.
  void FlushEvenInBatch() { flushInBatch_ = true; }

  bool IsOpen() const { return fd_ >= 0; }
  // The temporary file, open for writing; -1 when none is open.
  int Descriptor() const { return fd_; }
  // Writes all of `bytes` (again after interruptions). False on the first failure.
  bool Write(std::string_view bytes);
  // Writes the pieces one after the other, as many as the system takes per call.
  bool Write(std::span<const std::string_view> pieces);
  // Records a failure the caller met while writing to Descriptor(), so that Commit()
  // refuses; `step` names it.
  void Fail(const char* step, int error);

  // Replaces the target with what was written. False when anything failed, the target
  // then being untouched; the temporary file is gone either way.
  bool Commit();
  // Drops the temporary file; the target stays as it was.
  void Discard();

  int Error() const { return error_; }
  const std::string& ErrorText() const { return errorText_; }
  // The target's name in its folder, and the temporary file's.
  const std::string& TargetName() const { return name_; }
  const std::string& TemporaryName() const { return temporary_; }

 private:
  bool Failed(const char* step, int error);

  int folder_ = -1;
  int fd_ = -1;
  mode_t newFileMode_ = 0644;
  int forcedMode_ = -1;
  bool deferSync_ = false;
  bool flushInBatch_ = false;
  std::string name_;
  std::string temporary_;
  int error_ = 0;
  std::string errorText_;
};

// Replaces (or creates) `path` with `bytes` through an AtomicFile. On failure `path` is
// untouched and `error` (when given) receives ErrorText().
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Flushes the folder holding `path` to disk, so that a rename or removal in it lasts (the
// last step of the protocol, for changes made without an AtomicFile).
void SyncFolderOf(const std::string& path);

}  // namespace rvc::platform
