#include "ppd/features/screeninfo.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/path.h"
#include "ppd/features/folder_listing.h"
#include "store/resource_db.h"

namespace rvc::features {

struct ScrinfoHandle {
  std::string folder;
};

namespace {

void CopyText(char (&target)[kDotNameSize], const std::string& text) {
  const size_t length = std::min(text.size(), static_cast<size_t>(kDotNameSize - 1));
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

}  // namespace

ScrinfoHandle* scrinfo_open(const char* folder) {
  if (folder == nullptr) return nullptr;
  std::optional<std::string> existing = detail::ExistingFolder(folder);
  if (!existing) return nullptr;
  return new ScrinfoHandle{*existing};
}

int scrinfo_list_dots(ScrinfoHandle* handle, ScrinfoDot* dots, int capacity, int* count) {
  if (count != nullptr) *count = 0;
  if (handle == nullptr) return -1;
  const std::string path = platform::ResolveNoCase(platform::JoinPath(handle->folder, "dotshapes.dat"));
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return 0;
  std::optional<store::ResourceDb> db = store::ResourceDb::Open(path);
  if (!db) return -1;
  int filled = 0;
  for (int i = 0; i < db->TopicCount() && filled < capacity && dots != nullptr; ++i) {
    const std::optional<std::string> name = db->TopicAt(i);
    if (!name || name->empty()) continue;
    const std::string display = db->FindQuoted(*name, "Display").value_or("");
    CopyText(dots[filled].name, *name);
    CopyText(dots[filled].display, display.empty() ? *name : display);
    ++filled;
  }
  if (count != nullptr) *count = filled;
  return 0;
}

void scrinfo_close(ScrinfoHandle* handle) { delete handle; }

}  // namespace rvc::features
