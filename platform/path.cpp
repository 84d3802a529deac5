#include "platform/path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/deferred_close.h"
#include "platform/file_io.h"

namespace rvc::platform {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Finds an entry of `folder` whose name equals `name` ignoring case.
bool FindEntryNoCase(const std::string& folder, std::string_view name, std::string& found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  bool ok = false;
  while (dirent* entry = ::readdir(dir)) {
    if (EqualsNoCase(entry->d_name, name)) {
      found = entry->d_name;
      ok = true;
      break;
    }
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

std::string NativePath(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', kSeparator);
  return out;
}

std::string WithTrailingSeparator(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() != kSeparator) out.push_back(kSeparator);
  return out;
}

std::string JoinPath(std::string_view left, std::string_view right) {
  if (left.empty()) return std::string(right);
  while (!right.empty() && right.front() == kSeparator) right.remove_prefix(1);
  // Built in place: searches join a path for every folder they walk.
  std::string out;
  out.reserve(left.size() + 1 + right.size());
  out.append(left);
  if (out.back() != kSeparator) out.push_back(kSeparator);
  out.append(right);
  return out;
}

std::string ResolveNoCase(std::string_view path) {
  std::string wanted(path);
  if (wanted.empty() || Exists(wanted)) return wanted;

  std::string resolved;
  size_t pos = 0;
  if (wanted.front() == kSeparator) {
    resolved = "/";
    pos = 1;
  }
  // Usually only the last components differ or are missing: the longest leading part
  // that exists as spelt is kept whole (each of its components exists as spelt too),
  // which spares a check per component of a long path.
  for (size_t end = wanted.find_last_of(kSeparator); end != std::string::npos && end > pos;
       end = wanted.find_last_of(kSeparator, end - 1)) {
    if (Exists(wanted.substr(0, end))) {
      resolved = wanted.substr(0, end + 1);
      pos = end + 1;
      break;
    }
  }
  bool missing = false;
  while (pos <= wanted.size()) {
    size_t next = wanted.find(kSeparator, pos);
    if (next == std::string::npos) next = wanted.size();
    std::string_view part(wanted.data() + pos, next - pos);
    if (!part.empty()) {
      std::string candidate = resolved + std::string(part);
      if (!missing && !Exists(candidate) && part != "." && part != "..") {
        std::string found;
        if (FindEntryNoCase(resolved, part, found)) {
          candidate = resolved + found;
        } else {
          missing = true;  // the rest is kept as the caller spelt it
        }
      }
      resolved = candidate;
    }
    if (next < wanted.size()) resolved.push_back(kSeparator);
    pos = next + 1;
  }
  return resolved;
}

int OpenNoCase(std::string& path, int flags, unsigned mode) {
  if ((flags & O_EXCL) != 0) {
    // A new file is wanted: the spelling must be settled before anything is opened.
    path = ResolveNoCase(path);
    return ::open(path.c_str(), flags, mode);
  }
  const bool create = (flags & O_CREAT) != 0;
  int fd = ::open(path.c_str(), flags & ~O_CREAT, mode);
  if (fd >= 0 || (errno != ENOENT && errno != ENOTDIR)) return fd;
  const int error = errno;
  std::string resolved = ResolveNoCase(path);
  if (resolved == path && !create) {
    errno = error;
    return -1;
  }
  fd = ::open(resolved.c_str(), flags, mode);
  if (fd >= 0) path = std::move(resolved);
  return fd;
}

bool ReadFileNoCase(std::string& path, std::string& bytes) {
  const int fd = OpenNoCase(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool read = ReadOpenedFile(fd, bytes);
  CloseDeferred(fd);
  return read;
}

namespace {

// Iterative wildcard match with one back-tracking point for the last "*".
bool MatchesWildcards(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  // "*" is tested first: it is a wildcard even where the name holds a "*" itself.
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
      ++n;
      ++p;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesPatternNoCase(std::string_view name, std::string_view pattern) {
  return NamePattern(pattern).Matches(name);
}

// Most patterns are a name or hold one "*" ("rvc*.cfg", "*.fid"): their literal parts at
// both ends decide.
NamePattern::NamePattern(std::string_view pattern) : pattern_(pattern) {
  const size_t star = pattern.find('*');
  if (pattern.find('?') != std::string_view::npos) return;
  if (star == std::string_view::npos) {
    kind_ = Kind::kName;
  } else if (pattern.find('*', star + 1) == std::string_view::npos) {
    kind_ = Kind::kOneStar;
    prefix_ = pattern.substr(0, star);
    suffix_ = pattern.substr(star + 1);
  }
}

bool NamePattern::Matches(std::string_view name) const {
  switch (kind_) {
    case Kind::kName:
      return EqualsNoCase(name, pattern_);
    case Kind::kOneStar:
      return name.size() >= prefix_.size() + suffix_.size() && EqualsNoCase(name.substr(0, prefix_.size()), prefix_) &&
             EqualsNoCase(name.substr(name.size() - suffix_.size()), suffix_);
    case Kind::kWildcards:
      break;
  }
  return MatchesWildcards(name, pattern_);
}

bool LessNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto la = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto lb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (la != lb) return la < lb;
  }
  return a.size() < b.size();
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace rvc::platform
