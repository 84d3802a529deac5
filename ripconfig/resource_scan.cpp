#include "ripconfig/resource_scan.h"

#include <utility>

#include "store/resource_db.h"
#include "store/resource_db_format.h"

namespace rvc::ripconfig {

namespace fmt = store::rdb_format;

std::optional<ResourceScan> ResourceScan::Read(std::string_view bytes, std::string path) {
  ResourceScan scan;
  scan.path_ = std::move(path);
  // Most lines are items of ten to twenty bytes; a topic holds a handful of them.
  scan.items_.reserve(bytes.size() / 12 + 8);
  scan.topics_.reserve(bytes.size() / 64 + 8);
  // Items before the first topic belong to no topic.
  const bool plain = fmt::ForEachItemLine(
      bytes,
      [&scan](std::string_view name, std::string_view value) {
        if (scan.topics_.empty()) return;
        scan.items_.push_back({name, value});
        ++scan.topics_.back().count;
      },
      [&scan](std::string_view content) {
        const fmt::Line line = fmt::ReadLine(content);
        if (line.kind != fmt::LineKind::kTopic && (line.kind != fmt::LineKind::kItem || scan.topics_.empty())) {
          return true;
        }
        if (line.escaped) return false;
        if (line.kind == fmt::LineKind::kTopic) {
          scan.topics_.push_back({line.name, static_cast<uint32_t>(scan.items_.size()), 0});
        } else {
          scan.items_.push_back({line.name, line.value});
          ++scan.topics_.back().count;
        }
        return true;
      });
  if (!plain) return std::nullopt;
  return scan;
}

ResourceScan ResourceScan::Of(const store::ResourceDb& db) {
  ResourceScan scan;
  scan.path_ = db.Path();
  const int topics = db.TopicCount();
  scan.topics_.reserve(static_cast<size_t>(topics));
  for (int topic = 0; topic < topics; ++topic) {
    const int count = db.ItemCountAt(topic);
    scan.topics_.push_back(
        {db.TopicNameAt(topic), static_cast<uint32_t>(scan.items_.size()), static_cast<uint32_t>(count)});
    for (int item = 0; item < count; ++item) scan.items_.push_back({db.ItemNameAt(topic, item), db.ItemValueAt(topic, item)});
  }
  return scan;
}

}  // namespace rvc::ripconfig
