#include "ripconfig/resource_scan.h"

#include <bit>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/resource_db.h"
#include "store/resource_db_format.h"

namespace rvc::ripconfig {

namespace fmt = store::rdb_format;

namespace {

// The first "=" or line end of the line at `at` and the end of that line (each `end` when
// there is none). A line holds both within its first sixteen bytes more often than not:
// one look at them finds both.
inline std::pair<const char*, const char*> EqualsAndEnd(const char* at, const char* end) {
#if defined(__SSE2__)
  if (end - at >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const auto equals = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('='))));
    const auto lf = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
    if ((equals | lf) != 0) {
      const int first = std::countr_zero(equals | lf);
      const unsigned after = lf & ~((2u << first) - 1);  // line ends after the first stop
      if ((lf >> first & 1) != 0) return {at + first, at + first};
      return {at + first, after != 0 ? at + std::countr_zero(after) : items::FindEither(at + 16, end, '\n', '\n')};
    }
  }
#endif
  const char* stop = items::FindEither(at, end, '=', '\n');
  return {stop, stop < end && *stop == '=' ? items::FindEither(stop + 1, end, '\n', '\n') : stop};
}

}  // namespace

std::optional<ResourceScan> ResourceScan::Read(std::string_view bytes, std::string path) {
  ResourceScan scan;
  scan.path_ = std::move(path);
  // Most lines are items of ten to twenty bytes; a topic holds a handful of them.
  scan.items_.reserve(bytes.size() / 12 + 8);
  scan.topics_.reserve(bytes.size() / 64 + 8);
  if (bytes.starts_with(fmt::kByteOrderMark)) bytes.remove_prefix(fmt::kByteOrderMark.size());
  const char* at = bytes.data();
  const char* const end = at + bytes.size();
  while (at < end) {
    // An item line that starts with its name, nearly every line of a file, is taken here
    // in one pass up to its "=" and one search for its end, as the line grammar reads it.
    // Any other line is handed to the grammar whole.
    const char first = *at;
    if (first == '\n') {  // the blank line between topics
      ++at;
      continue;
    }
    if (first != ' ' && first != '\t' && first != ';' && first != '#' && first != '[' && first != '\r') {
      const auto [equals, lineEnd] = EqualsAndEnd(at, end);
      if (equals < end && *equals == '=') {
        const char* nameEnd = equals;
        while (nameEnd > at && fmt::IsBlank(nameEnd[-1])) --nameEnd;
        const char* value = equals + 1;
        const char* lf = lineEnd < end ? lineEnd : nullptr;
        const char* valueEnd = lineEnd > value && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        // Items before the first topic belong to no topic.
        if (!scan.topics_.empty()) {
          scan.items_.push_back({std::string_view(at, static_cast<size_t>(nameEnd - at)),
                                 std::string_view(value, static_cast<size_t>(valueEnd - value))});
          ++scan.topics_.back().count;
        }
        at = lf != nullptr ? lf + 1 : end;
        continue;
      }
      if (equals == end) break;  // a last line without "=" is no item
      at = equals + 1;           // no "=": a line of text
      continue;
    }
    const auto* lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    std::string_view content(at, static_cast<size_t>((lf != nullptr ? lf : end) - at));
    at = lf != nullptr ? lf + 1 : end;
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    const fmt::Line line = fmt::ReadLine(content);
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
