// The string table: numbered messages and texts of the program.
#pragma once

#include <optional>
#include <string_view>

namespace rvc {

// The text of string `id`, or nothing when the table has no such entry.
std::optional<std::string_view> LoadString(int id);

}  // namespace rvc
