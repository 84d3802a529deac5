#include "frame/string_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace rvc {
namespace {

// Sorted by id.
constexpr std::pair<int, std::string_view> kStrings[] = {
    {103, "Failed to rename %s to %s"},
    {104, "Failed to open %s"},
    {105, "Failed to copy %s to %s"},
    {106, "Failed to create %s"},
    {107, "Failed to delete %s"},
    {108, "Failed to expand environment string %s"},
    {109, "RDB error %s"},
    {110, "Configuration %s failed"},
    {111, "System error at %s (%s)"},
    {112, "Port separator %s already exists, please choose another number"},
    {113, "%s already exists, please choose another name"},
    {114, "%s already exists, please choose another folder"},
    {115, "You can not change the folder for %s"},
    {116, "The folder %s for %s is too short"},
    {117, "Cannot create icon %s"},
    {118, "Internal error: %s failed"},
    {119, "You can not delete %s"},
    {120, "You can not create %s"},
    {121, "You should log in as administrator to run Ravlin Configurator"},
    {122, "%s application is already running"},
    {123, "Application stopped because %s"},
    {124, "You must specify a name"},
    {125, "You must specify a portnumber"},
    {126, "Following characters may not be used: \\/:*?\"<>|"},
};

}  // namespace

std::optional<std::string_view> LoadString(int id) {
  auto found = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                [](const auto& entry, int wanted) { return entry.first < wanted; });
  if (found == std::end(kStrings) || found->first != id) return std::nullopt;
  return found->second;
}

}  // namespace rvc
