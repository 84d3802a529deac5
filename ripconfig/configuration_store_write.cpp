// Changes of a ConfigurationStore: what changed since opening, the checks before writing,
// and the files rewritten under the write lock.
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/unique_fd.h"
#include "ripconfig/configuration_items.h"
#include "ripconfig/configuration_store.h"
#include "store/resource_db.h"

namespace rvc::ripconfig {

using namespace items;
using platform::EqualsNoCase;
using store::ResourceDb;

namespace {

// Writes `entries` as the items res1, res2, ... of `topic`. An entry that reads the same
// as one the topic holds keeps that text, wherever it stood: deleting or inserting a
// resolution renumbers the others without rewriting their numbers. `stored`, when given,
// are the entries the topic's items were last read into or written from.
void WriteEntries(ResourceDb& db, const std::string& topic, const std::vector<ResolutionEntry>& entries,
                  const std::vector<ResolutionEntry>* stored) {
  struct Written {
    std::string item, text;
    std::optional<ResolutionEntry> entry;
    bool taken = false;
  };
  std::vector<Written> written;
  const int topicIndex = db.TopicIndex(topic).value_or(-1);
  const int count = db.ItemCountAt(topicIndex);
  written.reserve(static_cast<size_t>(count));
  bool inOrder = true;  // the items are exactly res1, res2, ... in turn
  for (int i = 0; i < count; ++i) {
    const std::string_view item = db.ItemNameAt(topicIndex, i);
    const std::optional<int> number = ResolutionItemNumber(item);
    if (!number) continue;
    const bool next = *number == static_cast<int>(written.size()) + 1 && item[3] != '0';
    inOrder = inOrder && next;
    // An item named twice reads as its first one; while the items are res1, res2, ... in
    // turn none can repeat a name before it, so its own value is that one.
    const std::string_view text = inOrder ? db.ItemValueAt(topicIndex, i) : db.FindViewAt(topicIndex, item).value_or("");
    written.push_back({std::string(item), std::string(text), std::nullopt});
  }
  // Items res1, res2, ... in turn, as many as the stored entries, were read into those
  // entries one by one (an item that does not read as an entry yields none), or written
  // from them: they need not be read again.
  const bool readBefore = inOrder && stored != nullptr && stored->size() == written.size();
  for (size_t i = 0; i < written.size(); ++i) {
    written[i].entry = readBefore ? std::optional((*stored)[i]) : ParseEntry(written[i].text);
    if (written[i].entry) written[i].entry->set = topic;
  }
  auto reuse = [&](const std::string& item, const ResolutionEntry& entry) -> const std::string* {
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
    // Most entries stay where they were, and are left as they stand. Among items named
    // once each, the one at the same position is the one `reuse` would choose.
    if (inOrder && i < written.size()) {
      Written& same = written[i];
      if (!same.taken && same.entry && *same.entry == entries[i]) {
        same.taken = true;
        continue;
      }
    }
    const std::string item = ResolutionItem(i);
    const std::string* text = reuse(item, entries[i]);
    db.Set(topic, item, text ? *text : FormatEntry(entries[i]));
  }
}

// Sets `item` of `topic` to `value` unless it is what the stored record held (`old`; none
// for a record not stored yet).
void PutValue(ResourceDb& db, std::string_view topic, std::string_view item, const std::string& value,
              const std::string* old) {
  if (old != nullptr && *old == value) return;
  db.Set(topic, item, value);
}

void PutValue(ResourceDb& db, std::string_view topic, std::string_view item, double value, const double* old) {
  if (old != nullptr && *old == value) return;
  db.Set(topic, item, FormatNumber(value));
}

void PutValue(ResourceDb& db, std::string_view topic, std::string_view item, int value, const int* old) {
  if (old != nullptr && *old == value) return;
  db.Set(topic, item, std::to_string(value));
}

// The fields of one record, put into its topic where they differ from the stored record.
template <class R>
struct RecordFields {
  ResourceDb& db;
  std::string_view topic;
  const R& now;
  const R* old;  // none: not stored yet, every field is put

