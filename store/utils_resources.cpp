// Reads and small changes of resource databases, and plug-in libraries named in them.
#include <sys/stat.h>

#include <limits>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/path_parser.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

constexpr const char* kFallbackTopic = "All";
constexpr const char* kSearchPathVariable = "PATH";
constexpr char kSearchPathSeparator = ':';

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(platform::ResolveNoCase(path).c_str(), &st) == 0;
}

// Appends `folder` to PATH unless it is listed there already.
void ExtendSearchPath(const std::string& folder) {
  if (folder.empty()) return;
  std::string current = platform::GetEnv(kSearchPathVariable).value_or("");
  size_t pos = 0;
  while (pos <= current.size()) {
    size_t end = current.find(kSearchPathSeparator, pos);
    if (end == std::string::npos) end = current.size();
    if (current.compare(pos, end - pos, folder) == 0) return;
    pos = end + 1;
  }
  platform::SetEnv(kSearchPathVariable, current.empty() ? folder : current + kSearchPathSeparator + folder);
}

}  // namespace

int CRvcUtils::GetPavoNetCommandPort(const std::string& resourceFile) const {
  ResourceDb db = ResourceDb::OpenOrThrow(resourceFile);
  std::optional<long> port = db.FindInt("PavoNet", "commandport");
  if (!port || *port < 0 || *port > std::numeric_limits<int>::max()) return -1;
  return static_cast<int>(*port);
}

void CRvcUtils::SetEnvironmentItem(const std::string& resourceFile, const std::string& name,
                                   const std::string& value) const {
  ResourceDb db = ResourceDb::OpenOrThrow(resourceFile);
  if (!db.Modify("environment", name, value) && !db.AddItem("environment", name, value, "")) {
    db.AddTopic("environment");
    db.AddItem("environment", name, value, "");
  }
  db.Flush();
}

std::string CRvcUtils::GetResourcePath(const std::string& resourceFile, const std::string& topic,
                                       const std::string& item) const {
  std::optional<std::string> value;
  {
    ResourceDb db = ResourceDb::OpenOrThrow(resourceFile);
    // Paths may be written in double quotes; the quotes are not part of the path.
    value = db.FindQuoted(topic, item);
    if (!value) value = db.FindQuoted(kFallbackTopic, item);
  }
  if (!value) return "";
  return ExpandPath(*value);
}

std::unique_ptr<platform::PluginLibrary> CRvcUtils::LoadPluginLibrary(const std::string& resourceFile,
                                                                      const std::string& topic,
                                                                      const std::string& item) const {
  if (!FileExists(resourceFile)) return nullptr;
  std::string library = GetResourcePath(resourceFile, topic, item);
  if (library.empty()) return nullptr;
  // The library is loaded by its full path, which is all the loader here needs; its
  // folder still goes onto PATH so that tools the plug-in starts find their neighbours.
  ExtendSearchPath(platform::JoinPathParts(platform::ParsePath(library), platform::kPathFolderParts));
  std::string resolved = platform::ResolveNoCase(library);
  std::string error;
  auto loaded = platform::PluginLibrary::Load(resolved, &error);
  if (!loaded) {
    CRvcTrace trace("");
    trace.Trace("LoadLibrary " + resolved + " failed: " + error);
  }
  return loaded;
}

int CRvcUtils::CountTopics(const std::string& resourceFile) {
  std::optional<ResourceDb> db = ResourceDb::Open(resourceFile);
  return db ? db->TopicCount() : -1;
}

std::vector<std::string> CRvcUtils::ListTopicNames(const std::string& resourceFile) {
  std::vector<std::string> names;
  std::optional<ResourceDb> db = ResourceDb::Open(resourceFile);
  if (!db) return names;
  // The first topic of such files is their header, not an entry.
  for (int i = 1; i < db->TopicCount(); ++i) {
    if (auto name = db->TopicAt(i)) names.push_back(*name);
  }
  return names;
}

std::vector<std::string> CRvcUtils::ListItemValues(const std::string& resourceFile, const std::string& item) {
  std::vector<std::string> values;
  std::optional<ResourceDb> db = ResourceDb::Open(resourceFile);
  if (!db) return values;
  // One value per listed topic, "" where the item is missing, so that the list stays
  // parallel to ListTopicNames.
  for (int i = 1; i < db->TopicCount(); ++i) {
    auto topic = db->TopicAt(i);
    values.push_back(topic ? db->Find(*topic, item).value_or("") : "");
  }
  return values;
}

}  // namespace rvc::store
