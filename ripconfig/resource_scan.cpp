#include "ripconfig/resource_scan.h"

#include <cstring>

#include "store/resource_db.h"
#include "store/resource_db_format.h"

namespace rvc::ripconfig {

namespace fmt = store::rdb_format;

std::optional<ResourceScan> ResourceScan::Read(std::string_view bytes, std::string path) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  ResourceScan scan;
  scan.path_ = std::move(path);
  const char* base = bytes.data();
  const size_t size = bytes.size();
  // Most lines are items of about twenty bytes; a topic holds a handful of them.
  scan.items_.reserve(size / 20 + 8);
  scan.topics_.reserve(size / 160 + 8);
  size_t pos = bytes.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
  while (pos < size) {
    // A line ends at LF; a CR before it, or at the end of a last line without one, is
    // no part of it.
    size_t end, next;
    if (const void* lf = std::memchr(base + pos, '\n', size - pos)) {
      next = static_cast<size_t>(static_cast<const char*>(lf) - base);
      end = next > pos && base[next - 1] == '\r' ? next - 1 : next;
      ++next;
    } else {
      next = size;
      end = base[size - 1] == '\r' ? size - 1 : size;
    }
    const char* text = base + pos;
    const size_t length = end - pos;
    pos = next;
    // Most lines are items of a topic written plainly, "name=value" with no blank or mark
    // first: read here as ReadLine() reads them, which would find the same "=" (or, without
    // one, no entry at all).
    if (!scan.topics_.empty() && length > 0 && !fmt::IsBlank(text[0]) && text[0] != ';' && text[0] != '#' &&
        text[0] != '[') {
      size_t at = 0;
      while (at < length && text[at] != '=') ++at;
      if (at == length) continue;
      size_t nameEnd = at;
      while (nameEnd > 0 && fmt::IsBlank(text[nameEnd - 1])) --nameEnd;
      scan.items_.push_back({std::string_view(text, nameEnd), std::string_view(text + at + 1, length - at - 1)});
      ++scan.topics_.back().count;
      continue;
    }
    const fmt::Line line = fmt::ReadLine(std::string_view(text, length));
    // Items before the first topic belong to no topic.
    if (line.kind != fmt::LineKind::kTopic && (line.kind != fmt::LineKind::kItem || scan.topics_.empty())) continue;
    if (line.escaped) return std::nullopt;
    if (line.kind == fmt::LineKind::kTopic) {
      scan.topics_.push_back({line.name, static_cast<uint32_t>(scan.items_.size()), 0});
    } else {
      scan.items_.push_back({line.name, line.value});
      ++scan.topics_.back().count;
    }
  }
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
