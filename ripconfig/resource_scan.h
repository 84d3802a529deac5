// The topics and items of a resource file as its lines read, without building the
// database (store/resource_db.h) that edits them: the configuration's opening reads every
// value of its files once and changes none, and only a write needs the database.
//
// Lines are read by the database's own line grammar (store/resource_db_format.h), so a
// scan holds exactly the topics and items the database would: the same names and values
// in the same order, a topic or item held twice held twice. Lookups by name ignore case
// and find the first, as the database's do.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ripconfig/configuration_items.h"

namespace rvc::store {
class ResourceDb;
}

namespace rvc::ripconfig {

class ResourceScan {
 public:
  struct Item {
    std::string_view name, value;
  };

  // The views point into `bytes`, which must outlive the scan unchanged. Nothing when a
  // line is one whose name or value the database stores unescaped (";@[...]",
  // ";@=...=..."): Of() then reads the parsed database instead.
  static std::optional<ResourceScan> Read(std::string_view bytes, std::string path);
  // The views point into `db`, which must outlive the scan unchanged.
  static ResourceScan Of(const store::ResourceDb& db);

  // Where the file was read from, for the texts of problems.
  const std::string& Path() const { return path_; }

  // By position, as ResourceDb's reading by position: a topic out of range has no name
  // and no items.
  int TopicCount() const { return static_cast<int>(topics_.size()); }
  std::string_view TopicNameAt(int topic) const { return Has(topic) ? topics_[Index(topic)].name : std::string_view(); }
  int ItemCountAt(int topic) const { return Has(topic) ? static_cast<int>(topics_[Index(topic)].count) : 0; }
  std::string_view ItemNameAt(int topic, int item) const { return ItemAt(topic, item).name; }
  std::string_view ItemValueAt(int topic, int item) const { return ItemAt(topic, item).value; }
  // The items of the topic at that position, in the order of the file; none out of range.
  std::span<const Item> ItemsAt(int topic) const {
    if (!Has(topic)) return {};
    const Topic& at = topics_[Index(topic)];
    return {items_.data() + at.first, at.count};
  }
  // The first topic of that name, looked for one by one: for a file read by a few
  // topics; a reader of many looks them up through a table of its own.
  std::optional<int> TopicIndex(std::string_view name) const {
    for (size_t i = 0; i < topics_.size(); ++i) {
      if (platform::EqualsNoCase(topics_[i].name, name)) return static_cast<int>(i);
    }
    return std::nullopt;
  }
  // The value of the first item of that name in the topic at that position.
  std::optional<std::string_view> FindViewAt(int topic, std::string_view item) const {
    const int count = ItemCountAt(topic);
    for (int i = 0; i < count; ++i) {
      const Item& entry = ItemAt(topic, i);
      if (platform::EqualsNoCase(entry.name, item)) return entry.value;
    }
    return std::nullopt;
  }

 private:
  struct Topic {
    std::string_view name;
    uint32_t first = 0;  // its items in items_
    uint32_t count = 0;
  };
  bool Has(int topic) const { return topic >= 0 && static_cast<size_t>(topic) < topics_.size(); }
  static size_t Index(int position) { return static_cast<size_t>(position); }
  const Item& ItemAt(int topic, int item) const {
    static const Item none;
    if (item < 0 || item >= ItemCountAt(topic)) return none;
    return items_[topics_[Index(topic)].first + Index(item)];
  }

  std::string path_;
  std::vector<Topic> topics_;
  std::vector<Item> items_;  // the items of all topics, in the order of the file
};

}  // namespace rvc::ripconfig
