#include "lifecycle/intent_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/environment.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "platform/percent_encoding.h"

namespace rvc::lifecycle {
namespace {

constexpr const char* kHeader = "ravlin-intent-journal 1";
constexpr const char* kEnd = "end";

// '%', control characters and bytes above 0x7e as "%XX": every value fits on one line.
std::string Escaped(const std::string& text) {
  return platform::PercentEncode(text, [](unsigned char c) { return c == '%' || c < 0x20 || c > 0x7e; });
}

std::optional<std::string> Unescaped(const std::string& text) { return platform::PercentDecode(text); }

void Line(std::string& out, const char* key, const std::string& value) {
  out += key;
  out += '=';
  out += Escaped(value);
  out += '\n';
}

void UndoLines(std::string& out, const UndoEntry& entry) {
  if (!entry.aside.empty()) {
    Line(out, "moved", entry.path);
    Line(out, "aside", entry.aside);
  } else if (!entry.preserved) {
    Line(out, "created", entry.path);
  } else {
    Line(out, "preserved", entry.path);
    Line(out, "mode", std::to_string(entry.mode));
    Line(out, "bytes", entry.bytes);
  }
}

constexpr std::string_view kSum = "sum=";

// The checksum of an appended record (FNV-1a, 64 bits) in hex: it tells a record written
// whole from one that a power loss tore.
std::string Checksum(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

// Applies one line of an undo entry to `r`; false when it is none.
bool ApplyUndoLine(IntentRecord& r, const std::string& key, const std::string& value) {
  if (key == "created") r.undo.push_back({false, value, {}, 0, {}});
  else if (key == "preserved") r.undo.push_back({true, value, {}, 0, {}});
  else if (key == "moved") r.undo.push_back({false, value, {}, 0, "\n"});  // "aside" follows
  else if (key == "aside" && !r.undo.empty() && r.undo.back().aside == "\n" && !value.empty()) {
    r.undo.back().aside = value;
  } else if (key == "mode" && !r.undo.empty() && r.undo.back().preserved) {
    r.undo.back().mode = static_cast<mode_t>(std::strtoul(value.c_str(), nullptr, 10));
  } else if (key == "bytes" && !r.undo.empty() && r.undo.back().preserved) {
    r.undo.back().bytes = value;
  } else {
    return false;
  }
  return true;
}

// Splits "key=value" and unescapes the value.
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  const std::optional<std::string> unescaped = Unescaped(line.substr(equals + 1));
  if (!unescaped) return false;
  key = line.substr(0, equals);
  value = *unescaped;
  return true;
}

}  // namespace

std::string CIntentJournal::Path() {
  const std::string folder = platform::NativePath(platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or(""));
  if (folder.empty()) return {};
  return platform::WithTrailingSeparator(folder) + "rvc_intent.journal";
}

std::string CIntentJournal::Serialise(const IntentRecord& r) {
  std::string out = std::string(kHeader) + "\n";
  Line(out, "operation", r.operation);
  Line(out, "datadir", r.dataFolder);
  Line(out, "label", r.label);
  Line(out, "name", r.name);
  Line(out, "folder", r.folder);
  Line(out, "built", r.built);
  Line(out, "type", r.type);
  Line(out, "first", r.firstName);
  Line(out, "keep", r.keepFolder ? "1" : "0");
  Line(out, "listcopy", r.hadListCopy ? "1" : "0");
  Line(out, "shortcuts", r.removeShortcuts ? "1" : "0");
  for (const std::string& folder : r.hotFolders) Line(out, "hotfolder", folder);
  Line(out, "step", r.step);
  for (const UndoEntry& entry : r.undo) UndoLines(out, entry);
  out += std::string(kEnd) + "\n";
  return out;
}

std::optional<IntentRecord> CIntentJournal::Parse(const std::string& text) {
  IntentRecord r;
  size_t at = 0;
  bool header = false, ended = false;
  while (!ended && at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) return std::nullopt;  // every line ends with a newline
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!header) {
      if (line != kHeader) return std::nullopt;
      header = true;
      continue;
    }
    if (line == kEnd) {
      ended = true;
      continue;
    }
    std::string key, value;
    if (!KeyValue(line, key, value)) return std::nullopt;
    if (key == "operation") r.operation = value;
    else if (key == "datadir") r.dataFolder = value;
    else if (key == "label") r.label = value;
    else if (key == "name") r.name = value;
    else if (key == "folder") r.folder = value;
    else if (key == "built") r.built = value;
    else if (key == "type") r.type = value;
    else if (key == "first") r.firstName = value;
    else if (key == "keep") r.keepFolder = value == "1";
    else if (key == "listcopy") r.hadListCopy = value == "1";
    else if (key == "shortcuts") r.removeShortcuts = value == "1";
    else if (key == "hotfolder") r.hotFolders.push_back(value);
    else if (key == "step") r.step = value;
    else if (!ApplyUndoLine(r, key, value)) return std::nullopt;
  }
  if (!ended || r.operation.empty() || r.dataFolder.empty()) return std::nullopt;
  // The appended records, each closed by its checksum. The first without a whole closing
  // line, or whose checksum fails, was torn: it and what follows are left out.
  for (size_t record = at; at < text.size();) {
    const size_t lineStart = at;
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    const std::string_view line(text.data() + lineStart, end - lineStart);
    at = end + 1;
    if (line.substr(0, kSum.size()) != kSum) continue;
    const std::string body = text.substr(record, lineStart - record);
    if (line.substr(kSum.size()) != Checksum(body)) break;
    for (size_t from = 0; from < body.size();) {
      const size_t to = body.find('\n', from);
      std::string key, value;
      if (!KeyValue(body.substr(from, to - from), key, value) || !ApplyUndoLine(r, key, value)) return std::nullopt;
      from = to + 1;
    }
    record = at;
  }
  for (const UndoEntry& entry : r.undo) {
    if (entry.aside == "\n") return std::nullopt;
  }
  return r;
}

