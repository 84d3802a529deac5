#include "ripconfig/configuration_store.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "platform/text.h"
#include "store/resource_db.h"

namespace rvc::ripconfig {

using platform::EqualsNoCase;
using store::ResourceDb;

// Topic and item names inside the files.
namespace {

constexpr const char* kMainTopic = "Main";
constexpr const char* kConfsItem = "confs";
constexpr const char* kSetsItem = "sets";
constexpr const char* kUsedItem = "used";
constexpr const char* kOriginItem = "origin";
constexpr const char* kMediaItem = "media";

constexpr const char* kNameItem = "name";
constexpr const char* kFilmItem = "film";
constexpr const char* kSetItem = "set";
constexpr const char* kOutputItem = "output";
constexpr const char* kVSizeItem = "vsize";
constexpr const char* kHSizeItem = "hsize";
constexpr const char* kPolarityItem = "polarity";
constexpr const char* kCurveItem = "curve";
constexpr const char* kSizeTextItem = "sizetext";
constexpr const char* kFlagItem = "flag";
constexpr const char* kResolutionPrefix = "res";

constexpr const char* kRecorderTopic = "Recorder";
constexpr const char* kMaxWidthItem = "maxwidth";
constexpr const char* kMaxHeightItem = "maxheight";
constexpr const char* kPixelClockItem = "pixelclock";
constexpr const char* kPerimeterItem = "perimeter";

constexpr const char* kNamesTopic = "Names";
constexpr const char* kNamePrefix = "name";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += separator;
    joined += parts[i];
  }
  return joined;
}

// Plain decimals ("600", "-2.5", "1000.0") with at most 15 digits, which is nearly every
// number of the files, read without from_chars: their digits and the power of ten are
// exact doubles, so the one division rounds as from_chars would.
std::optional<double> PlainDecimal(std::string_view text) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++count > 15) return std::nullopt;
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point && count > 0) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowers[decimals];
  return negative ? -value : value;
}

