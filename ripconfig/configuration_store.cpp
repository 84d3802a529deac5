#include "ripconfig/configuration_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/path.h"
#include "ripconfig/configuration_items.h"
#include "store/resource_db.h"

namespace rvc::ripconfig {

using namespace items;
using platform::EqualsNoCase;
using store::ResourceDb;

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

// --- Lists and lookups ---

void ConfigurationStore::ResolveUsed() {
  if (listing_) {
    // Before the records are built nothing can have been renamed.
    for (std::string_view name : listing_->confs) {
      if (EqualsNoCase(name, base_.usedConf)) {
        base_.usedConf = name;
        return;
      }
    }
    if (!listing_->confs.empty()) {
      if (!base_.usedConf.empty()) {
        warnings_.push_back("The configuration in use " + Quoted(base_.usedConf) + " does not exist; using " +
                            std::string(listing_->confs.front()));
      }
      base_.usedConf = listing_->confs.front();
    }
    return;
  }
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

namespace {
std::string_view NameOf(std::string_view name) { return name; }
template <class Slot>
std::string_view NameOf(const Slot& slot) {
  return slot.record->name;
}

// The names of `list` joined by `separator` into `names`; the count. Written in place
// into a string of the final size: hundreds of short names are appended.
template <class List>
int Joined(const List& list, char separator, std::string& names) {
  size_t size = list.empty() ? 0 : list.size() - 1;
  for (const auto& element : list) size += NameOf(element).size();
  names.resize(size);
  char* at = names.data();
  for (const auto& element : list) {
    if (&element != &list.front()) *at++ = separator;
    const std::string_view name = NameOf(element);
    std::memcpy(at, name.data(), name.size());
    at += name.size();
  }
  return static_cast<int>(list.size());
}
}  // namespace

BaseRecord& ConfigurationStore::Base() {
  if (!listsJoined_) SetLists();
  return base_;
}

void ConfigurationStore::SetLists() {
  listsJoined_ = true;
  ResolveUsed();
  if (listing_) {
    base_.nrConfs = Joined(listing_->confs, ' ', base_.confNames);
    base_.nrFilms = Joined(listing_->films, ',', base_.filmNames);
    base_.nrSets = Joined(listing_->sets, ',', base_.setNames);
    return;
  }
  base_.nrConfs = Joined(confs_, ' ', base_.confNames);
  base_.nrFilms = Joined(films_, ',', base_.filmNames);
  base_.nrSets = Joined(sets_, ',', base_.setNames);
}

int ConfigurationStore::ConfCount() const {
  return static_cast<int>(listing_ ? listing_->confs.size() : confs_.size());
}
int ConfigurationStore::FilmCount() const {
  return static_cast<int>(listing_ ? listing_->films.size() : films_.size());
}
int ConfigurationStore::SetCount() const { return static_cast<int>(listing_ ? listing_->sets.size() : sets_.size()); }
int ConfigurationStore::NameCount() const { return listing_ ? listing_->names : static_cast<int>(names_.size()); }

std::vector<ConfigRecord*> ConfigurationStore::Confs() const {
  EnsureBuilt();
  std::vector<ConfigRecord*> records;
  for (const auto& slot : confs_) records.push_back(slot.record.get());
  return records;
}

std::vector<FilmRecord*> ConfigurationStore::Films() const {
  EnsureBuilt();
  std::vector<FilmRecord*> records;
  for (const auto& slot : films_) records.push_back(slot.record.get());
  return records;
}

std::vector<ResolutionSet*> ConfigurationStore::Sets() const {
  EnsureBuilt();
  std::vector<ResolutionSet*> records;
  for (const auto& slot : sets_) records.push_back(slot.record.get());
  return records;
}

std::vector<NameRecord*> ConfigurationStore::Names() const {
  EnsureBuilt();
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

ConfigRecord* ConfigurationStore::FindConf(std::string_view name) const {
  EnsureBuilt();
  return FindSlot(confs_, name);
}
FilmRecord* ConfigurationStore::FindFilm(std::string_view name) const {
  EnsureBuilt();
  return FindSlot(films_, name);
}
ResolutionSet* ConfigurationStore::FindSet(std::string_view name) const {
  EnsureBuilt();
  return FindSlot(sets_, name);
}
NameRecord* ConfigurationStore::FindName(std::string_view name) const {
  EnsureBuilt();
  return FindSlot(names_, name);
}

ConfigRecord* ConfigurationStore::Current() const {
  EnsureBuilt();
  return current_;
}

ConfigRecord* ConfigurationStore::GetResInfo(std::string_view name) {
  ConfigRecord* conf = FindConf(name);
  if (conf != nullptr) current_ = conf;
  return conf;
}

FilmRecord* ConfigurationStore::CurrentFilm() const {
  EnsureBuilt();
  return current_ != nullptr ? FindFilm(current_->film) : nullptr;
}

bool ConfigurationStore::SetUsedConf(std::string_view name) {
  EnsureBuilt();
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
  EnsureBuilt();
  if (sets_.empty() || sets_.front().record->entries.empty()) return ResolutionEntry{};
  return *sets_.front().record->entries.front();
}

ConfigRecord* ConfigurationStore::NewConf() {
  EnsureBuilt();
  auto conf =
      confs_.empty() ? std::make_unique<ConfigRecord>() : std::make_unique<ConfigRecord>(*confs_.front().record);
  conf->name.clear();
  confs_.push_back({NextId(), std::move(conf)});
  return confs_.back().record.get();
}

FilmRecord* ConfigurationStore::AddFilm() {
  EnsureBuilt();
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
  EnsureBuilt();
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
  EnsureBuilt();
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
  EnsureBuilt();
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

}  // namespace rvc::ripconfig
