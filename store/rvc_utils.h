// CRvcUtils: the one utility class through which the system reads, rewrites, copies,
// merges and deletes the files of an installation. Failures raise CRvcException with the
// message number given in each comment.
//
// Paths are text in the platform's form; folders end with the separator. Every path
// that is opened or probed is resolved ignoring case (platform::ResolveNoCase), and
// patterns match ignoring case. The operations are split over several source files by
// theme (utils_paths.cpp, utils_text_files.cpp, utils_difference.cpp,
// utils_resources.cpp, utils_search.cpp, utils_tree.cpp, utils_text.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plugin_library.h"

namespace rvc::store {

struct CopyOptions {
  bool overwrite = true;               // replace files that exist in the target
  bool stopAtErrors = true;            // raise 105/106 at the first failure, else go on
  std::vector<std::string> skipNames;  // entries (files or folders) not copied, ignoring case
  bool showProgress = true;            // "Progressing" dialog with one bar through ui/
  // Regular files not copied, by their path relative to the source folder ("a/b.txt"):
  // a caller that overwrites some of the copy at once spares writing them twice.
  std::function<bool(const std::string& relative)> skipFile;
  // Regular files are hard-linked where source and target share a file system (copied
  // elsewhere, or when the target exists): for a source of ours that nothing writes into,
  // only replaces, so that the copy and the source never see each other's changes.
  bool linkFiles = false;
  // The target is a fresh folder of the caller's that nobody looks into before the caller
  // puts it in place whole, with one rename after the copy: its files are written at their
  // names directly instead of each through a temporary file and a rename
  // (platform::CopyRequest::privateFolder).
  bool privateTarget = false;
  // A copy of ours that may already hold a regular file, by the file's path relative to
  // the source folder ("" for none). When it is a copy of the file as it still is (the
  // same size, modification time and permission bits, ours, not linked elsewhere, and the
  // file not changed since the copy was made: its change time not after the copy's) on
  // the target's file system, the target becomes a hard link to it instead of a copy: for
  // a caller whose copies are never written into afterwards, only replaced.
  std::function<std::string(const std::string& relative)> twin;
};

class CRvcUtils {
 public:
  CRvcUtils();
  ~CRvcUtils();
  CRvcUtils(const CRvcUtils&) = delete;
  CRvcUtils& operator=(const CRvcUtils&) = delete;

  // --- Paths (utils_paths.cpp) ---
  // Expands %NAME% references (108 when the result exceeds 260 characters), turns "\"
  // into the platform separator and normalises the path through the path parser.
  std::string ExpandPath(std::string_view path) const;
  // As ExpandPath, keeping node, device and directory only; ends with the separator. A
  // last component without a trailing separator counts as a folder only when it is an
  // existing folder ("%TMP%"); an empty result stays empty. See docs/paths.md.
  std::string ExpandFolder(std::string_view path) const;
  // The name without its type ("zv_config" of ".../zv_config.res"), and the type
  // with its dot (".res"; "" when there is none).
  static std::string GetNamePart(const std::string& path);
  static std::string GetTypePart(const std::string& path);

  // --- Text-file rewrites (utils_text_files.cpp); 104, 111 ---
  // Each replaces the file through platform::AtomicFile; on failure (111 with the path
  // and the reason) the original is untouched. A file that cannot be read, or is a
  // symbolic link, raises 104.
  // Replaces the first occurrence (ignoring case) of `oldText` in each line; true when
  // no line changed.
  bool ReplaceInTextFile(const std::string& file, const std::string& oldText, const std::string& newText) const;
  void RenameIniFlavour(const std::string& iniFile, const std::string& oldFlavour, const std::string& newFlavour) const;
  void RenameIniDispatcher(const std::string& iniFile, const std::string& oldName, const std::string& newName) const;
  void SetIniCommandPort(const std::string& iniFile, int portSeparator) const;
  // (p / 1000) * 1000 + separator * 100 + p % 100.
  static long PortWithSeparator(long port, int portSeparator);

  // --- Difference files (utils_difference.cpp); 109 ---
  // An empty difference file name means the customised (or target) file name + "Dif".
  void MakeDifferenceFile(const std::string& templateFile, const std::string& customisedFile,
                          const std::string& differenceFile = {}) const;
  void ApplyDifferenceFile(const std::string& targetFile, const std::string& differenceFile = {}) const;

  // --- Resource operations (utils_resources.cpp) ---
  int GetPavoNetCommandPort(const std::string& resourceFile) const;  // 109; -1 if absent
  void SetEnvironmentItem(const std::string& resourceFile, const std::string& name,
                          const std::string& value) const;  // 109
  std::string GetResourcePath(const std::string& resourceFile, const std::string& topic,
                              const std::string& item) const;  // 109, 108
  // Loads the library named by the item (topic "All" as fallback) by its full path and
  // appends its folder to PATH; nothing when the file, the item or the library is missing.
  std::unique_ptr<platform::PluginLibrary> LoadPluginLibrary(const std::string& resourceFile, const std::string& topic,
                                                             const std::string& item) const;  // 109, 108
  static int CountTopics(const std::string& resourceFile);  // -1 if it cannot be opened
  // Topics 1 to n - 1 (the first topic is not listed); ListItemValues gives one value per
  // such topic, "" where the item is missing.
  static std::vector<std::string> ListTopicNames(const std::string& resourceFile);
  static std::vector<std::string> ListItemValues(const std::string& resourceFile, const std::string& item);

