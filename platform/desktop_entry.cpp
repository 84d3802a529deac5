#include "platform/desktop_entry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace rvc::platform {
namespace {

constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kFieldCodes = "fFuUdDnNickvm";

// A key as the format allows it: letters, digits and "-", with an optional locale in
// brackets.
bool IsKey(std::string_view key) {
  size_t bracket = key.find('[');
  std::string_view base = key.substr(0, bracket);
  if (base.empty()) return false;
  for (char c : base) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    if (!ok) return false;
  }
  if (bracket == std::string_view::npos) return true;
  return key.size() > bracket + 2 && key.back() == ']' && key.find_first_of("[]", bracket + 1) == key.size() - 1;
}

// The key of a key=value line, or nothing for comments and blank lines.
std::optional<std::string_view> KeyOfLine(std::string_view line) {
  std::string_view trimmed = Trim(line, " \t\r");
  if (trimmed.empty() || trimmed.front() == '#') return std::nullopt;
  size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trim(trimmed.substr(0, equals), " \t\r");
}

// Blanks after "=" do not belong to the value; trailing ones do.
std::string_view ValueOfLine(std::string_view line) {
  std::string_view value = line.substr(line.find('=') + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  return value;
}

std::string EscapeString(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      // Blanks after "=" are dropped by readers; a leading one has to be escaped.
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// Undoes the escapes of string values. Other backslash pairs (such as "\;" of lists, or
// "\"" in files whose Exec quoting skipped the string level) are kept as they are.
std::string UnescapeString(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    switch (value[i + 1]) {
      case 's':
        out.push_back(' ');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case '\\':
        out.push_back('\\');
        break;
      default:
        out.push_back('\\');
        out.push_back(value[i + 1]);
    }
    ++i;
  }
  return out;
}

std::string QuoteExecWord(std::string_view word, bool forceQuotes) {
  std::string out;
  const bool quote = forceQuotes || word.empty() || word.find_first_of(kReservedInExec) != std::string_view::npos;
  if (quote) out.push_back('"');
  for (char c : word) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out.push_back('\\');
    if (c == '%') out.push_back('%');
    out.push_back(c);
  }
  if (quote) out.push_back('"');
  return out;
}

bool IsFieldCode(std::string_view word) {
  return word.size() == 2 && word[0] == '%' && kFieldCodes.find(word[1]) != std::string_view::npos;
}

bool Fail(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
  return false;
}

}  // namespace

// --- Arguments text ---