// Numbers are written in the C form whatever the locale: "." for decimals. `text` holds
// no blank at either end.
std::optional<double> ParseTrimmedDouble(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = platform::Trim(text.substr(1, text.size() - 2));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (auto plain = PlainDecimal(text)) return plain;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> ParseDouble(std::string_view text) { return ParseTrimmedDouble(platform::Trim(text)); }

std::optional<int> ParseInt(std::string_view text) {
  text = platform::Trim(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = platform::Trim(text.substr(1, text.size() - 2));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The shortest text that reads back as the same value.
std::string FormatNumber(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

// Vertical and horizontal size in inches, as the media editor writes it.
std::string DefaultSizeText(double verticalMil, double horizontalMil) {
  char buffer[96];
  std::snprintf(buffer, sizeof(buffer), "%.1f\" x %.1f\"", verticalMil / 1000.0, horizontalMil / 1000.0);
  return buffer;
}

// "res" followed by digits: the number, else nothing.
std::optional<int> ResolutionItemNumber(std::string_view item) {
  if (item.size() <= 3 || !EqualsNoCase(item.substr(0, 3), kResolutionPrefix)) return std::nullopt;
  std::string_view digits = item.substr(3);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
  return ParseInt(digits);
}

std::string ResolutionItem(size_t index) { return kResolutionPrefix + std::to_string(index + 1); }

// dpi, enabled, gamma, gamma used, then the four calibration values, separated by commas.
std::string FormatEntry(const ResolutionEntry& entry) {
  std::vector<std::string> fields{FormatNumber(entry.dpi), std::to_string(entry.enabled), FormatNumber(entry.gamma),
                                  entry.useGamma ? "1" : "0"};
  for (double value : entry.calibration) fields.push_back(FormatNumber(value));
  return Join(fields, ",");
}

// Reads what FormatEntry writes; blanks may stand beside or instead of the commas, and
// trailing values may be left out. Nothing when a field is not a number. Every value of
// every set passes here on opening: no allocation.
std::optional<ResolutionEntry> ParseEntry(std::string_view text) {
  std::array<double, 8> values{};
  size_t count = 0;
  bool emptyField = true;  // no word yet since the last comma
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  for (size_t i = 0, n = text.size();;) {
    while (i < n && blank(text[i])) ++i;
    if (i == n || text[i] == ',') {
      if (emptyField) return std::nullopt;
      if (i == n) break;
      ++i;
      emptyField = true;
      continue;
    }
    const size_t start = i;
    while (i < n && !blank(text[i]) && text[i] != ',') ++i;
    if (count == values.size()) return std::nullopt;
    auto value = ParseTrimmedDouble(text.substr(start, i - start));
    if (!value) return std::nullopt;
    values[count++] = *value;
    emptyField = false;
  }
  ResolutionEntry entry;
  entry.dpi = values[0];
  if (count > 1) entry.enabled = static_cast<int>(values[1]);
  if (count > 2) entry.gamma = values[2];
  if (count > 3) entry.useGamma = values[3] != 0;
  for (size_t i = 4; i < count; ++i) entry.calibration[i - 4] = values[i];
  return entry;
}

// Writes `entries` as the items res1, res2, ... of `topic`. An entry that reads the same
// as one the topic holds keeps that text, wherever it stood: deleting or inserting a
// resolution renumbers the others without rewriting their numbers.
void WriteEntries(ResourceDb& db, const std::string& topic, const std::vector<ResolutionEntry>& entries) {
  struct Written {
    std::string item, text;
    std::optional<ResolutionEntry> entry;
    bool taken = false;
  };
  std::vector<Written> written;
  const int count = db.ItemCount(topic);
  written.reserve(static_cast<size_t>(count));
  bool inOrder = true;  // the items are exactly res1, res2, ... in turn
  for (int i = 0; i < count; ++i) {
    std::string item = *db.ItemAt(topic, i);
    const std::optional<int> number = ResolutionItemNumber(item);
    if (!number) continue;
    inOrder = inOrder && *number == static_cast<int>(written.size()) + 1 &&
              EqualsNoCase(item, ResolutionItem(written.size()));
    std::string text = db.Find(topic, item).value_or("");
    auto entry = ParseEntry(text);
    if (entry) entry->set = topic;
    written.push_back({std::move(item), std::move(text), std::move(entry)});
  }
  auto reuse = [&](const std::string& item, const ResolutionEntry& entry, size_t position) -> const std::string* {
    // Most entries stay where they were. Among items named once each, the one at the same
    // position is the one the search below would choose.
    if (inOrder && position < written.size()) {
      Written& same = written[position];
      if (!same.taken && same.entry && *same.entry == entry) {
        same.taken = true;
        return &same.text;
      }
    }
    Written* found = nullptr;
    for (Written& w : written) {
      if (w.taken || !w.entry || !(*w.entry == entry)) continue;
      if (found == nullptr || EqualsNoCase(w.item, item)) found = &w;
      if (EqualsNoCase(w.item, item)) break;
    }
    if (found == nullptr) return nullptr;
    found->taken = true;
    return &found->text;
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string item = ResolutionItem(i);
    const std::string* text = reuse(item, entries[i], i);
    db.Set(topic, item, text ? *text : FormatEntry(entries[i]));
  }
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string ItemText(const std::string& path, std::string_view topic, std::string_view item) {
  return path + ": item " + Quoted(item) + " of topic " + Quoted(topic);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// One of the media files, looked for in a listing of its folder: the exact spelling, or
// else the first entry equal to it ignoring case.
struct MediaFile {
  MediaFile(const std::string& in, const char* wanted) : folder(in), name(wanted), path(in + wanted) {}
  void Consider(const dirent& entry) {
    if (exact || !EqualsNoCase(entry.d_name, name)) return;
    if (!found || entry.d_name == name) path = folder + entry.d_name;
    exact = entry.d_name == name;
    found = true;
    type = entry.d_type;
  }
  // A regular file, a link followed.
  bool IsFile() const {
    if (!found) return false;
    return type != DT_LNK && type != DT_UNKNOWN ? type == DT_REG : IsRegularFile(path);
  }
  const std::string& folder;
  std::string_view name;
  std::string path;
  bool found = false, exact = false;
  unsigned char type = DT_UNKNOWN;
};

// The on-disk spelling of `path`, and whether it names a regular file (a link followed).
std::pair<std::string, bool> FindFile(const std::string& path) {
  std::string found = platform::ResolveNoCase(path);
  const bool file = IsRegularFile(found);
  return {std::move(found), file};
}

int64_t ModificationTime(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 0;
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// A topic found once and then read by its position; `index` is -1 when the file lacks it.
struct TopicRef {
  int index;
  std::string_view name;
};

// Reads items of one file, reporting what is missing or does not read as a number.
class ItemReader {
 public:
  ItemReader(const ResourceDb& db, std::vector<std::string>& errors) : db_(db), errors_(errors) {}

  TopicRef Topic(std::string_view name) const { return {db_.TopicIndex(name).value_or(-1), name}; }

  // Views into the database, valid while it lives unchanged.
  std::optional<std::string_view> Text(const TopicRef& topic, std::string_view item) const {
    return db_.FindViewAt(topic.index, item);
  }

  std::optional<std::string_view> RequiredText(const TopicRef& topic, std::string_view item) const {
    auto value = Text(topic, item);
    if (!value) errors_.push_back(ItemText(db_.Path(), topic.name, item) + " is missing");
    return value;
  }

  // The values of `items` in the topic, taken in one pass over its items; an item named
  // twice reads as its first one, as a lookup by name finds it.
  template <size_t N>
  std::array<std::optional<std::string_view>, N> Values(const TopicRef& topic,
                                                         const std::array<std::string_view, N>& items) const {
    std::array<std::optional<std::string_view>, N> values;
    const int count = db_.ItemCountAt(topic.index);
    for (int i = 0; i < count; ++i) {
      const std::string_view name = db_.ItemNameAt(topic.index, i);
      for (size_t k = 0; k < N; ++k) {
        if (!values[k] && name.size() == items[k].size() && EqualsNoCase(name, items[k])) {
          values[k] = db_.ItemValueAt(topic.index, i);
          break;
        }
      }
    }
    return values;
  }

  double Number(const TopicRef& topic, std::string_view item, double fallback, bool required) const {
    return Number(topic, item, Text(topic, item), fallback, required);
  }
  int Integer(const TopicRef& topic, std::string_view item, int fallback) const {
    return Integer(topic, item, Text(topic, item), fallback);
  }

  // The same with the value `text` taken already.
  double Number(const TopicRef& topic, std::string_view item, std::optional<std::string_view> text, double fallback,
                bool required) const {
    if (!text) {
      if (required) errors_.push_back(ItemText(db_.Path(), topic.name, item) + " is missing");
      return fallback;
    }
    auto value = ParseDouble(*text);
    if (!value) {
      errors_.push_back(ItemText(db_.Path(), topic.name, item) + " is not a number: " + Quoted(*text));
      return fallback;
    }
    return *value;
  }

  int Integer(const TopicRef& topic, std::string_view item, std::optional<std::string_view> text, int fallback) const {
    if (!text) return fallback;
    auto value = ParseInt(*text);
    if (!value) {
      errors_.push_back(ItemText(db_.Path(), topic.name, item) + " is not a whole number: " + Quoted(*text));
      return fallback;
    }
    return *value;
  }

  std::optional<ResolutionEntry> Entry(const TopicRef& topic, std::string_view item, std::string_view text,
                                       const std::string& set) const {
    auto entry = ParseEntry(text);
    if (!entry) {
      errors_.push_back(
          ItemText(db_.Path(), topic.name, item) +
          " is not a resolution (dpi, enabled, gamma, gamma used, 4 calibration values): " + Quoted(text));
      return std::nullopt;
    }
    entry->set = set;
    return entry;
  }

 private:
  const ResourceDb& db_;
  std::vector<std::string>& errors_;
};

void PutText(ResourceDb& db, std::string_view topic, std::string_view item, const std::string& value,
             const std::string* old) {
  if (old != nullptr && *old == value) return;
  db.Set(topic, item, value);
}

void PutNumber(ResourceDb& db, std::string_view topic, std::string_view item, double value, const double* old) {
  if (old != nullptr && *old == value) return;
  db.Set(topic, item, FormatNumber(value));
}

void PutInt(ResourceDb& db, std::string_view topic, std::string_view item, int value, const int* old) {
  if (old != nullptr && *old == value) return;
  db.Set(topic, item, std::to_string(value));
}

// Snapshots hold records by value, sets through a shared pointer.
template <class T>
inline constexpr bool kShared = false;
template <class R>
inline constexpr bool kShared<std::shared_ptr<const R>> = true;

template <class R>
const R& RecordOf(const R& record) {
  return record;
}
template <class R>
const R& RecordOf(const std::shared_ptr<const R>& record) {
  return *record;
}

// The snapshot's entry with that id; records mostly keep their places, so `hint`, the
// position the caller expects it at, is tried first.
template <class T>
const std::pair<uint64_t, T>* SlotById(const std::vector<std::pair<uint64_t, T>>& stored, uint64_t id,
                                       size_t hint = 0) {
  if (hint < stored.size() && stored[hint].first == id) return &stored[hint];
  for (const auto& slot : stored) {
    if (slot.first == id) return &slot;
  }
  return nullptr;
}

// The record with that id (see SlotById).
template <class T>
auto StoredById(const std::vector<std::pair<uint64_t, T>>& stored, uint64_t id, size_t hint = 0)
    -> decltype(&RecordOf(stored.front().second)) {
  const auto* slot = SlotById(stored, id, hint);
  return slot != nullptr ? &RecordOf(slot->second) : nullptr;
}

template <class T>
bool ContainsId(const std::vector<std::pair<uint64_t, T>>& list, uint64_t id, size_t hint) {
  return StoredById(list, id, hint) != nullptr;
}

// The same records in the same order; with `sameIds`, also kept by the same slots.
template <class T>
bool SameRecords(const std::vector<std::pair<uint64_t, T>>& a, const std::vector<std::pair<uint64_t, T>>& b,
                 bool sameIds = true) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (sameIds && a[i].first != b[i].first) return false;
    if constexpr (kShared<T>) {
      if (a[i].second == b[i].second) continue;
    }
    if (!(RecordOf(a[i].second) == RecordOf(b[i].second))) return false;
  }
  return true;
}

template <class T>
std::vector<std::string> NamesOf(const std::vector<std::pair<uint64_t, T>>& list) {
  std::vector<std::string> names;
  names.reserve(list.size());
  for (const auto& entry : list) names.push_back(RecordOf(entry.second).name);
  return names;
}

template <class T>
bool SameNames(const std::vector<std::pair<uint64_t, T>>& a, const std::vector<std::pair<uint64_t, T>>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (RecordOf(a[i].second).name != RecordOf(b[i].second).name) return false;
  }
  return true;
}

// Removes the topics of deleted records and renames those of renamed ones. Renames go
// through a temporary name first, so that records may swap names.
template <class T>
void ApplyTopicMembership(ResourceDb& db, const std::vector<std::pair<uint64_t, T>>& stored,
                          const std::vector<std::pair<uint64_t, T>>& now,
                          std::vector<std::pair<std::string, std::string>>& pendingRenames) {
  for (size_t i = 0; i < stored.size(); ++i) {
    if (!ContainsId(now, stored[i].first, i)) db.RemoveTopic(RecordOf(stored[i].second).name);
  }
  for (size_t i = 0; i < now.size(); ++i) {
    const auto* old = StoredById(stored, now[i].first, i);
    const std::string& name = RecordOf(now[i].second).name;
    if (old == nullptr || old->name == name) continue;
    std::string temporary = "~rvc-rename-" + std::to_string(now[i].first);
    db.RenameTopic(old->name, temporary);
    pendingRenames.emplace_back(temporary, name);
  }
}

void FinishRenames(ResourceDb& db, const std::vector<std::pair<std::string, std::string>>& pendingRenames) {
  for (const auto& [temporary, name] : pendingRenames) db.RenameTopic(temporary, name);
}

}  // namespace

bool SameResolution(double a, double b) { return std::fabs(a - b) < 1e-6; }

ResolutionEntry* ResolutionSet::Find(double dpi) const {
  for (const auto& entry : entries) {
    if (SameResolution(entry->dpi, dpi)) return entry.get();
  }
  return nullptr;
}

void ConfigRecord::TakeMediaValues(const FilmRecord& media) {
  verticalSize = media.verticalSize;
  horizontalSize = media.horizontalSize;
  polarity = media.polarity;
  curve = media.curve;
}

// --- Opening ---

namespace {

// Records by the position of their topic in the file they come from: a name is looked
// up through the file's own topic index, which finds the first topic of a name, as the
// records do (a later topic of the same name makes no record).
template <class R>
struct TopicRecords {
  const ResourceDb* db = nullptr;
  std::vector<R*> byTopic;

  R* Find(std::string_view name) const {
    const std::optional<int> topic = db != nullptr ? db->TopicIndex(name) : std::nullopt;
    return topic ? byTopic[static_cast<size_t>(*topic)] : nullptr;
  }
};

}  // namespace

struct ConfigurationStore::FilmIndex : TopicRecords<FilmRecord> {};
struct ConfigurationStore::SetIndex : TopicRecords<ResolutionSet> {};

std::unique_ptr<ConfigurationStore> ConfigurationStore::Open(const std::string& configPath, std::string* reason) {
  // Read as spelt first: resolving the case costs a folder listing per component.
  std::unique_ptr<ConfigurationStore> store(new ConfigurationStore());
  store->configFile_.path = platform::NativePath(configPath);
  if (!store->ReadFile(store->configFile_)) {
    if (reason != nullptr) *reason = "Cannot read " + platform::ResolveNoCase(store->configFile_.path);
    return nullptr;
  }
  const std::string& path = store->configPath_ = store->configFile_.path;
  store->lock_ = std::make_unique<WriteLock>(path.substr(0, path.find_last_of(platform::kSeparator) + 1));
  store->Load(*store->configFile_.db);
  return store;
}

ConfigurationStore::~ConfigurationStore() = default;

// A companion is read as spelt first: most are spelt as on disk, and listing the folder
// to find another spelling costs several system calls.
bool ConfigurationStore::ReadFile(FileState& file) {
  std::string bytes;
  if (!platform::ReadFileNoCase(file.path, bytes)) return false;
  file.bytes = bytes;
  file.db = std::make_shared<ResourceDb>(ResourceDb::Parse(std::move(bytes), file.path));
  return true;
}

const ResourceDb* ConfigurationStore::OpenCompanion(FileState& file, bool exists, const std::string& what) {
  if (exists && ReadFile(file)) return file.db.get();
  const bool missing = !exists || errno == ENOENT || errno == ENOTDIR;
  errors_.push_back((missing ? "Missing " : "Cannot read ") + what + " " + platform::ResolveNoCase(file.path));
  return nullptr;
}

// True when the chosen file is to be read; a media item that names it is trusted, and
// its read reports it missing.
bool ConfigurationStore::ChooseFilmFile(const std::string& folder, std::string_view media) {
  if (EqualsNoCase(media, "film") || EqualsNoCase(media, "plate")) {
    isPlate_ = EqualsNoCase(media, "plate");
    filmPath_ = folder + (isPlate_ ? files::kPlate : files::kFilm);
    return true;
  }
  if (!media.empty()) {
    warnings_.push_back(ItemText(configPath_, kMainTopic, kMediaItem) + " is neither film nor plate: " + Quoted(media));
  }
  // Which of the two exists decides: the folder, read as spelt already, is listed once.
  MediaFile film{folder, files::kFilm}, plate{folder, files::kPlate};
  if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      film.Consider(*entry);
      plate.Consider(*entry);
    }
    ::closedir(dir);
  }
  const bool filmIsFile = film.IsFile(), plateIsFile = plate.IsFile();
  isPlate_ = plateIsFile && !filmIsFile;
  if (filmIsFile && plateIsFile) {
    // A retyped dispatcher keeps the file of its former type; the newer one is current.
    isPlate_ = ModificationTime(plate.path) > ModificationTime(film.path);
    warnings_.push_back("Both " + film.path + " and " + plate.path + " exist; using the newer " +
                        (isPlate_ ? plate.path : film.path));
  }
  filmPath_ = isPlate_ ? plate.path : film.path;
  return isPlate_ ? plateIsFile : filmIsFile;
}

const ResourceDb* ConfigurationStore::OpenNamesFile(const std::string& folder) {
  namesFile_.path = folder + platform::NativePath(files::kNames);
  if (ReadFile(namesFile_)) return namesFile_.db.get();
  const int error = errno;
  // Dispatchers made by copying templates may hold the names next to zv_config.res.
  const auto [beside, found] = FindFile(folder + "zv_names.res");
  if (!found) {
    errno = error;
    return OpenCompanion(namesFile_, error != ENOENT && error != ENOTDIR, "names file");
  }
  warnings_.push_back("Missing " + platform::ResolveNoCase(namesFile_.path) + "; using " + beside);
  namesFile_.path = beside;
  return OpenCompanion(namesFile_, true, "names file");
}

void ConfigurationStore::Load(const ResourceDb& configDb) {
  const std::string folder = configPath_.substr(0, configPath_.find_last_of(platform::kSeparator) + 1);
  const bool hasFilm = ChooseFilmFile(folder, configDb.FindView(kMainTopic, kMediaItem).value_or(""));
  filmFile_.path = filmPath_;
  recorderFile_.path = folder + files::kRecorder;
  namesFile_.path = folder + platform::NativePath(files::kNames);

  const ResourceDb* film = OpenCompanion(filmFile_, hasFilm, isPlate_ ? "plate file" : "film file");
  const ResourceDb* recorderDb = OpenCompanion(recorderFile_, true, "recorder file");
  const ResourceDb* names = OpenNamesFile(folder);
  filmPath_ = filmFile_.path;
  recorderPath_ = recorderFile_.path;
  namesPath_ = namesFile_.path;
  Build(configDb, film, recorderDb, names);
}

void ConfigurationStore::Build(const ResourceDb& configDb, const ResourceDb* film, const ResourceDb* recorder,
                               const ResourceDb* names) {
  FilmIndex films;
  if (film != nullptr) LoadFilmFile(*film, films);
  if (recorder != nullptr) LoadRecorderFile(*recorder);
  if (names != nullptr) LoadNamesFile(*names);
  SetIndex sets;
  LoadConfigFile(configDb, films, sets);

  // References to media or sets that do not exist are repaired by the update job; they
  // are worth a warning, not an error.
  for (const auto& slot : confs_) {
    const ConfigRecord& conf = *slot.record;
    if (films.Find(conf.film) == nullptr) {
      warnings_.push_back("Configuration " + conf.name + " refers to media " + Quoted(conf.film) +
                          ", which does not exist");
    }
    if (sets.Find(conf.set) == nullptr) {
      warnings_.push_back("Configuration " + conf.name + " refers to resolution set " + Quoted(conf.set) +
                          ", which does not exist");
    }
  }
  if (confs_.empty()) warnings_.push_back(configPath_ + " holds no configuration");
  if (films_.empty() && film != nullptr) warnings_.push_back(filmPath_ + " holds no media");
  if (sets_.empty()) warnings_.push_back(configPath_ + " holds no resolution set");

  if (ConfigRecord* used = FindConf(base_.usedConf)) {
    base_.usedConf = used->name;
  } else if (!confs_.empty()) {
    warnings_.push_back(ItemText(configPath_, kMainTopic, kUsedItem) + " names no configuration (" +
                        Quoted(base_.usedConf) + "); using " + confs_.front().record->name);
    base_.usedConf = confs_.front().record->name;
  }
  ResolveUsed();
  current_ = FindConf(base_.usedConf);
  SetLists();
}

void ConfigurationStore::KeepSnapshots() const {
  if (opened_) return;
  // What the files held at opening: the records built again from the bytes then read,
  // with the same ids. Opening leaves this until a change is looked for or written.
  ConfigurationStore fresh;
  fresh.configPath_ = configPath_;
  fresh.filmPath_ = filmPath_;
  fresh.recorderPath_ = recorderPath_;
  fresh.namesPath_ = namesPath_;
  // Nothing has been written yet, so the databases kept from opening still hold those bytes.
  fresh.Build(*configFile_.db, filmFile_.db.get(), recorderFile_.db.get(), namesFile_.db.get());
  opened_ = fresh.TakeSnapshot();
  stored_ = opened_;
}

void ConfigurationStore::LoadFilmFile(const ResourceDb& db, FilmIndex& index) {
  ItemReader reader(db, errors_);
  const int count = db.TopicCount();
  films_.reserve(static_cast<size_t>(count));
  index.db = &db;
  index.byTopic.assign(static_cast<size_t>(count), nullptr);
  for (int i = 0; i < count; ++i) {
    const TopicRef topic{i, db.TopicNameAt(i)};
    // Only the first topic of a name makes a record: the one that lookups by name find.
    if (db.TopicIndex(topic.name) != i) {
      warnings_.push_back(filmPath_ + ": media " + Quoted(topic.name) + " appears twice; the first one counts");
      continue;
    }
    auto film = std::make_unique<FilmRecord>();
    film->name = topic.name;
    index.byTopic[static_cast<size_t>(i)] = film.get();
    const auto [vsize, hsize, polarity, sizeText, flag, curve] =
        reader.Values(topic, std::array<std::string_view, 6>{kVSizeItem, kHSizeItem, kPolarityItem, kSizeTextItem,
                                                              kFlagItem, kCurveItem});
    film->verticalSize = reader.Number(topic, kVSizeItem, vsize, 0, true);
    film->horizontalSize = reader.Number(topic, kHSizeItem, hsize, 0, true);
    film->polarity = reader.Integer(topic, kPolarityItem, polarity, 1);
    if (sizeText) {
      film->sizeText = *sizeText;
    } else {
      film->sizeText = DefaultSizeText(film->verticalSize, film->horizontalSize);
    }
    film->flag = reader.Integer(topic, kFlagItem, flag, 0);
    film->curve = curve.value_or("");
    films_.push_back({NextId(), std::move(film)});
  }
}

void ConfigurationStore::LoadRecorderFile(const ResourceDb& db) {
  ItemReader reader(db, errors_);
  const TopicRef topic = reader.Topic(kRecorderTopic);
  recorder_.maxWidth = reader.Number(topic, kMaxWidthItem, 0, true);
  recorder_.maxHeight = reader.Number(topic, kMaxHeightItem, 0, true);
  recorder_.pixelClock = reader.Number(topic, kPixelClockItem, 0, false);
  recorder_.perimeter = reader.Number(topic, kPerimeterItem, 0, false);
}

void ConfigurationStore::LoadNamesFile(const ResourceDb& db) {
  const int topic = db.TopicIndex(kNamesTopic).value_or(-1);
  const int count = db.ItemCountAt(topic);
  for (int i = 0; i < count; ++i) {
    auto name = std::make_unique<NameRecord>();
    // An item named twice reads as its first one.
    name->name = platform::Trim(db.FindViewAt(topic, db.ItemNameAt(topic, i)).value_or(""));
    if (name->name.empty()) continue;
    names_.push_back({NextId(), std::move(name)});
  }
}

// The "name" item of a configuration or set topic repeats the topic name (it is what the
// dispatcher list compares with the device type's template); the topic name counts.
void ConfigurationStore::CheckNameItem(std::string_view topicName, std::optional<std::string_view> name) {
  if (name && !EqualsNoCase(platform::Trim(*name), topicName)) {
    warnings_.push_back(ItemText(configPath_, topicName, kNameItem) + " is " + Quoted(*name) +
                        "; the topic name counts");
  }
}

void ConfigurationStore::LoadConfigFile(const ResourceDb& db, const FilmIndex& films, SetIndex& sets) {
  ItemReader reader(db, errors_);
  const TopicRef main = reader.Topic(kMainTopic);
  // Views into `db`, which outlives them.
  const std::vector<std::string_view> confNames =
      platform::SplitWords(reader.RequiredText(main, kConfsItem).value_or(""));
  const std::vector<std::string_view> setNames =
      platform::SplitWords(reader.RequiredText(main, kSetsItem).value_or(""));
  base_.usedConf = platform::Trim(reader.Text(main, kUsedItem).value_or(""));
  base_.origin = reader.Text(main, kOriginItem).value_or("");

  // A name listed again finds the same topic.
  std::vector<bool> seen(static_cast<size_t>(db.TopicCount()), false);
  sets.db = &db;
  sets.byTopic.assign(seen.size(), nullptr);
  auto listed = [&](const TopicRef& topic, const char* item) {
    if (topic.index < 0) {
      warnings_.push_back(ItemText(configPath_, kMainTopic, item) + " lists " + Quoted(topic.name) +
                          ", which has no topic; it is left out");
      return false;
    }
    if (seen[static_cast<size_t>(topic.index)]) {
      warnings_.push_back(ItemText(configPath_, kMainTopic, item) + " lists " + Quoted(topic.name) +
                          " twice, or as a configuration and a set; the first one counts");
      return false;
    }
    seen[static_cast<size_t>(topic.index)] = true;
    return true;
  };

  sets_.reserve(setNames.size());
  for (std::string_view name : setNames) {
    const TopicRef topic = reader.Topic(name);
    if (!listed(topic, kSetsItem)) continue;
    CheckNameItem(db.TopicNameAt(topic.index), db.FindViewAt(topic.index, kNameItem));
    auto set = std::make_unique<ResolutionSet>();
    set->name = name;
    const int count = db.ItemCountAt(topic.index);
    set->entries.reserve(static_cast<size_t>(count));
    // An item named twice reads as its first one. Items numbered res1, res2, ... upwards
    // without leading zeros cannot repeat a name before them, so they are read where
    // they stand; any other is looked up by name.
    int highest = 0;
    for (int i = 0; i < count; ++i) {
      const std::string_view item = db.ItemNameAt(topic.index, i);
      const std::optional<int> number = ResolutionItemNumber(item);
      if (!number) continue;
      const bool plain = item[3] != '0' && *number > highest;
      if (plain) highest = *number;
      const std::string_view text =
          plain ? db.ItemValueAt(topic.index, i) : db.FindViewAt(topic.index, item).value_or("");
      if (auto entry = reader.Entry(topic, item, text, set->name)) {
        set->entries.push_back(std::make_unique<ResolutionEntry>(std::move(*entry)));
      }
    }
    if (set->entries.empty()) warnings_.push_back(configPath_ + ": resolution set " + Quoted(name) + " is empty");
    sets.byTopic[static_cast<size_t>(topic.index)] = set.get();
    sets_.push_back({NextId(), std::move(set)});
  }

  confs_.reserve(confNames.size());
  for (std::string_view name : confNames) {
    const TopicRef topic = reader.Topic(name);
    if (!listed(topic, kConfsItem)) continue;
    const auto [nameItem, film, set, output, vsize, hsize, polarity, curve] =
        reader.Values(topic, std::array<std::string_view, 8>{kNameItem, kFilmItem, kSetItem, kOutputItem, kVSizeItem,
                                                              kHSizeItem, kPolarityItem, kCurveItem});
    CheckNameItem(db.TopicNameAt(topic.index), nameItem);
    auto conf = std::make_unique<ConfigRecord>();
    conf->name = name;
    conf->film = film.value_or("");
    conf->set = set.value_or("");
    conf->output = output.value_or("");
    // Values the topic leaves out are those of its media.
    ConfigRecord media;
    if (const FilmRecord* withFilm = films.Find(conf->film)) media.TakeMediaValues(*withFilm);
    conf->verticalSize = reader.Number(topic, kVSizeItem, vsize, media.verticalSize, false);
    conf->horizontalSize = reader.Number(topic, kHSizeItem, hsize, media.horizontalSize, false);
    conf->polarity = reader.Integer(topic, kPolarityItem, polarity, media.polarity);
    conf->curve = curve ? std::string(*curve) : media.curve;
    confs_.push_back({NextId(), std::move(conf)});
  }
}

// --- Lists and lookups ---

void ConfigurationStore::ResolveUsed() {
  for (const auto& slot : confs_) {
    if (EqualsNoCase(slot.record->name, base_.usedConf)) {
      base_.usedConf = slot.record->name;
      usedId_ = slot.id;
      return;
    }
  }
  // Renamed since it was chosen: follow the record.
  for (const auto& slot : confs_) {
    if (slot.id == usedId_) {
      base_.usedConf = slot.record->name;
      return;
    }
  }
  if (!confs_.empty()) {
    if (!base_.usedConf.empty()) {
      warnings_.push_back("The configuration in use " + Quoted(base_.usedConf) + " does not exist; using " +
                          confs_.front().record->name);
    }
    base_.usedConf = confs_.front().record->name;
    usedId_ = confs_.front().id;
  }
}

void ConfigurationStore::SetLists() {
  ResolveUsed();
  const auto joined = [](const auto& slots, char separator, std::string& names) {
    names.clear();
    for (const auto& slot : slots) {
      if (&slot != &slots.front()) names += separator;
      names += slot.record->name;
    }
    return static_cast<int>(slots.size());
  };
  base_.nrConfs = joined(confs_, ' ', base_.confNames);
  base_.nrFilms = joined(films_, ',', base_.filmNames);
  base_.nrSets = joined(sets_, ',', base_.setNames);
}

std::vector<ConfigRecord*> ConfigurationStore::Confs() const {
  std::vector<ConfigRecord*> records;
  for (const auto& slot : confs_) records.push_back(slot.record.get());
  return records;
}

std::vector<FilmRecord*> ConfigurationStore::Films() const {
  std::vector<FilmRecord*> records;
  for (const auto& slot : films_) records.push_back(slot.record.get());
  return records;
}

std::vector<ResolutionSet*> ConfigurationStore::Sets() const {
  std::vector<ResolutionSet*> records;
  for (const auto& slot : sets_) records.push_back(slot.record.get());
  return records;
}

std::vector<NameRecord*> ConfigurationStore::Names() const {
  std::vector<NameRecord*> records;
  for (const auto& slot : names_) records.push_back(slot.record.get());
  return records;
}

namespace {
template <class Slots>
auto FindSlot(const Slots& slots, std::string_view name) -> decltype(slots.front().record.get()) {
  for (const auto& slot : slots) {
    if (EqualsNoCase(slot.record->name, name)) return slot.record.get();
  }
  return nullptr;
}
}  // namespace

ConfigRecord* ConfigurationStore::FindConf(std::string_view name) const { return FindSlot(confs_, name); }
FilmRecord* ConfigurationStore::FindFilm(std::string_view name) const { return FindSlot(films_, name); }
ResolutionSet* ConfigurationStore::FindSet(std::string_view name) const { return FindSlot(sets_, name); }
NameRecord* ConfigurationStore::FindName(std::string_view name) const { return FindSlot(names_, name); }

ConfigRecord* ConfigurationStore::GetResInfo(std::string_view name) {
  ConfigRecord* conf = FindConf(name);
  if (conf != nullptr) current_ = conf;
  return conf;
}

FilmRecord* ConfigurationStore::CurrentFilm() const { return current_ != nullptr ? FindFilm(current_->film) : nullptr; }

bool ConfigurationStore::SetUsedConf(std::string_view name) {
  for (const auto& slot : confs_) {
    if (EqualsNoCase(slot.record->name, name)) {
      base_.usedConf = slot.record->name;
      usedId_ = slot.id;
      return true;
    }
  }
  return Refuse("Configuration " + Quoted(name) + " does not exist");
}

// --- New records ---

ResolutionEntry ConfigurationStore::TemplateEntry() const {
  if (sets_.empty() || sets_.front().record->entries.empty()) return ResolutionEntry{};
  return *sets_.front().record->entries.front();
}

ConfigRecord* ConfigurationStore::NewConf() {
  auto conf =
      confs_.empty() ? std::make_unique<ConfigRecord>() : std::make_unique<ConfigRecord>(*confs_.front().record);
  conf->name.clear();
  confs_.push_back({NextId(), std::move(conf)});
  return confs_.back().record.get();
}

FilmRecord* ConfigurationStore::AddFilm() {
  films_.push_back({NextId(), std::make_unique<FilmRecord>()});
  return films_.back().record.get();
}

ResolutionSet* ConfigurationStore::NewSet(int entries) {
  ResolutionEntry model = TemplateEntry();
  model.set.clear();
  auto set = std::make_unique<ResolutionSet>();
  for (int i = 0; i < entries; ++i) set->entries.push_back(std::make_unique<ResolutionEntry>(model));
  sets_.push_back({NextId(), std::move(set)});
  return sets_.back().record.get();
}

ResolutionEntry* ConfigurationStore::AddResolution(std::string_view setName) {
  ResolutionSet* set = FindSet(setName);
  if (set == nullptr) return nullptr;
  ResolutionEntry model = TemplateEntry();
  model.set = set->name;
  set->entries.push_back(std::make_unique<ResolutionEntry>(model));
  return set->entries.back().get();
}

bool ConfigurationStore::ExistResolution(std::string_view setName, double dpi) const {
  ResolutionSet* set = FindSet(setName);
  return set != nullptr && set->Find(dpi) != nullptr;
}

bool ConfigurationStore::UseGamma(std::string_view setName, double dpi, bool use) {
  ResolutionSet* set = FindSet(setName);
  ResolutionEntry* entry = set != nullptr ? set->Find(dpi) : nullptr;
  if (entry == nullptr) return false;
  entry->useGamma = use;
  return true;
}

// --- Deletions ---

bool ConfigurationStore::Refuse(std::string reason) {
  errors_.clear();
  errors_.push_back(std::move(reason));
  return false;
}

bool ConfigurationStore::DeleteConf(std::string_view name) {
  auto it = std::find_if(confs_.begin(), confs_.end(),
                         [&](const auto& slot) { return EqualsNoCase(slot.record->name, name); });
  if (it == confs_.end()) return Refuse("Configuration " + Quoted(name) + " does not exist");
  if (confs_.size() == 1) return Refuse("Configuration " + it->record->name + " is the last configuration");
  if (EqualsNoCase(it->record->name, base_.usedConf) || it->id == usedId_) {
    return Refuse("Configuration " + it->record->name + " is the configuration in use");
  }
  if (current_ == it->record.get()) current_ = nullptr;
  confs_.erase(it);
  errors_.clear();
  return true;
}

bool ConfigurationStore::DeleteFilm(std::string_view name) {
  auto it = std::find_if(films_.begin(), films_.end(),
                         [&](const auto& slot) { return EqualsNoCase(slot.record->name, name); });
  if (it == films_.end()) return Refuse("Media " + Quoted(name) + " does not exist");
  if (films_.size() == 1) return Refuse("Media " + it->record->name + " is the last media");
  for (const auto& slot : confs_) {
    if (EqualsNoCase(slot.record->film, it->record->name)) {
      return Refuse("Media " + it->record->name + " is used by configuration " + slot.record->name);
    }
  }
  films_.erase(it);
  errors_.clear();
  return true;
}

bool ConfigurationStore::DeleteSet(std::string_view name) {
  auto it =
      std::find_if(sets_.begin(), sets_.end(), [&](const auto& slot) { return EqualsNoCase(slot.record->name, name); });
  if (it == sets_.end()) return Refuse("Resolution set " + Quoted(name) + " does not exist");
  if (sets_.size() == 1) return Refuse("Resolution set " + it->record->name + " is the last resolution set");
  for (const auto& slot : confs_) {
    if (EqualsNoCase(slot.record->set, it->record->name)) {
      return Refuse("Resolution set " + it->record->name + " is used by configuration " + slot.record->name);
    }
  }
  sets_.erase(it);
  errors_.clear();
  return true;
}

bool ConfigurationStore::DeleteResolution(std::string_view setName, double dpi) {
  ResolutionSet* set = FindSet(setName);
  if (set == nullptr) return Refuse("Resolution set " + Quoted(setName) + " does not exist");
  auto it = std::find_if(set->entries.begin(), set->entries.end(),
                         [&](const auto& entry) { return SameResolution(entry->dpi, dpi); });
  if (it == set->entries.end()) {
    return Refuse("Resolution set " + set->name + " holds no resolution of " + FormatNumber(dpi) + " dpi");
  }
  if (set->entries.size() == 1) {
    return Refuse("Resolution " + FormatNumber(dpi) + " dpi is the last resolution of set " + set->name);
  }
  set->entries.erase(it);
  errors_.clear();
  return true;
}

// --- Changes and writing ---

namespace {

// Whether the set holds what the snapshot's value holds. An entry belongs to the set that
// holds it, whatever its own `set` says.
template <class Value>
bool Holds(const ResolutionSet& set, const Value& value) {
  if (set.name != value.name || set.entries.size() != value.entries.size()) return false;
  for (size_t i = 0; i < value.entries.size(); ++i) {
    const ResolutionEntry& a = *set.entries[i];
    const ResolutionEntry& b = value.entries[i];
    if (a.dpi != b.dpi || a.enabled != b.enabled || a.gamma != b.gamma || a.useGamma != b.useGamma ||
        a.calibration != b.calibration) {
      return false;
    }
  }
  return true;
}

}  // namespace

ConfigurationStore::Snapshot ConfigurationStore::TakeSnapshot(const Snapshot* reuse) const {
  Snapshot snapshot;
  snapshot.confs.reserve(confs_.size());
  snapshot.films.reserve(films_.size());
  snapshot.sets.reserve(sets_.size());
  for (const auto& slot : confs_) snapshot.confs.emplace_back(slot.id, *slot.record);
  for (const auto& slot : films_) snapshot.films.emplace_back(slot.id, *slot.record);
  for (size_t i = 0; i < sets_.size(); ++i) {
    const auto& slot = sets_[i];
    std::shared_ptr<const SetValue> shared;
    if (reuse != nullptr) {
      const auto* old = SlotById(reuse->sets, slot.id, i);
      if (old != nullptr && Holds(*slot.record, *old->second)) shared = old->second;
    }
    if (shared == nullptr) {
      auto value = std::make_shared<SetValue>();
      value->name = slot.record->name;
      value->entries.reserve(slot.record->entries.size());
      for (const auto& entry : slot.record->entries) {
        value->entries.push_back(*entry);
        value->entries.back().set = slot.record->name;  // an entry belongs to the set that holds it
      }
      shared = std::move(value);
    }
    snapshot.sets.emplace_back(slot.id, std::move(shared));
  }
  for (const auto& slot : names_) snapshot.names.emplace_back(slot.id, *slot.record);
  snapshot.recorder = recorder_;
  snapshot.used = base_.usedConf;
  snapshot.origin = base_.origin;
  return snapshot;
}

ConfigurationStore::Changes ConfigurationStore::Changed() const {
  KeepSnapshots();
  Snapshot now = TakeSnapshot(&*opened_);
  Changes changes;
  changes.confs = !SameRecords(now.confs, opened_->confs, false) || now.used != opened_->used ||
                  now.origin != opened_->origin;
  changes.films = !SameRecords(now.films, opened_->films, false) || now.recorder != opened_->recorder;
  changes.sets = !SameRecords(now.sets, opened_->sets, false);
  changes.names = !SameRecords(now.names, opened_->names, false);
  return changes;
}

bool ConfigurationStore::GainWriteLock(int waitSeconds) {
  std::string reason;
  if (lock_->Acquire(waitSeconds, &reason)) return true;
  return Refuse(reason);
}

void ConfigurationStore::ReleaseWriteLock() { lock_->Release(); }

bool ConfigurationStore::Validate(const ResourceDb* configDb) {
  std::vector<std::string> problems;
  // Names must be unique, ignoring case, among all topics of their file. What holds a
  // name is described only when two meet.
  struct Holder {
    const char* kind;  // nullptr: a topic of the file that is no record of ours
    std::string name;
  };
  using Taken = std::unordered_map<std::string, Holder>;
  const auto describe = [](const Holder& holder) {
    return holder.kind == nullptr ? "the topic " + Quoted(holder.name)
                                  : "the " + std::string(holder.kind) + " " + Quoted(holder.name);
  };
  auto unique = [&](Taken& taken, const std::string& name, const char* kind, const std::string& file) {
    auto [it, inserted] = taken.try_emplace(platform::ToLowerAscii(name), Holder{kind, name});
    if (!inserted) problems.push_back(describe({kind, name}) + " and " + describe(it->second) + " have the same name in " + file);
  };
  auto named = [&](const std::string& name, const std::string& kind, bool listed) {
    const std::string_view trimmed = platform::Trim(name);
    if (trimmed.empty()) {
      problems.push_back("A " + kind + " without a name cannot be stored");
      return false;
    }
    if (trimmed.size() != name.size() || name.find_first_of("\r\n") != std::string::npos) {
      problems.push_back("The " + kind + " name " + Quoted(name) +
                         " begins or ends with a blank or holds a line break");
      return false;
    }
    if (listed && std::any_of(name.begin(), name.end(), [](char c) { return IsBlank(c); })) {
      problems.push_back("The " + kind + " name " + Quoted(name) + " holds a blank");
      return false;
    }
    return true;
  };

  if (configDb != nullptr) {
    Taken taken;
    taken.reserve(static_cast<size_t>(configDb->TopicCount()) + sets_.size() + confs_.size());
    std::unordered_set<std::string> owned;
    for (const auto& [id, conf] : stored_->confs) owned.insert(platform::ToLowerAscii(conf.name));
    for (const auto& [id, set] : stored_->sets) owned.insert(platform::ToLowerAscii(set->name));
    for (int i = 0; i < configDb->TopicCount(); ++i) {
      std::string topic = *configDb->TopicAt(i);
      std::string key = platform::ToLowerAscii(topic);
      if (!owned.count(key)) taken.try_emplace(std::move(key), Holder{nullptr, std::move(topic)});
    }
    for (const auto& slot : sets_) {
      if (named(slot.record->name, "resolution set", true))
        unique(taken, slot.record->name, "resolution set", configPath_);
    }
    for (const auto& slot : confs_) {
      if (named(slot.record->name, "configuration", true))
        unique(taken, slot.record->name, "configuration", configPath_);
    }
  }
  Taken films;
  films.reserve(films_.size());
  for (const auto& slot : films_) {
    if (named(slot.record->name, "media", false)) unique(films, slot.record->name, "media", filmPath_);
  }
  Taken names;
  for (const auto& slot : names_) {
    if (named(slot.record->name, "name record", false)) unique(names, slot.record->name, "name record", namesPath_);
  }
  if (problems.empty()) return true;
  errors_ = std::move(problems);
  return false;
}

void ConfigurationStore::ApplyConfigFile(ResourceDb& db, const Snapshot& now) {
  std::vector<std::pair<std::string, std::string>> renames;
  ApplyTopicMembership(db, stored_->confs, now.confs, renames);
  ApplyTopicMembership(db, stored_->sets, now.sets, renames);
  FinishRenames(db, renames);

  for (size_t i = 0; i < now.confs.size(); ++i) {
    const ConfigRecord& conf = now.confs[i].second;
    const ConfigRecord* old = StoredById(stored_->confs, now.confs[i].first, i);
    if (old != nullptr && *old == conf) continue;
    if (old == nullptr) db.AddTopicSpacedLikeFile(conf.name);
    PutText(db, conf.name, kNameItem, conf.name, old ? &old->name : nullptr);
    PutText(db, conf.name, kFilmItem, conf.film, old ? &old->film : nullptr);
    PutText(db, conf.name, kSetItem, conf.set, old ? &old->set : nullptr);
    PutText(db, conf.name, kOutputItem, conf.output, old ? &old->output : nullptr);
    PutNumber(db, conf.name, kVSizeItem, conf.verticalSize, old ? &old->verticalSize : nullptr);
    PutNumber(db, conf.name, kHSizeItem, conf.horizontalSize, old ? &old->horizontalSize : nullptr);
    PutInt(db, conf.name, kPolarityItem, conf.polarity, old ? &old->polarity : nullptr);
    PutText(db, conf.name, kCurveItem, conf.curve, old ? &old->curve : nullptr);
  }

  for (size_t i = 0; i < now.sets.size(); ++i) {
    const SetValue& set = *now.sets[i].second;
    const SetValue* old = StoredById(stored_->sets, now.sets[i].first, i);
    if (old == &set) continue;  // shared: unchanged
    if (old == nullptr) db.AddTopicSpacedLikeFile(set.name);
    PutText(db, set.name, kNameItem, set.name, old ? &old->name : nullptr);
    if (old != nullptr && old->entries == set.entries) continue;
    WriteEntries(db, set.name, set.entries);
    std::vector<std::string> surplus;
    for (int at = 0; at < db.ItemCount(set.name); ++at) {
      std::string item = *db.ItemAt(set.name, at);
      auto number = ResolutionItemNumber(item);
      if (number && (*number < 1 || static_cast<size_t>(*number) > set.entries.size() ||
                     item != ResolutionItem(static_cast<size_t>(*number) - 1))) {
        surplus.push_back(item);
      }
    }
    for (const std::string& item : surplus) db.RemoveItem(set.name, item);
  }

  if (!SameNames(now.confs, stored_->confs)) db.Set(kMainTopic, kConfsItem, Join(NamesOf(now.confs), " "));
  if (!SameNames(now.sets, stored_->sets)) db.Set(kMainTopic, kSetsItem, Join(NamesOf(now.sets), " "));
  PutText(db, kMainTopic, kUsedItem, now.used, &stored_->used);
  PutText(db, kMainTopic, kOriginItem, now.origin, &stored_->origin);
}

void ConfigurationStore::ApplyFilmFile(ResourceDb& db, const Snapshot& now) {
  std::vector<std::pair<std::string, std::string>> renames;
  ApplyTopicMembership(db, stored_->films, now.films, renames);
  FinishRenames(db, renames);
  for (size_t i = 0; i < now.films.size(); ++i) {
    const FilmRecord& film = now.films[i].second;
    const FilmRecord* old = StoredById(stored_->films, now.films[i].first, i);
    if (old != nullptr && *old == film) continue;
    if (old == nullptr) db.AddTopicSpacedLikeFile(film.name);
    PutNumber(db, film.name, kVSizeItem, film.verticalSize, old ? &old->verticalSize : nullptr);
    PutNumber(db, film.name, kHSizeItem, film.horizontalSize, old ? &old->horizontalSize : nullptr);
    PutInt(db, film.name, kPolarityItem, film.polarity, old ? &old->polarity : nullptr);
    PutText(db, film.name, kSizeTextItem, film.sizeText, old ? &old->sizeText : nullptr);
    PutInt(db, film.name, kFlagItem, film.flag, old ? &old->flag : nullptr);
    PutText(db, film.name, kCurveItem, film.curve, old ? &old->curve : nullptr);
  }
}

void ConfigurationStore::ApplyRecorderFile(ResourceDb& db, const Snapshot& now) {
  const RecorderRecord& old = stored_->recorder;
  PutNumber(db, kRecorderTopic, kMaxWidthItem, now.recorder.maxWidth, &old.maxWidth);
  PutNumber(db, kRecorderTopic, kMaxHeightItem, now.recorder.maxHeight, &old.maxHeight);
  PutNumber(db, kRecorderTopic, kPixelClockItem, now.recorder.pixelClock, &old.pixelClock);
  PutNumber(db, kRecorderTopic, kPerimeterItem, now.recorder.perimeter, &old.perimeter);
}

void ConfigurationStore::ApplyNamesFile(ResourceDb& db, const Snapshot& now) {
  // Items name1, name2, ... in order; the item names carry no meaning of their own.
  std::vector<std::string> names = NamesOf(now.names);
  for (size_t i = 0; i < names.size(); ++i) db.Set(kNamesTopic, kNamePrefix + std::to_string(i + 1), names[i]);
  std::vector<std::string> surplus;
  for (int i = static_cast<int>(names.size()); i < db.ItemCount(kNamesTopic); ++i)
    surplus.push_back(*db.ItemAt(kNamesTopic, i));
  for (const std::string& item : surplus) db.RemoveItem(kNamesTopic, item);
}

bool ConfigurationStore::Write() {
  errors_.clear();
  if (!HasWriteLock()) return Refuse("The configuration " + configPath_ + " is not locked for writing");
  KeepSnapshots();
  ResolveUsed();
  Snapshot now = TakeSnapshot(&*stored_);

  struct Pending {
    FileState* file;
    std::shared_ptr<ResourceDb> db;
    int part;  // which part of the snapshot the file stores
  };
  enum { kRecorderPart, kFilmPart, kNamesPart, kConfigPart };
  std::vector<Pending> pending;
  if (now.recorder != stored_->recorder) pending.push_back({&recorderFile_, nullptr, kRecorderPart});
  if (!SameRecords(now.films, stored_->films)) pending.push_back({&filmFile_, nullptr, kFilmPart});
  if (!SameRecords(now.names, stored_->names)) pending.push_back({&namesFile_, nullptr, kNamesPart});
  if (!SameRecords(now.confs, stored_->confs) || !SameRecords(now.sets, stored_->sets) || now.used != stored_->used ||
      now.origin != stored_->origin) {
    pending.push_back({&configFile_, nullptr, kConfigPart});
  }
  if (pending.empty()) return true;

  for (Pending& p : pending) {
    if (!p.file->bytes) {
      return Refuse(p.file->path + " could not be read when the configuration was opened; its changes are not stored");
    }
    // The kept database is changed below: it goes back to the file only once the file
    // holds what it says, and is parsed afresh from the bytes next time otherwise.
    p.db = std::move(p.file->db);
    if (p.db == nullptr) p.db = std::make_shared<ResourceDb>(ResourceDb::Parse(*p.file->bytes, p.file->path));
  }
  const ResourceDb* configDb = nullptr;
  for (const Pending& p : pending) {
    if (p.part == kConfigPart) configDb = &*p.db;
  }
  // Names already stored were checked when they were written, against the same topics.
  const bool namesAsStored = storedNamesChecked_ && SameNames(now.confs, stored_->confs) &&
                             SameNames(now.sets, stored_->sets) && SameNames(now.films, stored_->films) &&
                             SameNames(now.names, stored_->names);
  if (!namesAsStored && !Validate(configDb)) return false;

  for (Pending& p : pending) {
    switch (p.part) {
      case kRecorderPart:
        ApplyRecorderFile(*p.db, now);
        break;
      case kFilmPart:
        ApplyFilmFile(*p.db, now);
        break;
      case kNamesPart:
        ApplyNamesFile(*p.db, now);
        break;
      default:
        ApplyConfigFile(*p.db, now);
        break;
    }
  }

  // Someone who ignored the lock may have replaced a file since we read it: storing our
  // copy would lose that change, so nothing is written.
  for (const Pending& p : pending) {
    std::string disk;
    bool readable = platform::ReadWholeFile(p.file->path, disk);
    if (!readable || disk != *p.file->bytes) {
      return Refuse(p.file->path + " was changed by another program since it was read; nothing was written");
    }
  }

  for (Pending& p : pending) {
    // Serialised once, and written as such: ResourceDb::Flush would serialise again.
    std::string bytes = p.db->Serialize();
    if (bytes != *p.file->bytes) {
      std::string reason;
      if (!platform::WriteFileAtomically(p.file->path, bytes, &reason)) {
        return Refuse("Cannot replace " + p.file->path + ": " + reason);
      }
      p.file->bytes = std::move(bytes);
    }
    p.file->db = std::move(p.db);
    // `now` is not needed afterwards: its parts move into what the files hold.
    switch (p.part) {
      case kRecorderPart:
        stored_->recorder = now.recorder;
        break;
      case kFilmPart:
        stored_->films = std::move(now.films);
        break;
      case kNamesPart:
        stored_->names = std::move(now.names);
        break;
      default:
        stored_->confs = std::move(now.confs);
        stored_->sets = std::move(now.sets);
        stored_->used = std::move(now.used);
        stored_->origin = std::move(now.origin);
        break;
    }
  }
  storedNamesChecked_ = true;
  return true;
}

}  // namespace rvc::ripconfig
