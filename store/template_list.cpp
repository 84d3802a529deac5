#include "store/template_list.h"

#include <algorithm>
#include <optional>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/path.h"
#include "store/list_file.h"
#include "store/rvc_utils.h"
#include "ui/user_interface.h"

namespace rvc::store {
namespace {

// Message boxes without a title of their own carry the application's name.
constexpr const char* kAppTitle = "Ravlin Configurator";
// Shorter forms of a type name are tried down to this length.
constexpr size_t kShortestForm = 6;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind(platform::kSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind(platform::kSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StemOf(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

size_t CommonPrefixNoCase(std::string_view a, std::string_view b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && platform::EqualsNoCase(a.substr(n, 1), b.substr(n, 1))) ++n;
  return n;
}

// The ".fid" base a single template name suggests: everything before its last "_".
std::string InitialBase(const std::string& stem) {
  const size_t underscore = stem.rfind('_');
  return underscore == std::string::npos ? std::string() : stem.substr(0, underscore);
}

// Narrows `base` to the leading part it shares with `stem`. The cut falls on a "_"
// boundary so that "zv_fid_Lux" and "zv_fid_Lumen" keep "zv_fid", not "zv_fid_Lu".
std::string NarrowBase(const std::string& base, const std::string& stem) {
  const size_t common = CommonPrefixNoCase(base, stem);
  if (common == base.size() && (common == stem.size() || stem[common] == '_')) return base;
  const size_t underscore = common == 0 ? std::string::npos : base.rfind('_', common - 1);
  return underscore == std::string::npos ? std::string() : base.substr(0, underscore);
}

// The type name of a ".fid" template: what follows the base (and its "_"); with no base,
// or nothing left after it, the part after the last "_".
std::string TypeNameOf(const std::string& stem, const std::string& base) {
  std::string rest;
  if (!base.empty() && stem.size() > base.size()) {
    rest = stem.substr(base.size());
    if (rest.front() == '_') rest.erase(0, 1);
  }
  if (rest.empty()) {
    const size_t underscore = stem.rfind('_');
    rest = underscore == std::string::npos ? stem : stem.substr(underscore + 1);
  }
  return rest.empty() ? stem : rest;
}

// The forms of a type name tried for its templates: the name itself; then the name
// without its trailing "_"-separated parts, one part at a time; then the name less one
// trailing character at a time. Shortened forms must keep kShortestForm characters.
std::vector<std::string> NameForms(const std::string& name) {
  std::vector<std::string> forms{name};
  auto add = [&forms](std::string form) {
    if (form.size() < kShortestForm) return;
    if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(std::move(form));
  };
  for (size_t underscore = name.rfind('_'); underscore != std::string::npos && underscore > 0;
       underscore = name.rfind('_', underscore - 1)) {
    add(name.substr(0, underscore));
  }
  for (size_t length = name.size(); length-- > kShortestForm;) add(name.substr(0, length));
  return forms;
}

// Finds the templates of the types in one listing of the template folder: a rebuild
// looks for a dozen names per type there.
class TemplateFinder {
 public:
  TemplateFinder(std::string folder, std::vector<std::string> names)
      : folder_(std::move(folder)), names_(std::move(names)) {}

  // The file name of the first of prefix + form + suffix found, trying `forms` in order.
  std::optional<std::string> Find(const std::vector<std::string>& forms, const std::string& prefix,
                                  const std::string& suffix) {
    for (const auto& form : forms) {
      if (auto found = Probe(prefix + form + suffix)) return found;
    }
    return std::nullopt;
  }

  // The newest file of the folder matching `fileName` (which may hold wildcards).
  std::optional<std::string> Probe(const std::string& fileName) {
    const std::string* match = nullptr;
    bool several = fileName.find(platform::kSeparator) != std::string::npos;  // names a subfolder
    const platform::NamePattern wanted(fileName);
    for (size_t i = 0; i < names_.size() && !several; ++i) {
      if (!wanted.Matches(names_[i])) continue;
      several = match != nullptr;
      match = &names_[i];
    }
    if (!several) return match ? std::optional<std::string>(*match) : std::nullopt;
    // Spellings that differ only in case, or a wildcard: the times decide.
    std::string pattern = fileName;
    if (!utils_.FindNewestFile(folder_, pattern, true)) return std::nullopt;
    return FileNameOf(pattern);
  }

  std::string PathOf(const std::string& fileName) const { return folder_ + fileName; }

 private:
  std::string folder_;
  std::vector<std::string> names_;  // the folder's files, by name
  CRvcUtils utils_;
};

}  // namespace

CTemplateList::CTemplateList(std::string flavourKey, std::string listFile, bool rebuild)
    : key_(std::move(flavourKey)), listFile_(std::move(listFile)) {
  programFolder_ = FolderOf(listFile_);
  if (rebuild) {
    RebuildFromDisk();
  } else {
    LoadFromListFile();
  }
}

const CTemplate* CTemplateList::GetAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &templates_[static_cast<size_t>(index)];
}

std::string CTemplateList::IniTemplateFolder() const {
  return programFolder_ + platform::NativePath("dat\\templates\\inifiles\\");
}

std::string CTemplateList::TemplatePath(std::string_view file) const {
  return platform::ResolveNoCase(std::string(templateFolder_).append(file));
}

TemplateText CTemplateList::Keep(std::string_view text) {
  if (blockSize_ - blockUsed_ >= text.size()) {
    char* kept = block_.get() + blockUsed_;
    std::copy(text.begin(), text.end(), kept);
    blockUsed_ += text.size();
    return std::string_view(kept, text.size());
  }
  return std::string_view(*texts_.emplace_back(std::make_unique<std::string>(text)));
}

int CTemplateList::FindType(const std::string& name) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (platform::EqualsNoCase(templates_[static_cast<size_t>(i)].Name, name)) return i;
  }
  for (int i = 0; i < GetCount(); ++i) {
    if (platform::EqualsNoCase(templates_[static_cast<size_t>(i)].Name, "generic")) return i;
  }
  const std::string bare = CRvcUtils::RemoveBlanks(name);
  for (int i = 0; i < GetCount(); ++i) {
    if (platform::EqualsNoCase(CRvcUtils::RemoveBlanks(templates_[static_cast<size_t>(i)].Name), bare)) return i;
  }
  throw CRvcException(msg::kConfigurationFailed, name);
}

