// Whole-file reads. Writing goes through platform/atomic_file.h.
#pragma once

#include <string>

namespace rvc::platform {

// Reads the whole file into `bytes`. False when it cannot be opened or read, or (unless
// `followLinks`) when `path` is a symbolic link (errno ELOOP).
bool ReadWholeFile(const std::string& path, std::string& bytes, bool followLinks = true);

}  // namespace rvc::platform
