#include "install/legacy_types.h"

#include <span>

#include "platform/path.h"

namespace rvc::install {
namespace {

// Whole names: a saved type equal to `from` becomes `to`.
constexpr std::span<const TypeRename> kRenamedTypes{};
// Parts of names, replaced inside the lower-cased type name.
constexpr std::span<const TypeRename> kRenamedParts{};

}  // namespace

std::string RenameLegacyType(const std::string& type) {
  for (const TypeRename& rename : kRenamedTypes) {
    if (platform::EqualsNoCase(type, rename.from)) return std::string(rename.to);
  }
  std::string lower = platform::ToLowerAscii(type);
  bool renamed = false;
  for (const TypeRename& rename : kRenamedParts) {
    const size_t at = lower.find(platform::ToLowerAscii(rename.from));
    if (at == std::string::npos) continue;
    lower.replace(at, rename.from.size(), rename.to);
    renamed = true;
  }
  return renamed ? lower : type;
}

}  // namespace rvc::install