  // --- File searches (utils_search.cpp) ---
  // Equal at once when the names are equal ignoring case. Lines are compared lower-cased
  // without blanks and tabs; with a key only the lines containing it (ignoring case), also
  // without ":" and "=", and a key line of file 1 without partner in file 2 is skipped;
  // without a key lines are paired and file 2 ending first is unequal. 104 names the file.
  bool CompareFiles(const std::string& file1, const std::string& file2, const std::string& key = {}) const;
  // The comparison of CompareFiles on contents already read (the name check aside).
  static bool CompareTexts(std::string_view text1, std::string_view text2, const std::string& key = {});
  // Files (not folders) of `folder` matching `pattern`, in the order of their names
  // ignoring case. FoundName() is the bare file name; FoundTime() its last-write time in
  // nanoseconds since the epoch. A pattern may carry subfolders ("data/zv*.ini").
  bool FindFirstMatch(const std::string& folder, const std::string& pattern);
  bool FindNextMatch();
  // The names FindFirstMatch and FindNextMatch would walk, at once. `folder` receives the
  // folder's spelling on disk (that of ResolveNoCase, also when it cannot be read) joined
  // with the pattern's own folders.
  static std::vector<std::string> ListFiles(std::string& folder, const std::string& pattern);
  const std::string& FoundName() const { return foundName_; }
  int64_t FoundTime() const;
  // With `newest`: the newest file of `folder` matching `pattern` (of equal times the first
  // by name); else the first match in the folder or, failing that, in its subfolders depth
  // first (links to folders are not followed). On success `pattern` receives the full path
  // of the file found, which is what the callers go on with (copy, delete, derive a name).
  // Does not disturb a FindFirstMatch / FindNextMatch walk.
  bool FindNewestFile(const std::string& folder, std::string& pattern, bool newest);
  // FindNewestFile(folder, pattern, false) and, for when that finds nothing, what
  // FindNewestFile(folder, fallback, false) would find, in one walk of the tree: `fallback`
  // then receives that file's full path, or "" when there is none either (on success it
  // is left as it is).
  bool FindFileOrFallback(const std::string& folder, std::string& pattern, std::string& fallback);

  // While one lives, the searches of the thread (FindFirstMatch, ListFiles, FindNewestFile,
  // FindFileOrFallback) read each folder once and take its entries from memory after
  // that; times and link targets are still asked for on disk. For a series of searches
  // over folders that do not change meanwhile, such as loading one flavour: its folders
  // are walked for the list files and read again to rebuild the lists. The first folders
  // listed stay open meanwhile, so that the files found in them are opened relative to
  // them (store/listed_folders.h). Scopes nest (the innermost serves); the tree
  // operations and the folder dialog below forget what the scope holds, and close it, as
  // the folders may change under them.
  class ListingScope {
   public:
    ListingScope();
    ~ListingScope();
    ListingScope(const ListingScope&) = delete;
    ListingScope& operator=(const ListingScope&) = delete;
    // Forgets the listings of the thread's scope, if any.
    static void ForgetCurrent();

    struct Listings;

   private:
    std::unique_ptr<Listings> listings_;
    Listings* outer_;
  };

  // --- Folder trees (utils_tree.cpp) ---
  // A file (or a link, never what it points to) is made writable and deleted; a folder is
  // emptied under the wait cursor and removed when asked. A missing path is no error.
  void DeleteTree(const std::string& path, bool removeFolder, bool ignoreErrors) const;  // 107
  // DeleteTree for a dispatcher tree or a file of one: `path` must lie inside the flavour's
  // `dataFolder` (RequireInsideDataFolder raises 107 otherwise, whatever `ignoreErrors`
  // says), and the way from the data folder to it is opened folder by folder without
  // following links, so that a folder swapped for a link meanwhile is not walked through.
  void DeleteTreeInside(const std::string& dataFolder, const std::string& path, bool removeFolder,
                        bool ignoreErrors) const;  // 107
  // Unquotes, then creates missing parents and the folder; never the root. No errors.
  void CreateFolderTree(const std::string& path) const;
  // Copies a folder tree into `target` (created with its parents; 106), or a single file
  // to the path `target` or into the folder `target` (105). Links are copied as links;
  // devices, pipes and sockets are left out; a target inside the source is not copied
  // into itself. Files keep their permission bits and times. 105, 106.
  void CopyTree(const std::string& source, const std::string& target, const CopyOptions& options = {}) const;
  // True when a process holds a file, a mapping or its working folder below `folder`
  // (read from /proc as fuser does); the working folder of this process does not count,
  // its open files do. Not a folder: false.
  static bool FolderInUse(const std::string& folder);
  // The chosen folder ending with the separator, or "" when cancelled.
  static std::string BrowseForFolder(const std::string& title, const std::string& startFolder);
  // The all-users Desktop (true) or Programs menu folder (false), without a trailing
  // separator, created when missing; see docs/special-folders.md. 118.
  static std::string GetSpecialFolder(bool desktop);

  // --- Text (utils_text.cpp) ---
  static std::string BlanksToUnderscores(const std::string& text);
  static std::string RemoveBlanks(const std::string& text);
  static size_t CommonPrefixLength(std::string_view a, std::string_view b);
  static long FindLastNoCase(std::string_view text, std::string_view part);  // -1 if absent
  static long FindNoCase(std::string_view text, std::string_view part);
  // Index of the first digit run (or -1) and its value in `value`.
  static long ParseFirstNumber(std::string_view text, long& value);

 private:
  struct SearchState;
  std::unique_ptr<SearchState> search_;
  std::string foundName_;
  std::string foundFolder_;  // where FoundTime() asks when the listing did not
  mutable int64_t foundTime_ = 0;
};

}  // namespace rvc::store
