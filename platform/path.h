// Paths of the installation.
//
// Installations and backups come from a platform that separates folders with "\" and
// ignores the case of file names. Everything in this code base builds paths as text in
// the platform's own form (folders end with the separator) and goes through these
// helpers whenever a path is opened, probed or matched against a pattern.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace rvc::platform {

inline constexpr char kSeparator = '/';

// Turns a path written with "\" (as stored in the installation's files and in the
// literal file names of this code) into the platform form. "/" stays "/".
std::string NativePath(std::string_view path);

// Appends the separator unless `folder` is empty or already ends with one.
std::string WithTrailingSeparator(std::string_view folder);

// Joins two path pieces with exactly one separator between them.
std::string JoinPath(std::string_view left, std::string_view right);

// Returns the path that exists on disk and equals `path` ignoring ASCII case, walking
// it component by component. Components that exist with the exact spelling are taken
// as they are (fast path). Where a component does not exist in any spelling, it and the
// rest are kept as given, so that a file about to be created gets the caller's
// spelling unless one that differs only in case already exists.
std::string ResolveNoCase(std::string_view path);

// Opens `path` (open(2) flags and mode) as spelt and, only when that spelling is not
// found, the spelling ResolveNoCase gives; `path` then receives that spelling. Most
// paths are spelt as on disk, so this costs one system call where resolving first costs
// one per existing path plus the open. Returns the descriptor, or -1 with errno set.
// With O_CREAT the exact spelling is tried without it first, so that a file that exists
// in another case is opened rather than created a second time; with O_EXCL the path is
// resolved first.
int OpenNoCase(std::string& path, int flags, unsigned mode = 0);

// Reads the whole file at `path` (resolved as OpenNoCase does) into `bytes`; `path`
// receives the spelling read. False with errno set when it cannot be opened or read
// (EISDIR for a folder).
bool ReadFileNoCase(std::string& path, std::string& bytes);

// Wildcard match of a file name against a pattern with "*" and "?", ignoring ASCII case.
bool MatchesPatternNoCase(std::string_view name, std::string_view pattern);

// The same match against one pattern for many names (the entries of a folder): the
// pattern is looked at once. It must outlive the object.
class NamePattern {
 public:
  explicit NamePattern(std::string_view pattern);
  bool Matches(std::string_view name) const;

 private:
  enum class Kind { kName, kOneStar, kWildcards };
  std::string_view pattern_;
  Kind kind_ = Kind::kWildcards;
  std::string_view prefix_, suffix_;  // around the one "*"
};

// EqualsNoCase (platform/text.h) compares names ignoring ASCII case.
// ToLowerAscii(a) < ToLowerAscii(b), without the copies (sorting names).
bool LessNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

}  // namespace rvc::platform
