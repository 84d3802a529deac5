#include "ppd/features/dshlib.h"

#include <string>
#include <vector>

#include "platform/path.h"
#include "ppd/features/folder_listing.h"
#include "store/resource_db.h"

namespace rvc::features {

char** dshlib_GetFilterNames() {
  const std::optional<std::string> folder = detail::ExistingFolder("%KW_DATA_SCREENS%");
  if (!folder) return nullptr;
  std::optional<store::ResourceDb> db =
      store::ResourceDb::Open(platform::ResolveNoCase(platform::JoinPath(*folder, "screenfilters.dat")));
  if (!db) return nullptr;
  std::vector<std::string> names;
  for (int i = 0; i < db->TopicCount(); ++i) {
    std::optional<std::string> name = db->TopicAt(i);
    if (name && !name->empty()) names.push_back(std::move(*name));
  }
  return detail::NewNameArray(names);
}

}  // namespace rvc::features
