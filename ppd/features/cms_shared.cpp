#include "ppd/features/cms_shared.h"

#include <lcms2.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/environment.h"
#include "platform/path.h"
#include "platform/plugin_library.h"
#include "ppd/features/folder_listing.h"
#include "store/resource_db.h"

namespace rvc::features {
namespace {

// The one database of the process, as the library keeps it between TCMS_Init and TCMS_End.
struct Database {
  bool open = false;
  std::string folder;
  std::vector<std::string> strategies;
  std::vector<const char*> strategyArray;
  std::deque<std::pair<std::string, int>> errors;
  std::string lastError;
};

Database& Db() {
  static Database db;
  return db;
}

// Little CMS, loaded when the database is first opened rather than with the program, so
// that a start that makes no PPD does not load it. It stays loaded for the rest of the
// process.
struct LittleCms {
  decltype(&::cmsOpenProfileFromFile) openProfileFromFile = nullptr;
  decltype(&::cmsGetDeviceClass) getDeviceClass = nullptr;
  decltype(&::cmsGetColorSpace) getColorSpace = nullptr;
  decltype(&::cmsGetProfileInfoASCII) getProfileInfoASCII = nullptr;
  decltype(&::cmsCloseProfile) closeProfile = nullptr;
  std::string error;  // why it cannot be used, or empty
};

LittleCms LoadLittleCms() {
  LittleCms cms;
  std::string reason;
  const auto library = platform::PluginLibrary::Load("liblcms2.so.2", &reason);
  if (!library) {
    cms.error = "Cannot load Little CMS (liblcms2.so.2): " + reason;
    return cms;
  }
  if (!library->Bind("cmsOpenProfileFromFile", cms.openProfileFromFile) ||
      !library->Bind("cmsGetDeviceClass", cms.getDeviceClass) ||
      !library->Bind("cmsGetColorSpace", cms.getColorSpace) ||
      !library->Bind("cmsGetProfileInfoASCII", cms.getProfileInfoASCII) ||
      !library->Bind("cmsCloseProfile", cms.closeProfile)) {
    cms.error = "liblcms2.so.2 lacks the profile functions it is used for";
    return cms;
  }
  library->KeepLoaded();
  return cms;
}

const LittleCms& Cms() {
  static const LittleCms cms = LoadLittleCms();
  return cms;
}

std::optional<cmsProfileClassSignature> ClassOf(std::string_view name) {
  static const std::pair<const char*, cmsProfileClassSignature> kClasses[] = {
      {"print", cmsSigOutputClass},    {"monitor", cmsSigDisplayClass},   {"input", cmsSigInputClass},
      {"link", cmsSigLinkClass},       {"abstract", cmsSigAbstractClass}, {"colorspace", cmsSigColorSpaceClass},
      {"named", cmsSigNamedColorClass}};
  for (const auto& [text, signature] : kClasses) {
    if (platform::EqualsNoCase(name, text)) return signature;
  }
  return std::nullopt;
}

// The profile's description, else the file name without its extension; nothing when
// the file is no profile of the wanted class and colour space.
std::optional<std::string> ProfileName(const std::string& path, cmsProfileClassSignature wanted, int colorSpace) {
  const LittleCms& cms = Cms();
  if (!cms.error.empty()) return std::nullopt;
  cmsHPROFILE profile = cms.openProfileFromFile(path.c_str(), "r");
  if (profile == nullptr) return std::nullopt;
  std::optional<std::string> name;
  if (cms.getDeviceClass(profile) == wanted &&
      (colorSpace == 0 || static_cast<int>(cms.getColorSpace(profile)) == colorSpace)) {
    char text[256] = {};
    const cmsUInt32Number length =
        cms.getProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    name = length > 1 ? std::string(text) : std::filesystem::path(path).stem().string();
  }
  cms.closeProfile(profile);
  return name;
}

}  // namespace

int TCMS_Init() {
  Database& db = Db();
  db = Database{};
  const std::string variable = platform::GetEnvNoCase("KW_CMS").value_or("");
  if (variable.find_first_not_of(" \t") == std::string::npos) {
    db.errors.emplace_back("KW_CMS is not defined", kCmsNotDefined);
    return -1;
  }
  const std::optional<std::string> folder = detail::ExistingFolder(variable);
  if (!folder) {
    db.errors.emplace_back("The colour management folder " + variable + " does not exist", kCmsFolderMissing);
    return -1;
  }
  const std::string strategies = platform::ResolveNoCase(platform::JoinPath(*folder, "strategies.dat"));
  std::error_code error;
  if (std::filesystem::exists(strategies, error)) {
    std::optional<store::ResourceDb> file = store::ResourceDb::Open(strategies);
    if (!file) {
      db.errors.emplace_back("Cannot read the colour strategies " + strategies, kCmsStrategiesUnreadable);
      return -1;
    }
    for (int i = 0; i < file->TopicCount(); ++i) {
      std::optional<std::string> name = file->TopicAt(i);
      if (name && !name->empty()) db.strategies.push_back(std::move(*name));
    }
  }
  if (const std::string& missing = Cms().error; !missing.empty()) {
    db.errors.emplace_back(missing, kCmsLibraryMissing);
    return -1;
  }
  db.folder = *folder;
  db.open = true;
  return 0;
}

void TCMS_End() {
  Database& db = Db();
  std::deque<std::pair<std::string, int>> errors = std::move(db.errors);
  db = Database{};
  db.errors = std::move(errors);  // still there to be read after a failed start
}

const char* cdb_error_get(int* code) {
  Database& db = Db();
  if (db.errors.empty()) return nullptr;
  db.lastError = std::move(db.errors.front().first);
  if (code != nullptr) *code = db.errors.front().second;
  db.errors.pop_front();
  return db.lastError.c_str();
}

const char* const* TCMSDB_ColTransfListAll(int* count) {
  Database& db = Db();
  if (count != nullptr) *count = 0;
  if (!db.open) return nullptr;
  db.strategyArray.clear();
  for (const std::string& name : db.strategies) db.strategyArray.push_back(name.c_str());
  db.strategyArray.push_back(nullptr);
  if (count != nullptr) *count = static_cast<int>(db.strategies.size());
  return db.strategyArray.data();
}

const char* TCMSDB_ProcScan(TCMSDB_Scan* scan, const char* profileClass, int colorSpace, int flags) {
  Database& db = Db();
  if (scan == nullptr || !db.open || flags != 0) return nullptr;
  if (!scan->started) {
    scan->started = true;
    scan->names.clear();
    scan->next = 0;
    const std::optional<cmsProfileClassSignature> wanted = ClassOf(profileClass == nullptr ? "" : profileClass);
    const std::string profiles = platform::ResolveNoCase(platform::JoinPath(db.folder, "profiles"));
    if (wanted) {
      std::error_code error;  // no profiles folder: no profiles
      for (const std::string& file : detail::MatchingFiles(profiles, "*", error)) {
        if (!platform::MatchesPatternNoCase(file, "*.icc") && !platform::MatchesPatternNoCase(file, "*.icm")) continue;
        if (std::optional<std::string> name = ProfileName(platform::JoinPath(profiles, file), *wanted, colorSpace)) {
          scan->names.push_back(std::move(*name));
        }
      }
    }
  }
  if (scan->next >= scan->names.size()) return nullptr;
  return scan->names[scan->next++].c_str();
}

}  // namespace rvc::features
