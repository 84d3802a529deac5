// What hostile or careless data may not do: name a dispatcher folder that leads out of the
// flavour's data folder, or a dispatcher name that breaks the lines of the files it is
// written into. The dispatcher list refuses such records when it loads them; creation
// refuses such names; every delete and move of a dispatcher tree checks its target here
// first. docs/lifecycle.md ("Hostile data") gives the rules and the reasons for them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rvc::store {

// The longest dispatcher name, in bytes. The name goes into ini lines (at most 4095
// characters, "papname=" + name + "_AT" and the like), into resource values read into
// 2048-byte buffers and into the launcher's file name, "<name> <label> dispatcher.desktop"
// plus a temporary suffix, which a Linux file system limits to 255 bytes: 128 leaves
// room for a label of 100 characters.
inline constexpr std::size_t kMaxDispatcherNameLength = 128;

// Why `folder` cannot be a dispatcher folder, or "" when it can. A dispatcher folder is
// one plain path component: not empty, neither "." nor "..", no "/" or "\" and no
// control character.
std::string FolderNameProblem(std::string_view folder);

// Why `name` cannot be a dispatcher name, or "" when it can: no control character (a line
// break would split the ini lines it is written into), no "/", "\", "*" or "?" (it is part
// of the launchers' file names and of the patterns that find them: "*" would delete every
// launcher) and at most kMaxDispatcherNameLength bytes. Where names are entered, message
// 126 refuses its nine characters first.
std::string DispatcherNameProblem(std::string_view name);

// `text` for a message or a plain listing: control characters, "\" and bytes that are no
// part of valid UTF-8 are written as "\xNN", so nothing printed can end a line early or
// steer a terminal.
std::string Printable(std::string_view text);

// Why `target` may not be deleted or moved as part of a dispatcher tree, or "" when it
// may: it must lie strictly inside `dataFolder` (the flavour's data folder, ending with
// the separator), without "." or ".." components, and no folder between the data folder
// and the target may be a symbolic link. The target itself may be one: deleting or
// renaming it touches the link only. `target` is taken as spelt (resolve the case first).
std::string OutsideDataFolder(const std::string& dataFolder, const std::string& target);

// Raises 107 "Failed to delete <target>: <reason>" when OutsideDataFolder finds a reason.
void RequireInsideDataFolder(const std::string& dataFolder, const std::string& target);

}  // namespace rvc::store
