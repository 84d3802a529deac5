#include <sys/stat.h>

#include <algorithm>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/path_parser.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

// The expansion buffer of the installation's tools holds 260 characters (MAX_PATH).
constexpr size_t kMaxExpandedLength = 260;

std::string ExpandReferences(std::string_view text) {
  auto expanded = platform::ExpandEnvironmentReferences(text, kMaxExpandedLength);
  if (!expanded) throw CRvcException(msg::kExpandFailed, std::string(text));
  // NativePath in place: the expansion is ours. A select per byte, which the compiler
  // does sixteen bytes at a time.
  for (char& c : *expanded) c = c == '\\' ? platform::kSeparator : c;
  return std::move(*expanded);
}

bool IsExistingFolder(const std::string& path) {
  struct stat st {};
  return ::stat(platform::ResolveNoCase(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string CRvcUtils::ExpandPath(std::string_view path) const {
  return platform::JoinPathParts(platform::ParsePath(ExpandReferences(path)));
}

std::string CRvcUtils::ExpandFolder(std::string_view path) const {
  std::string expanded = ExpandReferences(path);
  // A folder ending with its separator, without a drive and without runs of separators,
  // is its own folder part: the parser would give it back as it is.
  if (!expanded.empty() && expanded.back() == platform::kSeparator && expanded.find("//") == std::string::npos &&
      !(expanded.size() >= 2 && expanded[1] == ':')) {
    return expanded;
  }
  platform::ParsedPath parts = platform::ParsePath(expanded);
  // The folder is the directory part: "/a/b.cfg" and "/a/b" both give "/a/". Variables
  // such as TMP name a folder without the trailing separator, though, so a last
  // component that is an existing folder on disk is kept as part of the folder.
  unsigned selection = platform::kPathFolderParts;
  if ((!parts.name.empty() || !parts.type.empty()) && IsExistingFolder(expanded)) {
    selection = platform::kPathAllParts;
  }
  // An empty result stays empty: callers test for it, and "/" would name the root.
  return platform::WithTrailingSeparator(platform::JoinPathParts(parts, selection));
}

std::string CRvcUtils::GetNamePart(const std::string& path) { return platform::ParsePath(path).name; }

std::string CRvcUtils::GetTypePart(const std::string& path) { return platform::ParsePath(path).type; }

}  // namespace rvc::store
