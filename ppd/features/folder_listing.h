// Shared by the feature components: data folders named by environment variables, and the
// files of a folder in the order the installation's own platform lists them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace rvc::features::detail {

// `text` with its environment references expanded ("%KW_DATA_SCREENS%"), as an existing
// folder on disk (spelling resolved ignoring case). Nothing when a reference names an
// unset variable, the result is empty or it is not a folder.
std::optional<std::string> ExistingFolder(std::string_view text);

// The names of the regular files of `folder` that match `pattern` ("*.ini", ignoring
// case), sorted ignoring case as NTFS lists them (ties by their bytes). `error` is set
// when the folder cannot be read; the list is then empty.
std::vector<std::string> MatchingFiles(const std::string& folder, std::string_view pattern, std::error_code& error);

// A copy of `names` as a null-terminated array of malloc'ed strings (the shape of the
// component interfaces; callers release each name and then the array with free()).
char** NewNameArray(const std::vector<std::string>& names);

}  // namespace rvc::features::detail
