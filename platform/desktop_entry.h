// Launcher files in the freedesktop Desktop Entry format (".desktop").
//
// They stand in for the shell links of the platform the installation comes from: a
// launcher carries the program to start, its arguments and its working folder. The model
// keeps every line of a file it has read (comments, other groups, keys it does not know,
// localised variants), so a launcher rewritten through it changes only the keys that
// were set.
//
// Arguments are held in the form the installation's files use for them: one text, words
// separated by blanks, a word with blanks in double quotes (`Press01 "Press 1"`). In the
// file they become separate arguments of the "Exec" key, quoted and escaped as the
// Desktop Entry Specification requires; reading joins them again. See docs/shortcuts.md.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rvc::platform {

class DesktopEntry {
 public:
  static constexpr std::string_view kMainGroup = "Desktop Entry";

  // A new launcher: a "Desktop Entry" group with Type=Application and nothing else.
  DesktopEntry();

  // Reads the text of a file. False, with the reason in `error`, when it is not a
  // Desktop Entry file: a line that is neither a comment, a group header nor key=value,
  // a key before the first group, a group given twice, or no "Desktop Entry" group.
  static bool Parse(std::string_view text, DesktopEntry& entry, std::string* error = nullptr);
  // The file text: every line read, with the keys set since.
  std::string ToText() const;

  // Values of the "Desktop Entry" group with the string escapes (\s \n \t \r \\) undone;
  // nothing when the key is missing.
  std::optional<std::string> Get(std::string_view key) const;
  // Replaces the key's line, or adds it after the group's last key.
  void Set(std::string_view key, std::string_view value);
  void Remove(std::string_view key);

  // The visible name. Setting it drops its localised variants ("Name[de]"), which would
  // otherwise go on showing an old name in other languages.
  std::string Name() const { return Get("Name").value_or(""); }
  void SetName(std::string_view name);

  // Program and arguments from "Exec". False, with the reason, when the key cannot be
  // split (a quote that is never closed); a missing key gives two empty texts.
  bool GetCommand(std::string& program, std::string& arguments, std::string* error = nullptr) const;
  // Writes "Exec" from the program and the arguments text, and Type=Application.
  void SetCommand(std::string_view program, std::string_view arguments);

  // "Path", "Icon" and "Comment"; setting an empty text removes the key.
  std::string WorkingFolder() const { return Get("Path").value_or(""); }
  void SetWorkingFolder(std::string_view folder) { SetOrRemove("Path", folder); }
  std::string Icon() const { return Get("Icon").value_or(""); }
  void SetIcon(std::string_view icon) { SetOrRemove("Icon", icon); }
  std::string Comment() const { return Get("Comment").value_or(""); }
  void SetComment(std::string_view comment) { SetOrRemove("Comment", comment); }

 private:
  struct Group {
    std::string header;  // the line as read, "[name]"
    std::string name;
    std::vector<std::string> lines;  // every line after the header, as read or as set
  };

  void SetOrRemove(std::string_view key, std::string_view value);
  Group* MainGroup();
  const Group* MainGroup() const;

  std::vector<std::string> prelude_;  // comments and blank lines before the first group
  std::vector<Group> groups_;
};

// Whole-file helpers; false with the reason in `error` when reading, parsing or writing
// fails. Saving replaces the file atomically and makes it executable where it is
// readable, since desktops only start launchers whose file may be executed.
bool LoadDesktopEntry(const std::string& path, DesktopEntry& entry, std::string* error = nullptr);
bool SaveDesktopEntry(const std::string& path, const DesktopEntry& entry, std::string* error = nullptr);

// --- Exec quoting, exposed for tests ---

// One word of an arguments text; `quoted` when any part of it stood in double quotes.
struct CommandWord {
  std::string text;
  bool quoted = false;
};

// Splits an arguments text the way the installation's platform splits a command line:
// blanks and tabs separate words outside double quotes; backslashes are literal except
// before a double quote, where 2n backslashes give n and open or close the quotes, and
// 2n + 1 give n and a literal quote.
std::vector<CommandWord> SplitArgumentsText(std::string_view arguments);
// The inverse: words joined with single blanks; a word that was quoted, is empty or holds
// a blank, tab or double quote is written in double quotes.
std::string JoinArgumentsText(const std::vector<CommandWord>& words);

// The value of "Exec" (before the file's string escapes) for a program and its words: a
// word that holds a reserved character, is empty or was quoted goes in double quotes with
// " ` $ and \ escaped by a backslash; every "%" is doubled.
std::string BuildExecValue(std::string_view program, const std::vector<CommandWord>& words);
// Splits an "Exec" value (after the string escapes were undone) into the program (first
// word) and the argument words. "%%" becomes "%"; a word that is a bare field code (%f,
// %U, ...) is dropped, as a launcher started without files drops it. False, with the
// reason, when a quote is not closed. An empty value gives an empty program.
bool SplitExecValue(std::string_view exec, std::string& program, std::vector<CommandWord>& words,
                    std::string* error = nullptr);

}  // namespace rvc::platform
