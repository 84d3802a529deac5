// Line-by-line rewrites of text files (dispatcher ini files, swap files, queue files).
//
// The new text replaces the file through platform::AtomicFile, so the file is either
// wholly old or wholly new. Links are never followed: a symbolic link in the file's place
// is refused as a file that cannot be opened.
//
// Lines may be of any length; each keeps its own line end (LF or CRLF), and a missing
// final line end stays missing.
#include <functional>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

// Changes one line (without its line end) in place; true when it changed.
using LineEditor = std::function<bool(std::string& line)>;

// Applies `edit` to every line; true when some line changed.
bool EditLines(const std::string& bytes, std::string& out, const LineEditor& edit) {
  bool changed = false;
  out.reserve(bytes.size() + bytes.size() / 8);
  size_t pos = 0;
  std::string line;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    size_t next = end == std::string::npos ? bytes.size() : end + 1;
    size_t contentEnd = end == std::string::npos ? bytes.size() : end;
    if (contentEnd > pos && bytes[contentEnd - 1] == '\r') --contentEnd;
    line.assign(bytes, pos, contentEnd - pos);
    if (edit(line)) changed = true;
    out += line;
    out.append(bytes, contentEnd, next - contentEnd);  // the line's own end, if any
    pos = next;
  }
  return changed;
}

// Rewrites `file` through an atomic replacement; true when some line changed. 104 when
// the file cannot be read (or is a link), 111 with the path and the reason when it cannot be replaced.
bool RewriteTextFile(const std::string& file, const LineEditor& edit) {
  const std::string path = platform::ResolveNoCase(file);
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes, /*followLinks=*/false)) throw CRvcException(msg::kOpenFailed, path);
  std::string out;
  const bool changed = EditLines(bytes, out, edit);
  platform::AtomicFile replacement;
  if (!replacement.Begin(path) || !replacement.Write(out) || !replacement.Commit()) {
    throw CRvcException(msg::kSystemError, path, replacement.ErrorText());
  }
  return changed;
}

bool ContainsNoCase(std::string_view text, std::string_view part) { return CRvcUtils::FindNoCase(text, part) >= 0; }

bool IsSeparatorChar(char c) { return c == '\\' || c == '/'; }

// Start of the last occurrence of `name` (ignoring case) enclosed in separators, at the
// position of the separator before it; -1 when there is none. Installation files write
// "\", files written on this platform "/"; either counts.
long FindLastEnclosed(std::string_view line, std::string_view name) {
  if (name.empty() || line.size() < name.size() + 2) return -1;
  for (size_t i = line.size() - name.size() - 1; i >= 1; --i) {
    if (IsSeparatorChar(line[i - 1]) && IsSeparatorChar(line[i + name.size()]) &&
        platform::EqualsNoCase(line.substr(i, name.size()), name)) {
      return static_cast<long>(i - 1);
    }
  }
  return -1;
}

// Index of the last "=" of the line, -1 when there is none.
long LastEquals(std::string_view line) {
  size_t eq = line.rfind('=');
  return eq == std::string_view::npos ? -1 : static_cast<long>(eq);
}

}  // namespace

long CRvcUtils::PortWithSeparator(long port, int portSeparator) {
  return (port / 1000) * 1000 + static_cast<long>(portSeparator) * 100 + port % 100;
}

bool CRvcUtils::ReplaceInTextFile(const std::string& file, const std::string& oldText,
                                  const std::string& newText) const {
  bool changed = RewriteTextFile(file, [&](std::string& line) {
    if (oldText.empty()) return false;
    long at = FindNoCase(line, oldText);
    if (at < 0) return false;
    line.replace(static_cast<size_t>(at), oldText.size(), newText);
    return true;
  });
  return !changed;
}

void CRvcUtils::RenameIniFlavour(const std::string& iniFile, const std::string& oldFlavour,
                                 const std::string& newFlavour) const {
  if (oldFlavour.empty() || platform::EqualsNoCase(oldFlavour, newFlavour)) return;
  RewriteTextFile(iniFile, [&](std::string& line) {
    long target;
    size_t nameOffset;  // from the target to the name itself
    if (ContainsNoCase(line, "kw_data_") || ContainsNoCase(line, "kw_prog_")) {
      target = FindLastEnclosed(line, oldFlavour);
      nameOffset = 1;
    } else if (ContainsNoCase(line, "flavor")) {
      target = FindLastNoCase(line, oldFlavour);
      nameOffset = 0;
    } else {
      return false;
    }
    // Only the value, after the last "=", is renamed; a line without "=" has none.
    long eq = LastEquals(line);
    if (target < 0 || eq < 0 || target <= eq) return false;
    line.replace(static_cast<size_t>(target) + nameOffset, oldFlavour.size(), newFlavour);
    return true;
  });
}

void CRvcUtils::RenameIniDispatcher(const std::string& iniFile, const std::string& oldName,
                                    const std::string& newName) const {
  if (oldName.empty() || oldName == newName) return;
  RewriteTextFile(iniFile, [&](std::string& line) {
    if (!ContainsNoCase(line, "papname") && !ContainsNoCase(line, "pipename") && !ContainsNoCase(line, "kw_cpu")) {
      return false;
    }
    long at = FindLastNoCase(line, oldName);
    if (at < 0) return false;
    line.replace(static_cast<size_t>(at), oldName.size(), newName);
    return true;
  });
}

void CRvcUtils::SetIniCommandPort(const std::string& iniFile, int portSeparator) const {
  RewriteTextFile(iniFile, [&](std::string& line) {
    if (!ContainsNoCase(line, "commandport") && !ContainsNoCase(line, "tcp_")) return false;
    long port = 0;
    long at = ParseFirstNumber(line, port);
    if (at < 0) return false;
    size_t end = static_cast<size_t>(at);
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
    std::string replacement = std::to_string(PortWithSeparator(port, portSeparator));
    line.replace(static_cast<size_t>(at), end - static_cast<size_t>(at), replacement);
    return true;
  });
}

}  // namespace rvc::store
