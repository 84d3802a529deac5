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

#include <cstring>
#include <string>
#include <string_view>

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

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

// Hands each line of a file's `bytes` to `take` without its line end (LF, or CR LF; the
// last line may have none), after a byte-order mark. Stops as soon as `take` returns
// false; returns whether every line was taken.
template <class Take>
bool ForEachLine(std::string_view bytes, Take&& take) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  while (!bytes.empty()) {
    const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
    const size_t length = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - bytes.data()) : bytes.size();
    std::string_view content = bytes.substr(0, length);
    bytes.remove_prefix(lf != nullptr ? length + 1 : length);
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    if (!take(content)) return false;
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
  ForEachLine(bytes, [&](std::string_view content) {
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
