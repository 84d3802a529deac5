#include "store/confinement.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/path.h"
#include "platform/utf8.h"

namespace rvc::store {
namespace {

constexpr bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// What a name holds that a plain name may not, found in one pass: every record of a
// dispatcher list is checked while the list loads.
struct Flaws {
  bool control = false;
  bool separator = false;
  bool wildcard = false;
};

// The flaw each byte is, one bit each: names are looked up a byte at a time without
// branches.
enum : unsigned char { kControl = 1, kSeparator = 2, kWildcard = 4 };
constexpr auto kFlawOf = [] {
  std::array<unsigned char, 256> table{};
  for (unsigned c = 0; c < 256; ++c) {
    if (IsControl(static_cast<unsigned char>(c))) table[c] = kControl;
  }
  table['/'] = table['\\'] = kSeparator;
  table['*'] = table['?'] = kWildcard;
  return table;
}();

Flaws FlawsOf(std::string_view text) {
  unsigned char found = 0;
  for (unsigned char c : text) found |= kFlawOf[c];
  return {(found & kControl) != 0, (found & kSeparator) != 0, (found & kWildcard) != 0};
}

}  // namespace

std::string FolderNameProblem(std::string_view folder) {
  if (folder.empty()) return "is empty";
  if (folder == "." || folder == "..") return "names no folder of its own";
  const Flaws flaws = FlawsOf(folder);
  if (flaws.separator) return "holds a path separator";
  if (flaws.control) return "holds a control character";
  return {};
}

std::string DispatcherNameProblem(std::string_view name) {
  const Flaws flaws = FlawsOf(name);
  if (flaws.control) return "holds a control character (such as a line break)";
  // The name is part of the launchers' file names and of the patterns that find them.
  if (flaws.separator || flaws.wildcard) return "holds a path separator or a wildcard (/ \\ * ?)";
  if (name.size() > kMaxDispatcherNameLength) {
    return "is longer than " + std::to_string(kMaxDispatcherNameLength) + " bytes";
  }
  return {};
}

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = platform::Utf8SequenceLength(text, at);
    if (length == 0 || (length == 1 && IsControl(static_cast<unsigned char>(text[at])))) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[at]));
      out += escaped;
      ++at;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

std::string OutsideDataFolder(const std::string& dataFolder, const std::string& target) {
  const std::string root = platform::WithTrailingSeparator(dataFolder);
  if (!root.empty() && platform::EqualsNoCase(platform::WithTrailingSeparator(target), root)) {
    return "it is the data folder " + Printable(root) + " itself";
  }
  if (root.empty() || target.size() < root.size() || !platform::EqualsNoCase(target.substr(0, root.size()), root)) {
    return "it lies outside the data folder " + Printable(root);
  }
  // Every component below the data folder is a plain name; the folders on the way are
  // real folders, so that the target is where its path says.
  std::string path = root.substr(0, root.size() - 1);
  bool below = false;
  bool onDisk = true;
  size_t start = root.size();
  while (start <= target.size()) {
    size_t end = target.find(platform::kSeparator, start);
    if (end == std::string::npos) end = target.size();
    const std::string_view part(target.data() + start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    if (part == "." || part == "..") return "it lies outside the data folder " + Printable(root);
    if (onDisk && below) {
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) {
        onDisk = false;  // nothing beyond exists
      } else if (S_ISLNK(st.st_mode)) {
        return "the folder " + Printable(path) + " on its way is a symbolic link";
      }
    }
    path.append(1, platform::kSeparator).append(part);
    below = true;
  }
  if (!below) return "it is the data folder " + Printable(root) + " itself";
  return {};
}

void RequireInsideDataFolder(const std::string& dataFolder, const std::string& target) {
  const std::string reason = OutsideDataFolder(dataFolder, target);
  if (!reason.empty()) throw CRvcException(msg::kDeleteFailed, Printable(target) + ": " + reason);
}

}  // namespace rvc::store
