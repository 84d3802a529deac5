// Desktop and program-menu shortcuts of dispatchers.
//
// Each dispatcher is started through a launcher on the all-users desktop and one in the
// "Orva" group of the all-users program menu; on this platform they are Desktop Entry
// files (platform/desktop_entry.h). They are found by their file names:
//   current form  Name + " " + label + " dispatcher.desktop"
//   older form    Name + " " + label + "* Dispatcher.desktop" (a pattern)
//   both forms    "*patcher.desktop"; any launcher "*.desktop"
// where every capital "V" is removed from the label first ("V10.1" gives "10.1").
// Matching ignores case. The launcher's arguments are the dispatcher's Folder, a blank and
// its Name in double quotes (DispatcherArguments).
//
// These operations belong with the other file operations of CRvcUtils; they live in a
// class of their own so that the shared utility header does not have to change for them.
// CShortcuts holds the CRvcUtils it searches with. Failures raise CRvcException:
//   118 "Internal error: %s failed" with the step: "Load" (a launcher that cannot be read
//       or parsed), "SetArguments" / "Get arguments" (an Exec key that cannot be split),
//       "Save" (a launcher that cannot be written), and the special-folder lookups;
//   107 "Failed to delete %s" when a launcher under an old name or place cannot be removed.
// See docs/shortcuts.md.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/rvc_utils.h"

namespace rvc::platform {
class DesktopEntry;
}

namespace rvc::store {

// What a launcher made from scratch starts.
struct NewDispatcherShortcut {
  std::string name;           // dispatcher Name
  std::string label;          // the flavour's version label
  std::string program;        // the RIP program to start
  std::string arguments;      // DispatcherArguments(Folder, Name)
  std::string workingFolder;  // start path
  std::string icon;           // optional
  std::string comment;        // optional
};

class CShortcuts {
 public:
  static constexpr std::string_view kProgramGroup = "Orva";
  static constexpr std::string_view kOlderProgramGroup = "Orva-Graphics";
  static constexpr std::string_view kBothFormsPattern = "*patcher.desktop";
  static constexpr std::string_view kAnyPattern = "*.desktop";

  CShortcuts();
  ~CShortcuts();
  CShortcuts(const CShortcuts&) = delete;
  CShortcuts& operator=(const CShortcuts&) = delete;

  static std::string LabelInNames(std::string_view label);  // every "V" removed
  static std::string CurrentFormName(std::string_view name, std::string_view label);
  static std::string OlderFormPattern(std::string_view name, std::string_view label);
  // Folder + " \"" + Name + "\"".
  static std::string DispatcherArguments(std::string_view folder, std::string_view name);

  // The all-users desktop folder, or the program menu's "Orva" group; ends with the
  // separator. The desktop folder is created when missing; the group is created (with
  // its parents) by every operation below that looks for, writes or deletes launchers,
  // not by this lookup of its name, so that callers can tell whether it was there.
  std::string ShortcutFolder(bool desktop) const;

  // The dispatcher's launcher: the current form first (in the "Orva" group, then in
  // "Orva-Graphics"), else the first older-form one; "" when there is none.
  std::string FindDispatcherShortcut(const std::string& label, const std::string& name, bool desktop);

  // Finds the dispatcher's launcher, sets its arguments and saves it under the current-form
  // name in the current folder: an older-form name is replaced, and a program-menu launcher
  // leaves "Orva-Graphics" for "Orva". False when the dispatcher has no launcher.
  bool RefreshDispatcherShortcut(const std::string& label, const std::string& name, const std::string& arguments,
                                 bool desktop);
  // The same change for callers that only replace the arguments; also false when the
  // dispatcher has no launcher.
  bool SetShortcutArguments(const std::string& label, const std::string& name, const std::string& arguments,
                            bool desktop);

  // Makes the launcher of `newName` from that of `sourceName` (current form, else older
  // form; an empty source name takes the newest "*patcher.desktop") with new arguments;
  // the source stays. False when there is no source launcher.
  bool CopyDispatcherShortcut(const std::string& sourceName, const std::string& newName, const std::string& arguments,
                              const std::string& label, bool desktop);

  // Makes the dispatcher's launcher from a saved copy of one (any file name); the copy
  // stays. False when the copy does not exist.
  bool RestoreDispatcherShortcut(const std::string& copyFile, const std::string& label, const std::string& name,
                                 const std::string& arguments, bool desktop);

  // Writes a launcher from scratch under the current-form name; returns its path. For
  // installations that have no launcher left to copy.
  std::string CreateDispatcherShortcut(const NewDispatcherShortcut& shortcut, bool desktop);

  // Deletes the current-form and the older-form launchers of the dispatcher; true when one
  // was there.
  bool DeleteDispatcherShortcut(const std::string& label, const std::string& name, bool desktop);

  // Deletes every "*patcher.desktop" whose working folder is `startFolder` (ignoring case
  // and a trailing separator) and that has no arguments: the launchers of installations
  // that started the program without naming a dispatcher.
  void DeleteStartPathShortcuts(const std::string& startFolder, bool desktop);

  // Whether a "*patcher.desktop" with that working folder exists; `path` receives the
  // first one.
  bool FindStartPathShortcut(const std::string& startFolder, bool desktop, std::string* path = nullptr);

 private:
  std::vector<std::string> SearchFolders(bool desktop) const;
  std::string MadeShortcutFolder(bool desktop) const;
  std::vector<std::string> Matches(const std::string& folder, std::string_view pattern);
  bool ChangeShortcut(const std::string& label, const std::string& name, const std::string& arguments, bool desktop);
  std::string WriteCurrentForm(platform::DesktopEntry& entry, const std::string& label, const std::string& name,
                               bool desktop);
  bool SaveFromModel(const std::string& model, bool removeModel, const std::string& label, const std::string& name,
                     const std::string& arguments, bool desktop);

  CRvcUtils utils_;
};

}  // namespace rvc::store