int CTemplateList::ReadDispatcherType(const std::string& topic, const ResourceDb* db) const {
  if (db == nullptr) throw CRvcException(msg::kResourceDbError, "Invalid handle");
  auto type = db->Find(topic, "Type");
  if (!type) {
    ui::ShowMessage("There is no type specified for this Dispatcher!!", kAppTitle, ui::Buttons::Ok);
    return 0;
  }
  return FindType(*type);
}

std::string CTemplateList::ReadDispatcherItem(const std::string& topic, const std::string& item,
                                              const ResourceDb* db) const {
  if (db == nullptr) throw CRvcException(msg::kResourceDbError, "Invalid handle");
  auto value = db->Find(topic, item);
  if (!value) {
    ui::ShowMessage("There is no version specified for this Dispatcher!!", kAppTitle, ui::Buttons::Ok);
    return {};
  }
  return *value;
}

void CTemplateList::LoadFromListFile() {
  enum { kCount, kFidBase, kFlavor };
  static constexpr std::string_view kMainItems[] = {"NrConfigs", "FIDbase", "Flavor"};
  // The items of a type; the film or the plate template is read after "ZV_PLATE_OR_FILM"
  // says which.
  enum { kName, kFid, kPlateOrFilm, kFilm, kPlate, kConfig, kRecorder, kDispatcher };
  static constexpr std::string_view kItems[] = {"Name",     "FID",       "ZV_PLATE_OR_FILM", "ZV_FILM",
                                                "ZV_PLATE", "ZV_CONFIG", "ZV_RECORDER",      "ZV_DISPATCHER"};
  static const store::ListFile::Items kMain(kMainItems), kRecord(kItems);
  store::ListFile file(kMain, kRecord);
  if (!file.Read(listFile_)) throw CRvcException(msg::kResourceDbError, listFile_);
  const std::optional<std::string_view> countText = file.Main(kCount);
  const std::optional<long> count = countText ? ResourceDb::ReadInt(*countText) : std::nullopt;
  if (!count) throw CRvcException(msg::kResourceDbError, listFile_);
  auto require = [&](std::optional<std::string_view> value) {
    if (!value) throw CRvcException(msg::kResourceDbError, listFile_);
    return *value;
  };
  fidBase_ = require(file.Main(kFidBase));
  flavor_ = require(file.Main(kFlavor));
  // The values are parts of the file: its size holds them all.
  blockSize_ = file.Size();
  block_ = std::make_unique_for_overwrite<char[]>(blockSize_);
  const std::string templates = platform::NativePath("dat\\templates\\");
  templateFolder_.reserve(programFolder_.size() + templates.size() + flavor_.size() + 1);
  templateFolder_.append(programFolder_).append(templates).append(flavor_) += platform::kSeparator;

  // Room for the count the file gives, within reason: the file may be damaged.
  if (*count > 0) templates_.reserve(std::min(static_cast<size_t>(*count), file.Records()));
  for (long i = 1; i <= *count; ++i) {
    file.FindRecord(i);
    CTemplate& type = templates_.emplace_back();
    type.Name = Keep(require(file.Item(kName)));
    type.FID = Keep(require(file.Item(kFid)));
    type.PlateOrFilm = Keep(require(file.Item(kPlateOrFilm)));
    type.PlateOrFilmFile = Keep(require(file.Item(type.IsFilm() ? kFilm : kPlate)));
    type.Config = Keep(require(file.Item(kConfig)));
    type.Recorder = Keep(require(file.Item(kRecorder)));
    type.DispatcherIni = Keep(require(file.Item(kDispatcher)));
  }
}

