#include "ripconfig/configuration_store.h"

#include <algorithm>
#include <cmath>
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

}  // namespace rvc::ripconfig
