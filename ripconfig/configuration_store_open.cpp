// Opening of a ConfigurationStore: which files are read, how they are checked, and the
// records built from them on first use.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/deferred_close.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "ripconfig/configuration_items.h"
#include "ripconfig/configuration_store.h"
#include "store/resource_db.h"

namespace rvc::ripconfig {

using namespace items;
using platform::EqualsNoCase;
using store::ResourceDb;

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// One of the media files, looked for in a listing of its folder: the exact spelling, or
// else the first entry equal to it ignoring case.
struct MediaFile {
  MediaFile(const std::string& in, const char* wanted) : folder(in), name(wanted), path(in + wanted) {}
  void Consider(std::string_view entry, unsigned char entryType) {
    if (exact || !EqualsNoCase(entry, name)) return;
    if (!found || entry == name) path = folder + std::string(entry);
    exact = entry == name;
    found = true;
    type = entryType;
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

// The items a media or configuration topic is checked for at opening, and read for when
// its record is built; their lengths are known at compile time.
constexpr std::array<std::string_view, 4> kMediaChecked{kVSizeItem, kHSizeItem, kPolarityItem, kFlagItem};
constexpr std::array<std::string_view, 6> kMediaRead{kVSizeItem,    kHSizeItem, kPolarityItem,
                                                     kSizeTextItem, kFlagItem,  kCurveItem};
constexpr std::array<std::string_view, 6> kConfChecked{kNameItem,  kFilmItem,  kSetItem,
                                                       kVSizeItem, kHSizeItem, kPolarityItem};
constexpr std::array<std::string_view, 7> kConfRead{kFilmItem,  kSetItem,      kOutputItem, kVSizeItem,
                                                    kHSizeItem, kPolarityItem, kCurveItem};

// A topic found once and then read by its position; `index` is -1 when the file lacks it.
struct TopicRef {
  int index;
  std::string_view name;
};

// Reads items of one file, reporting what is missing or does not read as a number to
// `errors` (nowhere when that is null).
class ItemReader {
 public:
  ItemReader(const ResourceScan& db, std::vector<std::string>* errors) : db_(db), errors_(errors) {}

  TopicRef Topic(std::string_view name) const { return {db_.TopicIndex(name).value_or(-1), name}; }

  // Views into the database, valid while it lives unchanged.
  std::optional<std::string_view> Text(const TopicRef& topic, std::string_view item) const {
    return db_.FindViewAt(topic.index, item);
  }

  std::optional<std::string_view> RequiredText(const TopicRef& topic, std::string_view item) const {
    auto value = Text(topic, item);
    if (!value) Report(topic, item, " is missing");
    return value;
  }

  // The values of `items` in the topic, taken in one pass over its items; an item named
  // twice reads as its first one, as a lookup by name finds it.
  template <size_t N>
  std::array<std::optional<std::string_view>, N> Values(const TopicRef& topic,
                                                         const std::array<std::string_view, N>& items) const {
    std::array<std::optional<std::string_view>, N> values;
    size_t missing = N;
    for (const ResourceScan::Item& item : db_.ItemsAt(topic.index)) {
      if (missing == 0) break;
      const std::string_view name = item.name;
      if (name.empty()) continue;
      const char first = static_cast<char>(name[0] | 0x20);
      for (size_t k = 0; k < N; ++k) {
        // The size and the first letter tell most names apart before they are compared.
        if (!values[k] && name.size() == items[k].size() && first == (items[k][0] | 0x20) && EqualsNoCase(name, items[k])) {
          values[k] = item.value;
          --missing;
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
      if (required) Report(topic, item, " is missing");
      return fallback;
    }
    auto value = ParseDouble(*text);
    if (!value) {
      Report(topic, item, " is not a number: " + Quoted(*text));
      return fallback;
    }
    return *value;
  }

  int Integer(const TopicRef& topic, std::string_view item, std::optional<std::string_view> text, int fallback) const {
    if (!text) return fallback;
    auto value = ParseInt(*text);
    if (!value) {
      Report(topic, item, " is not a whole number: " + Quoted(*text));
      return fallback;
    }
    return *value;
  }

  std::optional<ResolutionEntry> Entry(const TopicRef& topic, std::string_view item, std::string_view text) const {
    auto entry = ParseEntry(text);
    if (!entry) NotAnEntry(topic, item, text);
    return entry;
  }

  // The same checks without the values: what is reported, and whether an entry reads.
  // Plain digits, nearly every value, are settled where the check is asked for.
  [[gnu::always_inline]] void CheckNumber(const TopicRef& topic, std::string_view item,
                                          const std::optional<std::string_view>& text, bool required) const {
    if (!text || !IsPlainDigits(*text)) CheckOtherNumber(topic, item, text, required);
  }
  [[gnu::always_inline]] void CheckInteger(const TopicRef& topic, std::string_view item,
                                           const std::optional<std::string_view>& text) const {
    if (text && !IsPlainDigits(*text) && !IsInt(*text)) Report(topic, item, " is not a whole number: " + Quoted(*text));
  }
  bool CheckEntry(const TopicRef& topic, std::string_view item, std::string_view text) const {
    if (IsEntry(text)) return true;
    NotAnEntry(topic, item, text);
    return false;
  }

 private:
  void CheckOtherNumber(const TopicRef& topic, std::string_view item, const std::optional<std::string_view>& text,
                        bool required) const {
    if (!text) {
      if (required) Report(topic, item, " is missing");
    } else if (!IsDouble(*text)) {
      Report(topic, item, " is not a number: " + Quoted(*text));
    }
  }
  // Problems are rare: kept out of the checks, which read thousands of values.
  [[gnu::cold]] void NotAnEntry(const TopicRef& topic, std::string_view item, std::string_view text) const {
    Report(topic, item, " is not a resolution (dpi, enabled, gamma, gamma used, 4 calibration values): " + Quoted(text));
  }
  [[gnu::cold]] void Report(const TopicRef& topic, std::string_view item, const std::string& problem) const {
    if (errors_ != nullptr) errors_->push_back(ItemText(db_.Path(), topic.name, item) + problem);
  }

  const ResourceScan& db_;
  std::vector<std::string>* errors_;
};

}  // namespace

namespace {

// The topics of one file by name, ignoring case: the first topic of a name, as the
// resource database's lookups find it. Reading a whole file looks up nearly every topic
// once; this table hashes each name once, a word at a time.
class TopicTable {
 public:
  explicit TopicTable(const ResourceScan& db) : db_(db) {
    const size_t count = static_cast<size_t>(db.TopicCount());
    first_.assign(count, 1);
    int bits = 4;
    while ((size_t{1} << bits) < count * 2) ++bits;
    shift_ = 32 - bits;
    slots_.assign(size_t{1} << bits, Slot{});
    for (size_t i = 0; i < count; ++i) {
      const std::string_view name = db.TopicNameAt(static_cast<int>(i));
      const uint32_t hash = Hash(name);
      Slot& slot = slots_[Probe(name, hash)];
      if (slot.topic == 0) {
        slot = {static_cast<uint32_t>(i + 1), hash};
      } else {
        first_[i] = 0;
      }
    }
  }

  // The first topic of that name, or -1.
  int Find(std::string_view name) const {
    return static_cast<int>(slots_[Probe(name, Hash(name))].topic) - 1;
  }
  // Whether topic `i` is the first of its name: the one that makes a record.
  bool IsFirst(int i) const { return first_[static_cast<size_t>(i)] != 0; }

 private:
  struct Slot {
    uint32_t topic = 0;  // position + 1; 0: empty
    uint32_t hash = 0;
  };

  // The slot holding `name`, or the empty one where it would go.
  size_t Probe(std::string_view name, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash >> shift_;; at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (slot.topic == 0 || (slot.hash == hash && EqualsNoCase(db_.TopicNameAt(static_cast<int>(slot.topic - 1)), name))) {
        return at;
      }
    }
  }

  // Upper and lower case letters differ only in the bit 0x20: with it set in every byte,
  // names equal ignoring case hash alike (so do a few others, which the compare tells apart).
  static uint32_t Hash(std::string_view name) {
    constexpr uint64_t kFold = 0x2020202020202020ull, kMultiplier = 0x9E3779B97F4A7C15ull;
    const char* data = name.data();
    const size_t size = name.size();
    uint64_t h = size * kMultiplier;
    const auto mix = [&h](uint64_t word) {
      h = (h ^ (word | kFold)) * kMultiplier;
      h ^= h >> 29;
    };
    uint64_t word = 0;
    if (size >= 8) {
      for (size_t i = 0; i + 8 < size; i += 8) {
        std::memcpy(&word, data + i, 8);
        mix(word);
      }
      // The last eight bytes, overlapping the word before unless the size is a multiple of 8.
      std::memcpy(&word, data + size - 8, 8);
    } else {
      for (size_t i = 0; i < size; ++i) word |= static_cast<uint64_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    }
    mix(word);
    // The top bits of a product depend on every bit below them: they choose the slot.
    return static_cast<uint32_t>(((h ^ (h >> 32)) * kMultiplier) >> 32);
  }

  const ResourceScan& db_;  // outlives the table
  std::vector<uint8_t> first_;
  std::vector<Slot> slots_;
  int shift_ = 0;  // a hash shifted right by this is a slot
};

// Records by the position of their topic in the file they come from: the first topic of
// a name makes the record (a later topic of the same name makes none).
template <class R>
struct TopicRecords {
  std::optional<TopicTable> topics;
  std::vector<R*> byTopic;

  R* Find(std::string_view name) const {
    const int topic = topics ? topics->Find(name) : -1;
    return topic >= 0 ? byTopic[static_cast<size_t>(topic)] : nullptr;
  }
};

}  // namespace

struct ConfigurationStore::FilmIndex : TopicRecords<FilmRecord> {};

// Checking reports every problem and lists the names; building makes the records and
// reports nothing. Both take the same records, so the lists agree position by position.
struct ConfigurationStore::Pass {
  explicit Pass(bool building) : build(building) {}
  bool Reports() const { return !build; }

  const bool build;
  FilmIndex films;  // the media by topic (records only when building)
  std::optional<TopicTable> configTopics;
  Listing listing;  // checking
  // Checking: the references of the configurations, and which topics of the
  // configuration file were taken as a set or a configuration.
  struct References {
    std::string_view name, film, set;
  };
  std::vector<References> references;
  enum : uint8_t { kFree, kSet, kConf };
  std::vector<uint8_t> topicKinds;
};

std::unique_ptr<ConfigurationStore> ConfigurationStore::Open(const std::string& configPath, std::string* reason) {
  // Read as spelt first: resolving the case costs a folder listing per component.
  std::unique_ptr<ConfigurationStore> store(new ConfigurationStore());
  store->configFile_.path = platform::NativePath(configPath);
  store->configPath_ = store->configFile_.path;
  store->OpenFolder();
  if (!store->ReadFile(store->configFile_)) {
    if (reason != nullptr) *reason = "Cannot read " + platform::ResolveNoCase(store->configFile_.path);
    return nullptr;
  }
  if (store->configFile_.path != store->configPath_) {
    // Found in another spelling, maybe of its folder.
    store->configPath_ = store->configFile_.path;
    store->OpenFolder();
  }
  store->lock_ = std::make_unique<WriteLock>(store->folderPath_, store->folder_.get());
  store->Load(*store->configFile_.scan);
  return store;
}

void ConfigurationStore::OpenFolder() {
  folderPath_ = configPath_.substr(0, configPath_.find_last_of(platform::kSeparator) + 1);
  folder_.reset(::open(folderPath_.empty() ? "." : folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

ConfigurationStore::~ConfigurationStore() = default;

// A companion is read as spelt first: most are spelt as on disk, and listing the folder
// to find another spelling costs several system calls.
int ConfigurationStore::OpenForReading(const std::string& path) const {
  if (folder_.ok() && path.size() > folderPath_.size() && path.starts_with(folderPath_)) {
    return ::openat(folder_.get(), path.c_str() + folderPath_.size(), O_RDONLY | O_CLOEXEC);
  }
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

bool ConfigurationStore::ReadFile(FileState& file) {
  std::string bytes;
  const int fd = OpenForReading(file.path);
  // Not there as spelt: the spelling on disk is looked for below.
  if (fd < 0 && errno != ENOENT && errno != ENOTDIR) return false;
  if (fd >= 0) {
    const bool read = platform::ReadOpenedFile(fd, bytes);
    platform::CloseDeferred(fd);
    if (!read) return false;
  } else if (!platform::ReadFileNoCase(file.path, bytes)) {
    return false;
  }
  const std::string& kept = file.bytes.emplace(std::move(bytes));
  if (std::optional<ResourceScan> scan = ResourceScan::Read(kept, file.path)) {
    file.scan = std::make_unique<ResourceScan>(std::move(*scan));
  } else {
    file.db = std::make_shared<ResourceDb>(ResourceDb::Parse(kept, file.path));
    file.scan = std::make_unique<ResourceScan>(ResourceScan::Of(*file.db));
  }
  return true;
}

const ResourceScan* ConfigurationStore::OpenCompanion(FileState& file, bool exists, const std::string& what) {
  if (exists && ReadFile(file)) return file.scan.get();
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
  // Read without opendir, which asks for the folder's status first and reads into a
  // buffer of its own. The folder of zv_config.res is open already; this is the one
  // listing of it, from its start.
  const bool own = folder != folderPath_ || !folder_.ok();
  const int dir =
      own ? ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : folder_.get();
  if (dir >= 0) {
    alignas(dirent64) char buffer[16384];
    for (ssize_t got; (got = ::getdents64(dir, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        film.Consider(entry->d_name, entry->d_type);
        plate.Consider(entry->d_name, entry->d_type);
        at += entry->d_reclen;
      }
    }
    if (own) ::close(dir);
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

const ResourceScan* ConfigurationStore::OpenNamesFile(const std::string& folder) {
  namesFile_.path = folder + platform::NativePath(files::kNames);
  if (ReadFile(namesFile_)) return namesFile_.scan.get();
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

void ConfigurationStore::Load(const ResourceScan& configDb) {
  Pass pass(false);
  const int main = pass.configTopics.emplace(configDb).Find(kMainTopic);
  const std::string& folder = folderPath_;
  const bool hasFilm = ChooseFilmFile(folder, configDb.FindViewAt(main, kMediaItem).value_or(""));
  filmFile_.path = filmPath_;
  recorderFile_.path = folder + files::kRecorder;
  namesFile_.path = folder + platform::NativePath(files::kNames);

  const ResourceScan* film = OpenCompanion(filmFile_, hasFilm, isPlate_ ? "plate file" : "film file");
  const ResourceScan* recorderDb = OpenCompanion(recorderFile_, true, "recorder file");
  const ResourceScan* names = OpenNamesFile(folder);
  filmPath_ = filmFile_.path;
  recorderPath_ = recorderFile_.path;
  namesPath_ = namesFile_.path;
  Check(pass, configDb, film, recorderDb, names);
}

void ConfigurationStore::LoadBase(const ResourceScan& configDb, int main) {
  base_.usedConf = Trim(configDb.FindViewAt(main, kUsedItem).value_or(""));
  base_.origin = configDb.FindViewAt(main, kOriginItem).value_or("");
}

void ConfigurationStore::Check(Pass& pass, const ResourceScan& configDb, const ResourceScan* film,
                               const ResourceScan* recorder, const ResourceScan* names) {
  if (film != nullptr) LoadFilmFile(*film, pass);
  if (recorder != nullptr) LoadRecorderFile(*recorder, &errors_);
  if (names != nullptr) LoadNamesFile(*names, pass);
  LoadConfigFile(configDb, pass);
  listing_ = std::move(pass.listing);
  const Listing& listing = *listing_;

  // References to media or sets that do not exist are repaired by the update job; they
  // are worth a warning, not an error.
  for (const Pass::References& conf : pass.references) {
    if (!pass.films.topics || pass.films.topics->Find(conf.film) < 0) {
      warnings_.push_back("Configuration " + std::string(conf.name) + " refers to media " + Quoted(conf.film) +
                          ", which does not exist");
    }
    const int set = pass.configTopics->Find(conf.set);
    if (set < 0 || pass.topicKinds[static_cast<size_t>(set)] != Pass::kSet) {
      warnings_.push_back("Configuration " + std::string(conf.name) + " refers to resolution set " +
                          Quoted(conf.set) + ", which does not exist");
    }
  }
  if (listing.confs.empty()) warnings_.push_back(configPath_ + " holds no configuration");
  if (listing.films.empty() && film != nullptr) warnings_.push_back(filmPath_ + " holds no media");
  if (listing.sets.empty()) warnings_.push_back(configPath_ + " holds no resolution set");

  for (size_t i = 0; i < listing.confs.size() && listing_->used < 0; ++i) {
    if (EqualsNoCase(listing.confs[i], base_.usedConf)) listing_->used = static_cast<int>(i);
  }
  if (listing_->used < 0 && !listing.confs.empty()) {
    warnings_.push_back(ItemText(configPath_, kMainTopic, kUsedItem) + " names no configuration (" +
                        Quoted(base_.usedConf) + "); using " + std::string(listing.confs.front()));
    listing_->used = 0;
  }
  if (listing_->used >= 0) base_.usedConf = listing.confs[static_cast<size_t>(listing_->used)];
}

void ConfigurationStore::Build(const ResourceScan& configDb, const ResourceScan* film, const ResourceScan* names) {
  Pass pass(true);
  if (film != nullptr) LoadFilmFile(*film, pass);
  if (names != nullptr) LoadNamesFile(*names, pass);
  LoadConfigFile(configDb, pass);
  ResolveUsed();
  current_ = FindConf(base_.usedConf);
}

void ConfigurationStore::EnsureBuilt() const {
  if (!listing_) return;
  // Building changes nothing a caller has seen: the lists are the ones opening listed, and
  // the base record and recorder limits, which callers may have changed, are left alone.
  auto& self = const_cast<ConfigurationStore&>(*this);
  // The base record's lists not yet joined are those of opening, whatever the records
  // become.
  if (!listsJoined_) self.SetLists();
  const int used = listing_->used;
  self.listing_.reset();
  self.Build(*configFile_.scan, filmFile_.scan.get(), namesFile_.scan.get());
  // The current configuration is the one in use at opening, whatever is in use now.
  self.current_ = used >= 0 && static_cast<size_t>(used) < confs_.size() ? confs_[static_cast<size_t>(used)].record.get()
                                                                         : nullptr;
}

void ConfigurationStore::LoadFilmFile(const ResourceScan& db, Pass& pass) {
  ItemReader reader(db, pass.Reports() ? &errors_ : nullptr);
  const int count = db.TopicCount();
  const TopicTable& topics = pass.films.topics.emplace(db);
  if (pass.build) {
    films_.reserve(static_cast<size_t>(count));
    pass.films.byTopic.assign(static_cast<size_t>(count), nullptr);
  } else {
    pass.listing.films.reserve(static_cast<size_t>(count));
  }
  for (int i = 0; i < count; ++i) {
    const TopicRef topic{i, db.TopicNameAt(i)};
    // Only the first topic of a name makes a record: the one that lookups by name find.
    if (!topics.IsFirst(i)) {
      if (pass.Reports()) {
        warnings_.push_back(filmPath_ + ": media " + Quoted(topic.name) + " appears twice; the first one counts");
      }
      continue;
    }
    if (pass.Reports()) {
      const auto [vsize, hsize, polarity, flag] = reader.Values(topic, kMediaChecked);
      reader.CheckNumber(topic, kVSizeItem, vsize, true);
      reader.CheckNumber(topic, kHSizeItem, hsize, true);
      reader.CheckInteger(topic, kPolarityItem, polarity);
      reader.CheckInteger(topic, kFlagItem, flag);
      pass.listing.films.push_back(topic.name);
      continue;
    }
    auto film = std::make_unique<FilmRecord>();
    film->name = topic.name;
    pass.films.byTopic[static_cast<size_t>(i)] = film.get();
    const auto [vsize, hsize, polarity, sizeText, flag, curve] = reader.Values(topic, kMediaRead);
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

void ConfigurationStore::LoadRecorderFile(const ResourceScan& db, std::vector<std::string>* errors) {
  ItemReader reader(db, errors);
  const TopicRef topic = reader.Topic(kRecorderTopic);
  recorder_.maxWidth = reader.Number(topic, kMaxWidthItem, 0, true);
  recorder_.maxHeight = reader.Number(topic, kMaxHeightItem, 0, true);
  recorder_.pixelClock = reader.Number(topic, kPixelClockItem, 0, false);
  recorder_.perimeter = reader.Number(topic, kPerimeterItem, 0, false);
}

void ConfigurationStore::LoadNamesFile(const ResourceScan& db, Pass& pass) {
  const int topic = db.TopicIndex(kNamesTopic).value_or(-1);
  const int count = db.ItemCountAt(topic);
  for (int i = 0; i < count; ++i) {
    // An item named twice reads as its first one.
    const std::string_view name = Trim(db.FindViewAt(topic, db.ItemNameAt(topic, i)).value_or(""));
    if (name.empty()) continue;
    if (pass.build) {
      names_.push_back({NextId(), std::make_unique<NameRecord>(NameRecord{std::string(name)})});
    } else {
      ++pass.listing.names;
    }
  }
}

// The "name" item of a configuration or set topic repeats the topic name (it is what the
// dispatcher list compares with the device type's template); the topic name counts.
void ConfigurationStore::CheckNameItem(std::string_view topicName, std::optional<std::string_view> name) {
  if (name && !EqualsNoCase(Trim(*name), topicName)) {
    warnings_.push_back(ItemText(configPath_, topicName, kNameItem) + " is " + Quoted(*name) +
                        "; the topic name counts");
  }
}

void ConfigurationStore::LoadConfigFile(const ResourceScan& db, Pass& pass) {
  ItemReader reader(db, pass.Reports() ? &errors_ : nullptr);
  const TopicTable& topics = pass.configTopics ? *pass.configTopics : pass.configTopics.emplace(db);
  const TopicRef main{topics.Find(kMainTopic), kMainTopic};
  // Views into `db`, which outlives them.
  const std::vector<std::string_view> confNames =
      SplitWords(reader.RequiredText(main, kConfsItem).value_or(""));
  const std::vector<std::string_view> setNames = SplitWords(reader.RequiredText(main, kSetsItem).value_or(""));
  if (pass.Reports()) LoadBase(db, main.index);

  // A name listed again finds the same topic.
  std::vector<uint8_t>& kinds = pass.topicKinds;
  kinds.assign(static_cast<size_t>(db.TopicCount()), Pass::kFree);
  auto listed = [&](const TopicRef& topic, const char* item, uint8_t kind) {
    if (topic.index < 0) {
      if (pass.Reports()) {
        warnings_.push_back(ItemText(configPath_, kMainTopic, item) + " lists " + Quoted(topic.name) +
                            ", which has no topic; it is left out");
      }
      return false;
    }
    if (kinds[static_cast<size_t>(topic.index)] != Pass::kFree) {
      if (pass.Reports()) {
        warnings_.push_back(ItemText(configPath_, kMainTopic, item) + " lists " + Quoted(topic.name) +
                            " twice, or as a configuration and a set; the first one counts");
      }
      return false;
    }
    kinds[static_cast<size_t>(topic.index)] = kind;
    return true;
  };

  if (pass.build) {
    sets_.reserve(setNames.size());
  } else {
    pass.listing.sets.reserve(setNames.size());
  }
  for (std::string_view name : setNames) {
    const TopicRef topic{topics.Find(name), name};
    if (!listed(topic, kSetsItem, Pass::kSet)) continue;
    if (pass.Reports()) CheckNameItem(db.TopicNameAt(topic.index), db.FindViewAt(topic.index, kNameItem));
    std::unique_ptr<ResolutionSet> set;
    const std::span<const ResourceScan::Item> setItems = db.ItemsAt(topic.index);
    if (pass.build) {
      set = std::make_unique<ResolutionSet>();
      set->name = name;
      set->entries.reserve(setItems.size());
    }
    // An item named twice reads as its first one. Items numbered res1, res2, ... upwards
    // without leading zeros cannot repeat a name before them, so they are read where
    // they stand; any other is looked up by name.
    int highest = 0, entries = 0;
    for (const ResourceScan::Item& at : setItems) {
      const std::string_view item = at.name;
      const std::optional<int> number = ResolutionItemNumber(item);
      if (!number) continue;
      const bool plain = item[3] != '0' && *number > highest;
      if (plain) highest = *number;
      const std::string_view text = plain ? at.value : db.FindViewAt(topic.index, item).value_or("");
      if (set == nullptr) {
        entries += reader.CheckEntry(topic, item, text) ? 1 : 0;
      } else if (auto entry = reader.Entry(topic, item, text)) {
        entry->set = set->name;
        set->entries.push_back(std::make_unique<ResolutionEntry>(std::move(*entry)));
      }
    }
    if (pass.build) {
      sets_.push_back({NextId(), std::move(set)});
      continue;
    }
    if (entries == 0) warnings_.push_back(configPath_ + ": resolution set " + Quoted(name) + " is empty");
    pass.listing.sets.push_back(name);
  }

  if (pass.build) {
    confs_.reserve(confNames.size());
  } else {
    pass.listing.confs.reserve(confNames.size());
    pass.references.reserve(confNames.size());
  }
  for (std::string_view name : confNames) {
    const TopicRef topic{topics.Find(name), name};
    if (!listed(topic, kConfsItem, Pass::kConf)) continue;
    if (pass.Reports()) {
      const auto [nameItem, film, set, vsize, hsize, polarity] = reader.Values(topic, kConfChecked);
      CheckNameItem(db.TopicNameAt(topic.index), nameItem);
      reader.CheckNumber(topic, kVSizeItem, vsize, false);
      reader.CheckNumber(topic, kHSizeItem, hsize, false);
      reader.CheckInteger(topic, kPolarityItem, polarity);
      pass.listing.confs.push_back(name);
      pass.references.push_back({name, film.value_or(""), set.value_or("")});
      continue;
    }
    const auto [film, set, output, vsize, hsize, polarity, curve] = reader.Values(topic, kConfRead);
    auto conf = std::make_unique<ConfigRecord>();
    conf->name = name;
    conf->film = film.value_or("");
    conf->set = set.value_or("");
    conf->output = output.value_or("");
    // Values the topic leaves out are those of its media.
    ConfigRecord media;
    if (const FilmRecord* withFilm = pass.films.Find(conf->film)) media.TakeMediaValues(*withFilm);
    conf->verticalSize = reader.Number(topic, kVSizeItem, vsize, media.verticalSize, false);
    conf->horizontalSize = reader.Number(topic, kHSizeItem, hsize, media.horizontalSize, false);
    conf->polarity = reader.Integer(topic, kPolarityItem, polarity, media.polarity);
    conf->curve = curve ? std::string(*curve) : media.curve;
    confs_.push_back({NextId(), std::move(conf)});
  }
}

}  // namespace rvc::ripconfig
