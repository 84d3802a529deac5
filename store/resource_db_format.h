// Line grammar of resource database files (docs/resource-database.md): how one line is
// read, and how topic, item and comment lines are written so that they read back to the
// same text. Lines are handled without their line end.
//
// Ordinary lines are what the RIP and our line-based rewrites see: "[topic]",
// "name=value", blank and comment lines. Our own additions all start with ";@", so
// ordinary readers skip them as comments:
//   ";@ text"        comment of the topic or item on the next line
//   ";@\text"        the same, escaped (the comment holds a line break)
//   ";@[name]"       a topic whose name an ordinary line cannot hold, escaped
//   ";@=name=value"  an item whose name or value an ordinary line cannot hold, escaped
// Escapes: "\\" backslash, "\n" LF, "\r" CR, "\=" "=" (needed in escaped item names);
// a backslash before anything else stands for itself.
#pragma once

#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "platform/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rvc::store::rdb_format {

enum class LineKind {
  kBlank,    // empty, or blanks and tabs only
  kComment,  // ";" or "#" first (after blanks), and not one of ours
  kNote,     // ";@ text" / ";@\text": comment of the entry on the next line
  kTopic,    // "[name]..." (name between "[" and the last "]", trimmed) or ";@[name]"
  kItem,     // "name=value" (name trimmed, value raw) or ";@=name=value"
  kText,     // anything else; kept as it is
};

struct Line {
  LineKind kind = LineKind::kText;
  std::string_view name;   // topic or item name
  std::string_view value;  // item value, or the text of a note
  bool escaped = false;    // name and value still need Unescape()
};

// A line of ours (";@" first); ReadLine() hands those over.
Line ReadOwnLine(std::string_view content);

using platform::IsBlank;

// Inline: the parser reads every line of a file through it.
inline Line ReadLine(std::string_view content) {
  Line line;
  size_t first = 0;
  while (first < content.size() && IsBlank(content[first])) ++first;
  if (first == content.size()) {
    line.kind = LineKind::kBlank;
    return line;
  }
  const char* text = content.data() + first;
  const size_t size = content.size() - first;
  if (text[0] == ';' || text[0] == '#') {
    if (first == 0 && size >= 2 && text[0] == ';' && text[1] == '@') return ReadOwnLine(content);
    line.kind = LineKind::kComment;
  } else if (text[0] == '[') {
    size_t close = size - 1;
    while (close > 0 && text[close] != ']') --close;
    if (close > 0) {
      size_t begin = 1;
      size_t end = close;
      while (begin < end && IsBlank(text[begin])) ++begin;
      while (end > begin && IsBlank(text[end - 1])) --end;
      line.kind = LineKind::kTopic;
      line.name = std::string_view(text + begin, end - begin);
    }
  } else if (const void* equals = std::memchr(text, '=', size)) {
    // The first character is no blank: only the name's end needs trimming.
    const size_t at = static_cast<size_t>(static_cast<const char*>(equals) - text);
    size_t end = at;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    line.kind = LineKind::kItem;
    line.name = std::string_view(text, end);
    line.value = std::string_view(text + at + 1, size - at - 1);
  }
  return line;
}

// Written first by some editors; readers skip it and writers keep it.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

namespace detail {

// The first "=" or line end of the line at `at`, and the end of that line (each `end`
// when there is none). A line holds both within its first sixteen bytes more often than
// not: one look at them finds both.
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
      return {at + first, after != 0 ? at + std::countr_zero(after) : platform::FindEither(at + 16, end, '\n', '\n')};
    }
  }
#endif
  const char* stop = platform::FindEither(at, end, '=', '\n');
  return {stop, stop < end && *stop == '=' ? platform::FindEither(stop + 1, end, '\n', '\n') : stop};
}

}  // namespace detail

