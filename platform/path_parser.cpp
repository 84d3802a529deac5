#include "platform/path_parser.h"

#include "platform/path.h"

namespace rvc::platform {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Separators become "/" and runs of them one "/".
std::string FoldSeparators(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (IsSeparator(c)) {
      if (out.empty() || out.back() != kSeparator) out.push_back(kSeparator);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

ParsedPath ParsePath(std::string_view path) {
  ParsedPath parts;
  size_t pos = 0;
  if (path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2])) {
    size_t end = 2;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    parts.node = "//" + std::string(path.substr(2, end - 2));
    pos = end;
  } else if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    parts.device = std::string(path.substr(0, 2));
    pos = 2;
  }

  std::string_view rest = path.substr(pos);
  size_t lastSeparator = rest.find_last_of("/\\");
  std::string_view file = rest;
  if (lastSeparator != std::string_view::npos) {
    parts.directory = FoldSeparators(rest.substr(0, lastSeparator + 1));
    file = rest.substr(lastSeparator + 1);
  }
  if (file == "." || file == "..") {
    // Relative folder references are folders, not file names.
    parts.directory += std::string(file) + kSeparator;
    return parts;
  }
  // The type starts at the last dot; a leading dot belongs to the name (".profile").
  size_t dot = file.rfind('.');
  if (dot == std::string_view::npos || dot == 0) {
    parts.name = std::string(file);
  } else {
    parts.name = std::string(file.substr(0, dot));
    parts.type = std::string(file.substr(dot));
  }
  return parts;
}

std::string JoinPathParts(const ParsedPath& parts, unsigned selection) {
  std::string tail;
  if ((selection & kPathDevice) != 0) tail += parts.device;
  if ((selection & kPathDirectory) != 0) tail += parts.directory;
  if ((selection & kPathName) != 0) tail += parts.name;
  if ((selection & kPathType) != 0) tail += parts.type;
  if ((selection & kPathNode) == 0 || parts.node.empty()) return tail;
  if (tail.empty() || tail.front() == kSeparator) return parts.node + tail;
  return parts.node + kSeparator + tail;
}

}  // namespace rvc::platform
