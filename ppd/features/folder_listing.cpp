#include "ppd/features/folder_listing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/environment.h"
#include "platform/path.h"

namespace rvc::features::detail {

std::optional<std::string> ExistingFolder(std::string_view text) {
  std::optional<std::string> expanded = platform::ExpandEnvironmentReferences(text);
  // An unset variable stays written as a reference.
  if (!expanded || expanded->empty() || expanded->find('%') != std::string::npos) return std::nullopt;
  const std::string folder = platform::ResolveNoCase(platform::NativePath(*expanded));
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
  return folder;
}

std::vector<std::string> MatchingFiles(const std::string& folder, std::string_view pattern, std::error_code& error) {
  std::vector<std::string> names;
  error.clear();
  std::filesystem::directory_iterator it(folder, error);
  if (error) return names;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
    std::error_code status;
    if (!it->is_regular_file(status)) continue;
    std::string name = it->path().filename().string();
    if (platform::MatchesPatternNoCase(name, pattern)) names.push_back(std::move(name));
  }
  if (error) {
    names.clear();
    return names;
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    if (platform::LessNoCase(a, b)) return true;
    return !platform::LessNoCase(b, a) && a < b;
  });
  return names;
}

char** NewNameArray(const std::vector<std::string>& names) {
  auto** array = static_cast<char**>(std::calloc(names.size() + 1, sizeof(char*)));
  if (array == nullptr) return nullptr;
  for (size_t i = 0; i < names.size(); ++i) {
    array[i] = static_cast<char*>(std::malloc(names[i].size() + 1));
    if (array[i] == nullptr) break;  // the list ends early rather than not at all
    std::memcpy(array[i], names[i].c_str(), names[i].size() + 1);
  }
  return array;
}

}  // namespace rvc::features::detail