CIntentJournal::CIntentJournal(IntentRecord record) : record_(std::move(record)) { Write(); }

CIntentJournal::~CIntentJournal() {
  if (appendFd_ >= 0) ::close(appendFd_);
}

void CIntentJournal::Write() {
  std::string error = "KW_DATA_RAVLINCONFIG is not set";
  if (Path().empty()) throw CRvcException(msg::kCreateFailed, "rvc_intent.journal", error);
  if (appendFd_ >= 0) ::close(appendFd_);
  appendFd_ = -1;
  // Write-ahead: the journal reaches the disk before the changes it covers, also when a
  // sync batch defers theirs.
  platform::AtomicFile file;
  file.FlushEvenInBatch();
  if (!file.Begin(Path()) || !file.Write(Serialise(record_)) || !file.Commit()) {
    throw CRvcException(msg::kCreateFailed, Path(), file.ErrorText());
  }
  // The records that follow are appended to this file; it is ours and whole.
  appendFd_ = ::open(Path().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
  if (afterWrite) afterWrite(record_);
}

// Appends the undo entries from `firstNew` on as one record and flushes it before the
// changes they cover are made. Where appending fails, the journal is written whole.
void CIntentJournal::Append(size_t firstNew) {
  std::string body;
  for (size_t i = firstNew; i < record_.undo.size(); ++i) UndoLines(body, record_.undo[i]);
  const std::string text = body + std::string(kSum) + Checksum(body) + "\n";
  struct stat before {};
  if (appendFd_ < 0 || ::fstat(appendFd_, &before) != 0) return Write();
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(appendFd_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (left > 0 || ::fdatasync(appendFd_) != 0) {
    // Whatever part of the record got there is cut off before the journal is written whole.
    [[maybe_unused]] const int ignored = ::ftruncate(appendFd_, before.st_size);
    return Write();
  }
  if (afterWrite) afterWrite(record_);
}

void CIntentJournal::Reached(const std::string& step) {
  record_.step = step;
  Write();
}

void CIntentJournal::NoteCreated(const std::string& path) {
  record_.undo.push_back({false, path, {}, 0, {}});
  Append(record_.undo.size() - 1);
}

void CIntentJournal::NotePreserved(const std::string& path, const std::string& bytes, mode_t mode) {
  record_.undo.push_back({true, path, bytes, mode, {}});
  Append(record_.undo.size() - 1);
}

void CIntentJournal::NoteMoved(const std::string& path, const std::string& aside) {
  record_.undo.push_back({false, path, {}, 0, aside});
  Append(record_.undo.size() - 1);
}

void CIntentJournal::NoteAll(std::vector<UndoEntry> entries) {
  if (entries.empty()) return;
  const size_t first = record_.undo.size();
  for (UndoEntry& entry : entries) record_.undo.push_back(std::move(entry));
  Append(first);
}

void CIntentJournal::Finish() {
  if (finished_) return;
  finished_ = true;
  if (appendFd_ >= 0) ::close(appendFd_);
  appendFd_ = -1;
  Remove();
}

std::optional<IntentRecord> CIntentJournal::Read() {
  const std::string path = Path();
  if (path.empty() || (::access(path.c_str(), F_OK) != 0 && errno == ENOENT)) return std::nullopt;
  std::string text;
  if (!platform::ReadWholeFile(path, text)) throw CRvcException(msg::kResourceDbError, path);
  std::optional<IntentRecord> record = Parse(text);
  if (!record) throw CRvcException(msg::kResourceDbError, path);
  return record;
}

void CIntentJournal::Remove() {
  const std::string path = Path();
  if (!path.empty() && ::unlink(path.c_str()) == 0) platform::SyncFolderOf(path);
}

}  // namespace rvc::lifecycle
