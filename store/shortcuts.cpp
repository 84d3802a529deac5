#include "store/shortcuts.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/desktop_entry.h"
#include "platform/path.h"

namespace rvc::store {
namespace {

constexpr std::string_view kExtension = ".desktop";

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind(platform::kSeparator) + 1); }

// The reason behind a 118 is not part of its message; the trace keeps it.
[[noreturn]] void Fail118(const char* step, const std::string& reason) {
  CRvcTrace("").Trace("Shortcut " + std::string(step) + ": " + reason);
  throw CRvcException(msg::kInternalError, step);
}

platform::DesktopEntry LoadShortcut(const std::string& path) {
  platform::DesktopEntry entry;
  std::string reason;
  if (!platform::LoadDesktopEntry(path, entry, &reason)) Fail118("Load", reason);
  return entry;
}

void SaveShortcut(const std::string& path, const platform::DesktopEntry& entry) {
  std::string reason;
  if (!platform::SaveDesktopEntry(path, entry, &reason)) Fail118("Save", path + ": " + reason);
}

void DeleteShortcut(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw CRvcException(msg::kDeleteFailed, path);
}

// Arguments of a launcher; an Exec key that cannot be split raises 118 with `step`.
void ReadCommand(const platform::DesktopEntry& entry, const char* step, std::string& program, std::string& arguments) {
  std::string reason;
  if (!entry.GetCommand(program, arguments, &reason)) Fail118(step, reason);
}

// Working folders are compared ignoring case, and with or without a closing separator,
// since callers pass folders that end with one and launchers usually hold them without.
bool SameFolder(const std::string& a, const std::string& b) {
  auto bare = [](const std::string& folder) {
    std::string out = platform::NativePath(folder);
    while (out.size() > 1 && out.back() == platform::kSeparator) out.pop_back();
    return out;
  };
  return platform::EqualsNoCase(bare(a), bare(b));
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

}  // namespace

CShortcuts::CShortcuts() = default;
CShortcuts::~CShortcuts() = default;

std::string CShortcuts::LabelInNames(std::string_view label) {
  std::string out(label);
  std::erase(out, 'V');
  return out;
}

std::string CShortcuts::CurrentFormName(std::string_view name, std::string_view label) {
  return std::string(name) + " " + LabelInNames(label) + " dispatcher" + std::string(kExtension);
}

std::string CShortcuts::OlderFormPattern(std::string_view name, std::string_view label) {
  return std::string(name) + " " + LabelInNames(label) + "* Dispatcher" + std::string(kExtension);
}

std::string CShortcuts::DispatcherArguments(std::string_view folder, std::string_view name) {
  return std::string(folder) + " \"" + std::string(name) + "\"";
}

std::string CShortcuts::ShortcutFolder(bool desktop) const {
  if (desktop) return platform::WithTrailingSeparator(CRvcUtils::GetSpecialFolder(true));
  const std::string group = platform::JoinPath(CRvcUtils::GetSpecialFolder(false), kProgramGroup);
  return platform::WithTrailingSeparator(platform::ResolveNoCase(group));
}

// ShortcutFolder, with the program menu's group made when it is missing: the menu shows
// the group once it exists, whether or not a launcher has been written yet. A group that
// cannot be made is no error here: looking finds nothing in it, and writing into it fails
// with the launcher's own error.
std::string CShortcuts::MadeShortcutFolder(bool desktop) const {
  const std::string folder = ShortcutFolder(desktop);
  if (!desktop) utils_.CreateFolderTree(folder);
  return folder;
}

// The folders searched for existing launchers: program-menu launchers may still lie in
// the group of older installations.
std::vector<std::string> CShortcuts::SearchFolders(bool desktop) const {
  std::vector<std::string> folders{MadeShortcutFolder(desktop)};
  if (!desktop) {
    const std::string older = platform::JoinPath(CRvcUtils::GetSpecialFolder(false), kOlderProgramGroup);
    folders.push_back(platform::WithTrailingSeparator(platform::ResolveNoCase(older)));
  }
  return folders;
}

std::vector<std::string> CShortcuts::Matches(const std::string& folder, std::string_view pattern) {
  std::vector<std::string> paths;
  if (utils_.FindFirstMatch(folder, std::string(pattern))) {
    do {
      paths.push_back(platform::JoinPath(folder, utils_.FoundName()));
    } while (utils_.FindNextMatch());
  }
  return paths;
}

std::string CShortcuts::FindDispatcherShortcut(const std::string& label, const std::string& name, bool desktop) {
  const std::vector<std::string> folders = SearchFolders(desktop);
  const std::string current = CurrentFormName(name, label);
  for (const std::string& folder : folders) {
    std::vector<std::string> found = Matches(folder, current);
    if (found.empty()) continue;
    auto exact =
        std::find_if(found.begin(), found.end(), [&](const std::string& p) { return FileNameOf(p) == current; });
    return exact != found.end() ? *exact : found.front();
  }
  const std::string older = OlderFormPattern(name, label);
  for (const std::string& folder : folders) {
    std::vector<std::string> found = Matches(folder, older);
    if (!found.empty()) return found.front();
  }
  return {};
}

