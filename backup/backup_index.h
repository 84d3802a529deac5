// "BackupInfo.tmp": the index a backup folder holds of what it holds. The backup writes
// it; the restore reads it to learn the backed-up flavours and dispatchers.
//
// The file is a resource database (docs/resource-database.md): one topic per dispatcher,
// named by the dispatcher's name, flavour by flavour in catalogue order and within a
// flavour in list order, then the topic "_internal_". Two flavours may hold dispatchers of
// the same name, so a name may head two topics; the reader therefore keeps every topic by
// position and looks dispatchers up by flavour and name. docs/backup.md shows a whole file.
//
// A backup folder is data from elsewhere: the reader refuses a missing, truncated or
// binary index and every name or folder that could lead a copy out of its place (empty,
// "..", a path separator), raising CRvcException 109 "RDB error %s" with the index path
// and the reason. Whether a folder resolves inside a data folder is checked where the
// data folder is known (CheckFolderInside).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rvc::backup {

inline constexpr char kIndexFileName[] = "BackupInfo.tmp";
inline constexpr char kInternalTopic[] = "_internal_";
inline constexpr char kModeOriginal[] = "Orginal";  // spelt so in every index
inline constexpr char kModeClone[] = "Clone";

// Whether a device type keeps its PPD in the dispatcher's data folder: the name equals
// "fromPPD" or "_fromPPD" ignoring case, or holds "_fromppd" spelt exactly so.
bool IsPpdBasedType(std::string_view type);

// One dispatcher as the backup records it.
struct IndexEntry {
  std::string Flavour;  // the flavour's display name
  std::string Version;  // the flavour's version
  std::string Name;
  bool Original = false;  // the first dispatcher of its flavour's list
  std::string Folder;
  std::string Type;
  std::optional<std::string> PpdUsed;  // relative to the dispatcher's data folder
  int Base = 0;
  int Port = -1;  // -1 when the dispatcher's ini file names no command port
};

// Builds the index of one backup run and writes it whole, atomically.
class BackupIndexWriter {
 public:
  // `backupFolder` is the backup folder (with or without the trailing separator).
  explicit BackupIndexWriter(const std::string& backupFolder);

  const std::string& Path() const { return path_; }
  // Lists a flavour in "_internal_"/"Flavours" (in the order of the calls).
  void AddFlavour(std::string_view displayName);
  // Appends the dispatcher's topic.
  void AddDispatcher(const IndexEntry& entry);
  // The bytes Write() puts into the file.
  std::string Serialize() const;
  // Writes the file with the dispatcher topics and then "_internal_". 109 with the path
  // when it cannot be written.
  void Write() const;

 private:
  std::string path_;
  std::string flavours_;
  bool anyFlavour_ = false;
  std::string topics_;
};

// A dispatcher topic as read: its name and its items in file order.
struct IndexTopic {
  std::string Topic;
  std::vector<std::pair<std::string, std::string>> Items;

  // The first item of that name (ignoring case), or nothing.
  std::optional<std::string> Item(std::string_view name) const;
  // The items every dispatcher topic has (the reader refuses a topic without them).
  std::string Flavour() const { return Item("Flavour").value_or(""); }
  std::string Name() const { return Item("Name").value_or(""); }
  std::string Folder() const { return Item("Folder").value_or(""); }
  bool IsOriginal() const { return Item("Mode") == kModeOriginal; }
};

class BackupIndex {
 public:
  // Reads backupFolder + "/BackupInfo.tmp". Raises 109 naming the file and the reason
  // when the file is missing, unreadable, binary, truncated or holds a name, folder or
  // path that is refused.
  static BackupIndex Read(const std::string& backupFolder);
  // The same on bytes already read; `path` names the file in messages.
  static BackupIndex Parse(std::string_view bytes, const std::string& path);

  const std::string& Path() const { return path_; }
  // "_internal_"/"Flavours" split at "|"; nothing when the item is missing (the file
  // then names no backed-up flavour).
  const std::optional<std::vector<std::string>>& Flavours() const { return flavours_; }
  // Every dispatcher topic, in file order.
  const std::vector<IndexTopic>& Dispatchers() const { return dispatchers_; }
  // The dispatchers of one flavour (ignoring case), in file order.
  std::vector<const IndexTopic*> DispatchersOf(std::string_view flavour) const;
  // The dispatcher `name` of `flavour` (both ignoring case), or nullptr.
  const IndexTopic* Find(std::string_view flavour, std::string_view name) const;

 private:
  std::string path_;
  std::optional<std::vector<std::string>> flavours_;
  std::vector<IndexTopic> dispatchers_;
};

// Why `text` cannot be a name or folder read from a backup (a flavour, a dispatcher name
// or a dispatcher folder: each becomes one path component), or "" when it can: not empty,
// no "/" or "\", no "..", no control character.
std::string BackedUpNameProblem(std::string_view text);

// Raises 109 naming the index file when dataFolder + the topic's folder would not lie
// inside `dataFolder` (a folder on the way being a symbolic link).
void CheckFolderInside(const BackupIndex& index, const IndexTopic& topic, const std::string& dataFolder);

// backupFolder + "/" + flavour + "/" + name, the folder holding the dispatcher's copy.
// Raises 109 naming the index file when a folder on that way, or the folder itself, is a
// symbolic link: a backup is never followed out of itself.
std::string BackedUpDispatcherFolder(const BackupIndex& index, const std::string& backupFolder,
                                     const IndexTopic& topic);

}  // namespace rvc::backup
