// Device types of the maker's former product lines, renamed before a saved dispatcher's
// type is looked up in the new version's types.
//
// The table is empty: no installation of this system carries a retired type name, and a
// type the new version does not know falls back to its "generic" type in FindType anyway.
// An entry added here renames a saved type that equals its old name (ignoring case); a
// part entry replaces that part inside the lower-cased type name, which then stays lower
// case. See docs/installer-jobs.md.
#pragma once

#include <string>
#include <string_view>

namespace rvc::install {

struct TypeRename {
  std::string_view from;
  std::string_view to;
};

// The saved type after the renames.
std::string RenameLegacyType(const std::string& type);

}  // namespace rvc::install
