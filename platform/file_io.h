// Whole-file reads and crash-safe replacement of files.
#pragma once

#include <string>
#include <string_view>

namespace rvc::platform {

// Reads the whole file into `bytes`. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces (or creates) `path` with `bytes`: the bytes go to a temporary file in the same
// folder, are flushed to disk, and the temporary file is renamed over `path`. A crash at
// any moment leaves either the old file or the new one. An existing file keeps its
// permission bits. On failure `path` is untouched, the temporary file is removed, and
// `error` (when given) receives the system's reason.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Writes all of `bytes` to `fd`, again after interruptions. False on an error (errno).
bool WriteAll(int fd, std::string_view bytes);

// Flushes the folder holding `path` to disk, so that a rename in it lasts.
void SyncFolderOf(const std::string& path);

}  // namespace rvc::platform
