#include "store/resource_db_format.h"

#include <cstring>

namespace rvc::store::rdb_format {
namespace {

// A loop of its own: find_first_of looks each character up in the set through a call.
bool HasLineBreak(std::string_view text) {
  for (char c : text) {
    if (c == '\n' || c == '\r') return true;
  }
  return false;
}

bool HasOuterBlanks(std::string_view text) { return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back())); }

void AppendEscaped(std::string& out, std::string_view text, bool escapeEquals) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '=':
        if (escapeEquals) out += '\\';
        out += '=';
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

Line ReadOwnLine(std::string_view content) {
  Line line;
  line.kind = LineKind::kComment;
  if (content.size() < 3) return line;
  std::string_view rest = content.substr(3);
  switch (content[2]) {
    case ' ':
      line.kind = LineKind::kNote;
      line.value = rest;
      break;
    case '\\':
      line.kind = LineKind::kNote;
      line.value = rest;
      line.escaped = true;
      break;
    case '[':
      if (!rest.empty() && rest.back() == ']') {
        line.kind = LineKind::kTopic;
        line.name = rest.substr(0, rest.size() - 1);
        line.escaped = true;
      }
      break;
    case '=':
      // The name ends at the first "=" that is not escaped.
      for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '\\') {
          ++i;
        } else if (rest[i] == '=') {
          line.kind = LineKind::kItem;
          line.name = rest.substr(0, i);
          line.value = rest.substr(i + 1);
          line.escaped = true;
          break;
        }
      }
      break;
    default:
      break;
  }
  return line;
}

bool IsPlainTopicName(std::string_view name) { return !HasLineBreak(name) && !HasOuterBlanks(name); }

bool IsPlainItemName(std::string_view name) {
  if (HasLineBreak(name) || HasOuterBlanks(name) || name.find('=') != std::string_view::npos) return false;
  return name.empty() || (name[0] != '[' && name[0] != ';' && name[0] != '#');
}

bool IsPlainText(std::string_view text) { return !HasLineBreak(text); }

bool NeedsUnescape(std::string_view text) { return text.find('\\') != std::string_view::npos; }

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    switch (next) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case '=':
        out += '=';
        break;
      default:
        out += '\\';
        out += next;
    }
  }
  return out;
}

void AppendCommentLine(std::string& out, std::string_view comment, std::string_view eol) {
  if (comment.empty()) return;
  if (IsPlainText(comment)) {
    out += ";@ ";
    out += comment;
  } else {
    out += ";@\\";
    AppendEscaped(out, comment, false);
  }
  out += eol;
}

void AppendEmptyNoteLine(std::string& out, std::string_view eol) {
  out += ";@ ";
  out += eol;
}

void AppendTopicLine(std::string& out, std::string_view name, std::string_view eol) {
  if (IsPlainTopicName(name)) {
    out += '[';
    out += name;
  } else {
    out += ";@[";
    AppendEscaped(out, name, false);
  }
  out += ']';
  out += eol;
}

void AppendItemLine(std::string& out, std::string_view name, std::string_view value, std::string_view eol) {
  if (IsPlainItemName(name) && IsPlainText(value)) {
    out += name;
    out += '=';
    out += value;
  } else {
    out += ";@=";
    AppendEscaped(out, name, true);
    out += '=';
    AppendEscaped(out, value, false);
  }
  out += eol;
}

}  // namespace rvc::store::rdb_format