std::string CShortcuts::WriteCurrentForm(platform::DesktopEntry& entry, const std::string& label,
                                         const std::string& name, bool desktop) {
  const std::string folder = MadeShortcutFolder(desktop);
  const std::string fileName = CurrentFormName(name, label);
  std::string target = folder + fileName;
  // Desktops show the Name key, not the file name; keep them telling the same.
  entry.SetName(fileName.substr(0, fileName.size() - kExtension.size()));
  SaveShortcut(target, entry);
  // One launcher per dispatcher: the current form replaces other spellings of its name.
  for (const std::string& other : Matches(folder, fileName)) {
    if (FileNameOf(other) != fileName) DeleteShortcut(other);
  }
  return target;
}

// Loads `model`, gives it the arguments and writes it as the dispatcher's launcher;
// `model` itself goes when `removeModel` is set.
bool CShortcuts::SaveFromModel(const std::string& model, bool removeModel, const std::string& label,
                               const std::string& name, const std::string& arguments, bool desktop) {
  platform::DesktopEntry entry = LoadShortcut(model);
  std::string program, oldArguments;
  ReadCommand(entry, "SetArguments", program, oldArguments);
  entry.SetCommand(program, arguments);
  const std::string target = WriteCurrentForm(entry, label, name, desktop);
  if (removeModel && !SameFile(model, target)) DeleteShortcut(model);
  return true;
}

bool CShortcuts::ChangeShortcut(const std::string& label, const std::string& name, const std::string& arguments,
                                bool desktop) {
  const std::string found = FindDispatcherShortcut(label, name, desktop);
  if (found.empty()) return false;
  return SaveFromModel(found, true, label, name, arguments, desktop);
}

bool CShortcuts::RefreshDispatcherShortcut(const std::string& label, const std::string& name,
                                           const std::string& arguments, bool desktop) {
  return ChangeShortcut(label, name, arguments, desktop);
}

bool CShortcuts::SetShortcutArguments(const std::string& label, const std::string& name, const std::string& arguments,
                                      bool desktop) {
  return ChangeShortcut(label, name, arguments, desktop);
}

bool CShortcuts::CopyDispatcherShortcut(const std::string& sourceName, const std::string& newName,
                                        const std::string& arguments, const std::string& label, bool desktop) {
  std::string source;
  if (sourceName.empty()) {
    for (const std::string& folder : SearchFolders(desktop)) {
      std::string pattern(kBothFormsPattern);
      if (utils_.FindNewestFile(folder, pattern, true)) {
        source = pattern;
        break;
      }
    }
  } else {
    source = FindDispatcherShortcut(label, sourceName, desktop);
  }
  if (source.empty()) return false;
  return SaveFromModel(source, false, label, newName, arguments, desktop);
}

bool CShortcuts::RestoreDispatcherShortcut(const std::string& copyFile, const std::string& label,
                                           const std::string& name, const std::string& arguments, bool desktop) {
  const std::string copy = platform::ResolveNoCase(copyFile);
  std::error_code error;
  if (!std::filesystem::is_regular_file(copy, error)) return false;
  return SaveFromModel(copy, false, label, name, arguments, desktop);
}

std::string CShortcuts::CreateDispatcherShortcut(const NewDispatcherShortcut& shortcut, bool desktop) {
  platform::DesktopEntry entry;
  entry.SetName(shortcut.name);  // replaced by the full name on writing; keeps the key near the top
  entry.SetComment(shortcut.comment);
  entry.SetCommand(shortcut.program, shortcut.arguments);
  entry.SetWorkingFolder(shortcut.workingFolder);
  entry.SetIcon(shortcut.icon);
  return WriteCurrentForm(entry, shortcut.label, shortcut.name, desktop);
}

bool CShortcuts::DeleteDispatcherShortcut(const std::string& label, const std::string& name, bool desktop) {
  bool deleted = false;
  for (const std::string& folder : SearchFolders(desktop)) {
    std::vector<std::string> found = Matches(folder, CurrentFormName(name, label));
    for (std::string& older : Matches(folder, OlderFormPattern(name, label))) {
      if (std::find(found.begin(), found.end(), older) == found.end()) found.push_back(std::move(older));
    }
    for (const std::string& path : found) {
      DeleteShortcut(path);
      deleted = true;
    }
  }
  return deleted;
}

void CShortcuts::DeleteStartPathShortcuts(const std::string& startFolder, bool desktop) {
  for (const std::string& folder : SearchFolders(desktop)) {
    for (const std::string& path : Matches(folder, kBothFormsPattern)) {
      platform::DesktopEntry entry = LoadShortcut(path);
      std::string program, arguments;
      ReadCommand(entry, "Get arguments", program, arguments);
      if (SameFolder(entry.WorkingFolder(), startFolder) && arguments.empty()) DeleteShortcut(path);
    }
  }
}

bool CShortcuts::FindStartPathShortcut(const std::string& startFolder, bool desktop, std::string* path) {
  for (const std::string& folder : SearchFolders(desktop)) {
    for (const std::string& candidate : Matches(folder, kBothFormsPattern)) {
      if (!SameFolder(LoadShortcut(candidate).WorkingFolder(), startFolder)) continue;
      if (path != nullptr) *path = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace rvc::store
