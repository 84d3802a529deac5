#include "backup/path_checks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::backup {
namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes `path` when asked and it lies inside the data folder; true when it is a folder.
// The path is resolved ignoring case, as the installation's paths are.
bool EnsureFolder(const std::string& spelt, const std::string& dataFolder, bool create,
                  const BeforeCreate& beforeCreate) {
  const std::string path = platform::ResolveNoCase(spelt);
  if (create && !IsFolder(path) && store::OutsideDataFolder(dataFolder, path).empty()) {
    if (beforeCreate) beforeCreate(path);
    store::CRvcUtils().CreateFolderTree(path);
  }
  return IsFolder(platform::ResolveNoCase(spelt));
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string ResolveRestoredPath(const std::string& path, const std::string& dataFolder) {
  std::string resolved = path;
  if (resolved.find("%kw_data_tamrix%") != std::string::npos) {
    ReplaceAll(resolved, "%kw_data_tamrix%\\", dataFolder);
    ReplaceAll(resolved, "%kw_data_tamrix%/", dataFolder);
  } else if (resolved.find("%KW_DATA_TAMRIX%") != std::string::npos) {
    ReplaceAll(resolved, "%KW_DATA_TAMRIX%\\", dataFolder);
    ReplaceAll(resolved, "%KW_DATA_TAMRIX%/", dataFolder);
  }
  std::replace(resolved.begin(), resolved.end(), '\\', '/');
  return resolved;
}

bool CheckRestoredFolders(const std::string& folder, const std::string& dataFolder, bool create,
                          const BeforeCreate& beforeCreate) {
  bool result = true;
  CRvcTrace trace("");
  for (int n = 0; n <= 2; ++n) {
    std::string file = folder + "/swap_" + std::to_string(n) + ".sfd";
    std::string bytes;
    std::string spelt = file;
    if (!platform::ReadFileNoCase(spelt, bytes)) throw CRvcException(msg::kOpenFailed, file);
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) { return std::tolower(c); });
      if (line.find("persistent") != std::string::npos || line.find("volatile") != std::string::npos ||
          line.find('#') != std::string::npos) {
        continue;
      }
      std::string path = ResolveRestoredPath(line, dataFolder);
      if (!EnsureFolder(path, dataFolder, create, beforeCreate)) {
        trace.Trace("The following swap file folder does not exist:" + path +
                    "! Please create above folder or change the swap files to new location");
        result = false;
      }
    }
  }
  return result;
}

bool CheckRestoredIni(const std::string& iniFile, const std::string& dataFolder, bool create,
                      const BeforeCreate& beforeCreate) {
  bool result = true;
  CRvcTrace trace("");
  store::ResourceDb ini = store::ResourceDb::OpenOrThrow(iniFile);
  struct Setting {
    const char* topic;
    const char* item;
    const char* before;
    const char* after;
  };
  static const Setting kSettings[] = {
      {"hotfolder", "Folder", "The following Hot Folder path does not exist:",
       "! Please create the above folder or change the Hot Folder to new location"},
      {"PavoNet", "ldir1", "The following LocalDir1 path does not exist:",
       "! Please create above folder or change the LocalDir1 to new location"},
      {"PavoNet", "ldir2", "The following LocalDir2 path does not exist:",
       "! Please create above folder or change the LocalDir2 to new location"},
  };
  for (const Setting& setting : kSettings) {
    std::optional<std::string> value = ini.Find(setting.topic, setting.item);
    if (!value) continue;
    std::string path = ResolveRestoredPath(Unquoted(*value), dataFolder);
    if (!EnsureFolder(path, dataFolder, create, beforeCreate)) {
      trace.Trace(setting.before + path + setting.after);
      result = false;
    }
  }
  return result;
}

}  // namespace rvc::backup