// Walks the lines of a file's `bytes` (LF or CR LF line ends, the last line may have
// none), after a byte-order mark, for readers that look at every line. An item line that
// starts with its name, nearly every line of a file, is read here in one pass up to its
// "=" and one search for its end, and handed to `item(name, value)` as ReadLine would
// read it. Blank lines are skipped and
// every other line goes to `other(content)` without its line end, for ReadLine. Stops as
// soon as `other` returns false; returns whether every line was taken.
template <class OnItem, class OnOther>
bool ForEachItemLine(std::string_view bytes, OnItem&& item, OnOther&& other) {
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  const char* at = bytes.data();
  const char* const end = at + bytes.size();
  while (at < end) {
    const char first = *at;
    if (first == '\n') {  // the blank line between topics
      ++at;
      continue;
    }
    if (first != ' ' && first != '\t' && first != ';' && first != '#' && first != '[' && first != '\r') {
      const auto [equals, lineEnd] = detail::EqualsAndEnd(at, end);
      if (equals == end) break;  // a last line without "=" is no item
      if (*equals == '\n') {  // no "=": a line of text
        at = equals + 1;
        continue;
      }
      const char* nameEnd = equals;
      while (nameEnd > at && IsBlank(nameEnd[-1])) --nameEnd;
      const char* value = equals + 1;
      const char* valueEnd = lineEnd > value && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
      item(std::string_view(at, static_cast<size_t>(nameEnd - at)),
           std::string_view(value, static_cast<size_t>(valueEnd - value)));
      at = lineEnd < end ? lineEnd + 1 : end;
      continue;
    }
    const auto* lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    std::string_view content(at, static_cast<size_t>((lf != nullptr ? lf : end) - at));
    at = lf != nullptr ? lf + 1 : end;
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    if (!other(content)) return false;
  }
  return true;
}

std::string Unescape(std::string_view text);
bool NeedsUnescape(std::string_view text);  // false when Unescape() would return `text`

// Reads `bytes` as a database holds them, without building one: `topic(name)` for each
// topic and `item(name, value)` for each item of a topic, in the order of the file, with
// escapes decoded (the views last for the call). Items before the first topic are no
// items. A template, so that a reader's calls are made in place for every line.
template <class OnTopic, class OnItem>
void ScanLines(std::string_view bytes, OnTopic&& topic, OnItem&& item) {
  bool inTopic = false;
  std::string name, value;  // decoded escapes
  ForEachItemLine(
      bytes,
      [&](std::string_view itemName, std::string_view itemValue) {
        if (inTopic) item(itemName, itemValue);
      },
      [&](std::string_view content) {
        const Line line = ReadLine(content);
        if (line.kind != LineKind::kTopic && (line.kind != LineKind::kItem || !inTopic)) return true;
        std::string_view lineName = line.name;
        if (line.escaped && NeedsUnescape(lineName)) lineName = name = Unescape(lineName);
        if (line.kind == LineKind::kTopic) {
          inTopic = true;
          topic(lineName);
          return true;
        }
        std::string_view lineValue = line.value;
        if (line.escaped && NeedsUnescape(lineValue)) lineValue = value = Unescape(lineValue);
        item(lineName, lineValue);
        return true;
      });
}

// Whether the text can be written in the ordinary form of its kind and read back as is.
bool IsPlainTopicName(std::string_view name);
bool IsPlainItemName(std::string_view name);
bool IsPlainText(std::string_view text);  // values and comments: no line break inside

// Append one line each, with `eol`. A comment is written only when not empty.
void AppendCommentLine(std::string& out, std::string_view comment, std::string_view eol);
// An empty note: keeps a note-like line above it from being read as the comment of the
// entry that follows.
void AppendEmptyNoteLine(std::string& out, std::string_view eol);
void AppendTopicLine(std::string& out, std::string_view name, std::string_view eol);
void AppendItemLine(std::string& out, std::string_view name, std::string_view value, std::string_view eol);

}  // namespace rvc::store::rdb_format