std::vector<CommandWord> SplitArgumentsText(std::string_view arguments) {
  std::vector<CommandWord> words;
  size_t i = 0;
  const size_t n = arguments.size();
  while (i < n) {
    while (i < n && (arguments[i] == ' ' || arguments[i] == '\t')) ++i;
    if (i == n) break;
    CommandWord word;
    bool inQuotes = false;
    while (i < n) {
      char c = arguments[i];
      if (c == '\\') {
        size_t count = 0;
        while (i < n && arguments[i] == '\\') ++count, ++i;
        if (i < n && arguments[i] == '"') {
          word.text.append(count / 2, '\\');
          if (count % 2 == 1) {
            word.text.push_back('"');
            ++i;
          }
        } else {
          word.text.append(count, '\\');
        }
      } else if (c == '"') {
        if (inQuotes && i + 1 < n && arguments[i + 1] == '"') {
          word.text.push_back('"');  // "" inside quotes is a literal quote
          i += 2;
        } else {
          inQuotes = !inQuotes;
          word.quoted = true;
          ++i;
        }
      } else if ((c == ' ' || c == '\t') && !inQuotes) {
        break;
      } else {
        word.text.push_back(c);
        ++i;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string JoinArgumentsText(const std::vector<CommandWord>& words) {
  std::string out;
  for (const CommandWord& word : words) {
    if (!out.empty()) out.push_back(' ');
    const bool quote = word.quoted || word.text.empty() || word.text.find_first_of(" \t\"") != std::string::npos;
    if (quote) out.push_back('"');
    size_t backslashes = 0;
    for (char c : word.text) {
      if (c == '\\') {
        ++backslashes;
      } else {
        // Backslashes before a quote are doubled, and the quote gets one of its own.
        if (c == '"') out.append(backslashes + 1, '\\');
        backslashes = 0;
      }
      out.push_back(c);
    }
    if (quote) {
      out.append(backslashes, '\\');  // so that the closing quote stays a quote
      out.push_back('"');
    }
  }
  return out;
}

// --- Exec ---

std::string BuildExecValue(std::string_view program, const std::vector<CommandWord>& words) {
  std::string out = QuoteExecWord(program, false);
  for (const CommandWord& word : words) {
    out.push_back(' ');
    out += QuoteExecWord(word.text, word.quoted);
  }
  return out;
}

bool SplitExecValue(std::string_view exec, std::string& program, std::vector<CommandWord>& words, std::string* error) {
  program.clear();
  words.clear();
  std::vector<CommandWord> all;
  size_t i = 0;
  const size_t n = exec.size();
  while (i < n) {
    while (i < n && (exec[i] == ' ' || exec[i] == '\t')) ++i;
    if (i == n) break;
    CommandWord word;
    bool inQuotes = false;
    const size_t start = i;
    while (i < n) {
      char c = exec[i];
      if (inQuotes && c == '\\' && i + 1 < n &&
          std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
        word.text.push_back(exec[i + 1]);
        i += 2;
      } else if (c == '"') {
        inQuotes = !inQuotes;
        word.quoted = true;
        ++i;
      } else if ((c == ' ' || c == '\t') && !inQuotes) {
        break;
      } else if (c == '%' && i + 1 < n && exec[i + 1] == '%') {
        word.text.push_back('%');
        i += 2;
      } else {
        word.text.push_back(c);
        ++i;
      }
    }
    if (inQuotes) return Fail(error, "Exec has a quote that is not closed: " + std::string(exec));
    if (IsFieldCode(exec.substr(start, i - start))) continue;
    all.push_back(std::move(word));
  }
  if (all.empty()) return true;
  program = std::move(all.front().text);
  words.assign(std::make_move_iterator(all.begin() + 1), std::make_move_iterator(all.end()));
  return true;
}

// --- DesktopEntry ---

DesktopEntry::DesktopEntry() {
  groups_.push_back(Group{"[" + std::string(kMainGroup) + "]", std::string(kMainGroup), {"Type=Application"}});
}

bool DesktopEntry::Parse(std::string_view text, DesktopEntry& entry, std::string* error) {
  DesktopEntry parsed;
  parsed.groups_.clear();
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // byte-order mark of some editors
  size_t lineNumber = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    std::string_view trimmed = Trim(line, " \t\r");
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (trimmed.empty() || trimmed.front() == '#') {
      (parsed.groups_.empty() ? parsed.prelude_ : parsed.groups_.back().lines).emplace_back(line);
      continue;
    }
    if (trimmed.front() == '[') {
      if (trimmed.back() != ']' || trimmed.size() < 3) return Fail(error, where + "bad group header");
      std::string_view name = trimmed.substr(1, trimmed.size() - 2);
      if (name.find_first_of("[]") != std::string_view::npos) return Fail(error, where + "bad group header");
      for (const Group& group : parsed.groups_) {
        if (group.name == name) return Fail(error, where + "group [" + std::string(name) + "] given twice");
      }
      parsed.groups_.push_back(Group{std::string(line), std::string(name), {}});
      continue;
    }
    std::optional<std::string_view> key = KeyOfLine(line);
    if (!key || !IsKey(*key)) return Fail(error, where + "not a key=value line");
    if (parsed.groups_.empty()) return Fail(error, where + "key before the first group");
    parsed.groups_.back().lines.emplace_back(line);
  }
  if (parsed.MainGroup() == nullptr) return Fail(error, "no [Desktop Entry] group");
  entry = std::move(parsed);
  return true;
}

std::string DesktopEntry::ToText() const {
  std::string out;
  for (const std::string& line : prelude_) out += line + "\n";
  for (const Group& group : groups_) {
    out += group.header + "\n";
    for (const std::string& line : group.lines) out += line + "\n";
  }
  return out;
}

DesktopEntry::Group* DesktopEntry::MainGroup() {
  for (Group& group : groups_) {
    if (group.name == kMainGroup) return &group;
  }
  return nullptr;
}

const DesktopEntry::Group* DesktopEntry::MainGroup() const { return const_cast<DesktopEntry*>(this)->MainGroup(); }

std::optional<std::string> DesktopEntry::Get(std::string_view key) const {
  // A key given twice counts with its first line, as the launchers of the desktops do.
  for (const std::string& line : MainGroup()->lines) {
    if (KeyOfLine(line) == key) return UnescapeString(ValueOfLine(line));
  }
  return std::nullopt;
}

void DesktopEntry::Set(std::string_view key, std::string_view value) {
  std::vector<std::string>& lines = MainGroup()->lines;
  std::string line = std::string(key) + "=" + EscapeString(value);
  auto same = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return KeyOfLine(l) == key; });
  if (same != lines.end()) {
    *same = std::move(line);
    return;
  }
  // After the last key, so that comments and blank lines closing the group stay there.
  auto lastKey =
      std::find_if(lines.rbegin(), lines.rend(), [](const std::string& l) { return KeyOfLine(l).has_value(); });
  lines.insert(lastKey.base(), std::move(line));
}

void DesktopEntry::Remove(std::string_view key) {
  std::vector<std::string>& lines = MainGroup()->lines;
  std::erase_if(lines, [&](const std::string& l) { return KeyOfLine(l) == key; });
}

void DesktopEntry::SetOrRemove(std::string_view key, std::string_view value) {
  if (value.empty()) {
    Remove(key);
  } else {
    Set(key, value);
  }
}

void DesktopEntry::SetName(std::string_view name) {
  std::vector<std::string>& lines = MainGroup()->lines;
  std::erase_if(lines, [](const std::string& l) {
    std::optional<std::string_view> key = KeyOfLine(l);
    return key && key->starts_with("Name[");
  });
  Set("Name", name);
}

bool DesktopEntry::GetCommand(std::string& program, std::string& arguments, std::string* error) const {
  std::vector<CommandWord> words;
  if (!SplitExecValue(Get("Exec").value_or(""), program, words, error)) return false;
  arguments = JoinArgumentsText(words);
  return true;
}

void DesktopEntry::SetCommand(std::string_view program, std::string_view arguments) {
  Set("Type", "Application");
  Set("Exec", BuildExecValue(program, SplitArgumentsText(arguments)));
}

// --- Files ---

bool LoadDesktopEntry(const std::string& path, DesktopEntry& entry, std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, text)) return Fail(error, path + ": " + std::strerror(errno));
  std::string reason;
  if (!DesktopEntry::Parse(text, entry, &reason)) return Fail(error, path + ": " + reason);
  return true;
}

bool SaveDesktopEntry(const std::string& path, const DesktopEntry& entry, std::string* error) {
  // A launcher is executable wherever it is readable; the bits are set on the new file
  // before it takes the launcher's place.
  struct stat st {};
  const mode_t mode = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : 0644;
  AtomicFile file;
  if (file.Begin(path)) {
    file.SetMode(mode | ((mode & 0444) >> 2));
    if (file.Write(entry.ToText()) && file.Commit()) return true;
  }
  return Fail(error, path + ": " + file.ErrorText());
}

}  // namespace rvc::platform