  template <class V>
  void Put(std::string_view item, V R::*field) const {
    PutValue(db, topic, item, now.*field, old != nullptr ? &(old->*field) : nullptr);
  }
};

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

void ConfigurationStore::KeepSnapshots() const {
  EnsureBuilt();
  if (opened_) return;
  // What the files held at opening: the records built again from the bytes then read,
  // with the same ids. Opening leaves this until a change is looked for or written.
  ConfigurationStore fresh;
  fresh.configPath_ = configPath_;
  fresh.filmPath_ = filmPath_;
  fresh.recorderPath_ = recorderPath_;
  fresh.namesPath_ = namesPath_;
  // Nothing has been written yet, so the scans kept from opening still hold those bytes.
  fresh.LoadBase(*configFile_.scan, configFile_.scan->TopicIndex(kMainTopic).value_or(-1));
  if (recorderFile_.scan != nullptr) fresh.LoadRecorderFile(*recorderFile_.scan, nullptr);
  fresh.Build(*configFile_.scan, filmFile_.scan.get(), namesFile_.scan.get());
  opened_ = fresh.TakeSnapshot();
  stored_ = opened_;
}

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
    const RecordFields<ConfigRecord> fields{db, conf.name, conf, old};
    fields.Put(kNameItem, &ConfigRecord::name);
    fields.Put(kFilmItem, &ConfigRecord::film);
    fields.Put(kSetItem, &ConfigRecord::set);
    fields.Put(kOutputItem, &ConfigRecord::output);
    fields.Put(kVSizeItem, &ConfigRecord::verticalSize);
    fields.Put(kHSizeItem, &ConfigRecord::horizontalSize);
    fields.Put(kPolarityItem, &ConfigRecord::polarity);
    fields.Put(kCurveItem, &ConfigRecord::curve);
  }

  for (size_t i = 0; i < now.sets.size(); ++i) {
    const SetValue& set = *now.sets[i].second;
    const SetValue* old = StoredById(stored_->sets, now.sets[i].first, i);
    if (old == &set) continue;  // shared: unchanged
    if (old == nullptr) db.AddTopicSpacedLikeFile(set.name);
    PutValue(db, set.name, kNameItem, set.name, old ? &old->name : nullptr);
    if (old != nullptr && old->entries == set.entries) continue;
    WriteEntries(db, set.name, set.entries, old != nullptr ? &old->entries : nullptr);
    std::vector<std::string> surplus;
    const int topic = db.TopicIndex(set.name).value_or(-1);
    for (int at = 0; at < db.ItemCountAt(topic); ++at) {
      const std::string_view item = db.ItemNameAt(topic, at);
      auto number = ResolutionItemNumber(item);
      if (number && (*number < 1 || static_cast<size_t>(*number) > set.entries.size() ||
                     item != ResolutionItem(static_cast<size_t>(*number) - 1))) {
        surplus.emplace_back(item);
      }
    }
    for (const std::string& item : surplus) db.RemoveItem(set.name, item);
  }

  if (!SameNames(now.confs, stored_->confs)) db.Set(kMainTopic, kConfsItem, Join(NamesOf(now.confs), " "));
  if (!SameNames(now.sets, stored_->sets)) db.Set(kMainTopic, kSetsItem, Join(NamesOf(now.sets), " "));
  PutValue(db, kMainTopic, kUsedItem, now.used, &stored_->used);
  PutValue(db, kMainTopic, kOriginItem, now.origin, &stored_->origin);
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
    const RecordFields<FilmRecord> fields{db, film.name, film, old};
    fields.Put(kVSizeItem, &FilmRecord::verticalSize);
    fields.Put(kHSizeItem, &FilmRecord::horizontalSize);
    fields.Put(kPolarityItem, &FilmRecord::polarity);
    fields.Put(kSizeTextItem, &FilmRecord::sizeText);
    fields.Put(kFlagItem, &FilmRecord::flag);
    fields.Put(kCurveItem, &FilmRecord::curve);
  }
}

void ConfigurationStore::ApplyRecorderFile(ResourceDb& db, const Snapshot& now) {
  const RecordFields<RecorderRecord> fields{db, kRecorderTopic, now.recorder, &stored_->recorder};
  fields.Put(kMaxWidthItem, &RecorderRecord::maxWidth);
  fields.Put(kMaxHeightItem, &RecorderRecord::maxHeight);
  fields.Put(kPixelClockItem, &RecorderRecord::pixelClock);
  fields.Put(kPerimeterItem, &RecorderRecord::perimeter);
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
    // holds what it says, and is parsed afresh from the bytes next time otherwise. The
    // scan of the bytes as read has served (the snapshots are taken) and may point into it.
    p.db = std::move(p.file->db);
    p.file->scan.reset();
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
    const platform::UniqueFd file(OpenForReading(p.file->path));
    if (!file.ok() || !platform::FileHolds(file.get(), *p.file->bytes)) {
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
