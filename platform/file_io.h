// Whole-file reads. Writing goes through platform/atomic_file.h.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rvc::platform {

// Reads the whole file into `bytes`. False when it cannot be opened or read, or (unless
// `followLinks`) when `path` is a symbolic link (errno ELOOP).
bool ReadWholeFile(const std::string& path, std::string& bytes, bool followLinks = true);

// Reads the open file `fd` from where it stands to its end into `bytes`, which keeps its
// room; the descriptor stays open. A file under 64 KiB is read until read() reports its
// end; a larger one until it reaches the size it had. False with errno set when a read
// fails (EISDIR for a folder).
bool ReadOpenedFile(int fd, std::string& bytes);

// The same, read into `room` while the file fits there and into `larger` beyond: a file
// that fits costs no heap (glibc sorts all its freed small blocks before handing out one
// of a kilobyte or more). The bytes read, in `room` or `larger`; nullopt with errno set
// when a read fails.
std::optional<std::string_view> ReadOpenedFile(int fd, std::span<char> room, std::string& larger);

// Whether the open file `fd`, from where it stands to its end, holds exactly `bytes`. It
// is compared piece by piece as it is read, without a copy of the file, and the reading
// stops at the first difference. False also when a read fails.
bool FileHolds(int fd, std::string_view bytes);

}  // namespace rvc::platform