void CTemplateList::RebuildFromDisk() {
  CRvcTrace trace("");
  // Without a list file the template folder's name is unknown; installations name it
  // after the flavour.
  flavor_ = key_;
  fidBase_.clear();
  templateFolder_ = programFolder_ + platform::NativePath("dat\\templates\\");
  std::vector<std::string> templateFiles = CRvcUtils::ListFiles(templateFolder_, "*");
  templateFolder_ = platform::WithTrailingSeparator(templateFolder_);

  std::vector<std::string> fidFiles;
  const platform::NamePattern fid("*.fid");
  for (const std::string& name : templateFiles) {
    if (fid.Matches(name)) fidFiles.push_back(name);
  }
  // Directory order differs between file systems; the list order decides which type a
  // dispatcher is recognised as, so keep it stable.
  std::sort(fidFiles.begin(), fidFiles.end(), [](const std::string& a, const std::string& b) {
    return platform::LessNoCase(a, b);
  });

  if (fidFiles.empty()) {
    CRvcUtils utils;
    std::string found = "*.fid";
    if (!utils.FindNewestFile(programFolder_ + "dat" + platform::kSeparator, found, false)) {
      throw CRvcException(msg::kConfigurationFailed, listFile_);
    }
    templateFolder_ = FolderOf(found);
    CTemplate generic;
    generic.Name = "Generic";
    generic.FID = Keep(FileNameOf(found));
    fidBase_ = InitialBase(StemOf(generic.FID));
    if (fidBase_.empty()) fidBase_ = StemOf(generic.FID);
    templates_.push_back(std::move(generic));
    trace.Trace("No device type templates in " + programFolder_ + "dat; using " + found + " for type Generic");
    return;
  }

  // Narrow the base over all names first: a name derived early may still be too long.
  std::vector<std::string> stems;
  for (const auto& file : fidFiles) {
    stems.push_back(StemOf(file));
    fidBase_ = stems.size() == 1 ? InitialBase(stems.back()) : NarrowBase(fidBase_, stems.back());
  }

  TemplateFinder finder(templateFolder_, std::move(templateFiles));
  // One line for all types: a load rebuilds every flavour without a list file.
  std::string rebuilt = "Device types rebuilt from " + templateFolder_ + ":";
  for (size_t i = 0; i < fidFiles.size(); ++i) {
    CTemplate type;
    type.FID = Keep(fidFiles[i]);
    const std::string name = TypeNameOf(stems[i], fidBase_);
    type.Name = Keep(name);
    const std::vector<std::string> forms = NameForms(name);

    auto recorder = finder.Find(forms, "zv_recorder_", ".res");
    if (!recorder) throw CRvcException(msg::kOpenFailed, finder.PathOf("zv_recorder_" + name + ".res"));
    type.Recorder = Keep(*recorder);

    auto config = finder.Find(forms, "zv_config_", ".res");
    if (!config) throw CRvcException(msg::kOpenFailed, finder.PathOf("zv_config_" + name + ".res"));
    type.Config = Keep(*config);

    for (const auto& form : forms) {
      if (auto film = finder.Probe("zv_film_" + form + ".res")) {
        type.PlateOrFilm = "FILM";
        type.PlateOrFilmFile = Keep(*film);
        break;
      }
      if (auto plate = finder.Probe("zv_plate_" + form + ".res")) {
        type.PlateOrFilm = "PLATE";
        type.PlateOrFilmFile = Keep(*plate);
        break;
      }
    }
    if (type.PlateOrFilmFile.empty()) {
      throw CRvcException(msg::kOpenFailed, finder.PathOf("zv_film_" + name + ".res") + " or zv_plate_" + name + ".res");
    }

    type.DispatcherIni = Keep(finder.Find(forms, "zv" + flavor_ + "_dispatcher_", ".ini").value_or(""));
    rebuilt.append(i == 0 ? " " : ", ").append(name).append(" (").append(type.FID).append(")");
    templates_.push_back(std::move(type));
  }
  trace.Trace(rebuilt);
}

}  // namespace rvc::store
