// Folder trees of CRvcUtils: delete, create, copy, in-use check, folder picker and the
// all-users shortcut folders.
//
// The walks work on open folder descriptors (openat, unlinkat, ...) with O_NOFOLLOW, so
// that a symbolic link inside a tree is handled as the link itself and never leads the
// walk out of the tree, even when someone swaps a folder for a link meanwhile.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/environment.h"
#include "platform/file_copy.h"
#include "platform/open_files.h"
#include "platform/sync_batch.h"
#include "platform/path.h"
#include "platform/unique_fd.h"
#include "store/confinement.h"
#include "store/rvc_utils.h"
#include "ui/user_interface.h"

namespace rvc::store {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;

using Fd = platform::UniqueFd;

struct Entry {
  std::string name;
  unsigned char type;  // DT_* as the file system reports it; DT_UNKNOWN is asked again
};

// The entries of an open folder, read completely before anything is changed in it.
bool ReadEntries(int folder, std::vector<Entry>& entries) {
  int copy = ::dup(folder);
  if (copy < 0) return false;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return false;
  }
  ::rewinddir(dir);
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back(Entry{std::string(name), entry->d_type});
  }
  ::closedir(dir);
  return true;
}

unsigned char TypeOf(int folder, const Entry& entry) {
  if (entry.type != DT_UNKNOWN) return entry.type;
  struct stat st {};
  if (::fstatat(folder, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
  if (S_ISDIR(st.st_mode)) return DT_DIR;
  if (S_ISREG(st.st_mode)) return DT_REG;
  if (S_ISLNK(st.st_mode)) return DT_LNK;
  return DT_UNKNOWN;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == platform::kSeparator) path.pop_back();
  return path;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.rfind(platform::kSeparator);
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates `path` and its missing parents; never the root. True when it is a folder after.
bool MakeFolders(const std::string& path) {
  if (path.empty() || IsFolder(path)) return true;
  std::string parent = ParentOf(path);
  if (!parent.empty() && parent != "/" && !MakeFolders(parent)) return false;
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && IsFolder(path);
}

// --- DeleteTree ---

// Gives back the access a removal needs before it is tried again; when the change fails,
// the retry fails and reports the path.
void AllowAccess(int folder, const char* name, mode_t mode) {
  [[maybe_unused]] const int changed = ::fchmodat(folder, name, mode, 0);
}

class TreeDeleter {
 public:
  explicit TreeDeleter(bool ignoreErrors) : ignoreErrors_(ignoreErrors) {}

  // Removes everything inside the open folder `folder` (at `path`).
  void Empty(int folder, const std::string& path) {
    // A folder without write or search permission for us cannot be emptied.
    struct stat st {};
    if (::fstat(folder, &st) == 0 && (st.st_mode & S_IRWXU) != S_IRWXU) ::fchmod(folder, st.st_mode | S_IRWXU);

    std::vector<Entry> entries;
    if (!ReadEntries(folder, entries)) return Failed(path);
    for (const Entry& entry : entries) {
      const std::string child = platform::JoinPath(path, entry.name);
      if (TypeOf(folder, entry) == DT_DIR) {
        Fd sub(::openat(folder, entry.name.c_str(), kFolderFlags));
        if (!sub.ok() && errno == EACCES) {
          AllowAccess(folder, entry.name.c_str(), S_IRWXU);
          sub.reset(::openat(folder, entry.name.c_str(), kFolderFlags));
        }
        // Another file system mounted inside the tree (a network hot folder, say) is not
        // emptied; removing its mount point fails and is reported like any failure.
        struct stat subStat {};
        if (sub.ok() && ::fstat(sub.get(), &subStat) == 0 && subStat.st_dev == st.st_dev) Empty(sub.get(), child);
        if (::unlinkat(folder, entry.name.c_str(), AT_REMOVEDIR) != 0) Failed(child);
      } else {
        RemoveFile(folder, entry.name.c_str(), child);
      }
    }
  }

  // Removes one file or link (the link itself, never what it points to).
  void RemoveFile(int folder, const char* name, const std::string& path) {
    struct stat st {};
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
      AllowAccess(folder, name, (st.st_mode & 07777) | S_IWUSR);
    }
    if (::unlinkat(folder, name, 0) != 0) Failed(path);
  }

  void Failed(const std::string& path) const {
    if (!ignoreErrors_) throw CRvcException(msg::kDeleteFailed, path);
  }

 private:
  bool ignoreErrors_;
};

// --- CopyTree ---

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool Is(const struct stat& st) const { return st.st_dev == dev && st.st_ino == ino; }
};

// The names of a target folder that existed before the copy, so that an entry that
// differs only in case is reused instead of being created a second time.
class TargetNames {
 public:
  TargetNames(int folder, bool fresh) {
    if (fresh) return;
    std::vector<Entry> entries;
    ReadEntries(folder, entries);
    for (Entry& entry : entries) {
      byLower_.emplace(platform::ToLowerAscii(entry.name), entry.name);
      exact_.insert(std::move(entry.name));
    }
  }

  const std::string& For(const std::string& name) const {
    if (byLower_.empty() || exact_.count(name) != 0) return name;
    auto found = byLower_.find(platform::ToLowerAscii(name));
    return found == byLower_.end() ? name : found->second;
  }

 private:
  std::unordered_map<std::string, std::string> byLower_;
  std::unordered_set<std::string> exact_;
};

class TreeCopier {
 public:
  TreeCopier(const CopyOptions& options, FileId target) : options_(options), target_(target) {}

  bool Skipped(const std::string& name) const {
    for (const std::string& skip : options_.skipNames) {
      if (platform::EqualsNoCase(name, skip)) return true;
    }
    return false;
  }

  // Whether a subfolder of the source is the target itself (a target inside the source).
  bool IsTarget(int folder, const std::string& name) const {
    struct stat st {};
    return ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && target_.Is(st);
  }

  bool SkippedFile(unsigned char type, const std::string& relative) const {
    return type == DT_REG && options_.skipFile && options_.skipFile(relative);
  }

  static std::string Relative(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
  }

  // The number of files and links that a copy of the open folder visits.
  int Count(int folder, const std::string& relative = {}) const {
    std::vector<Entry> entries;
    ReadEntries(folder, entries);
    int count = 0;
    for (const Entry& entry : entries) {
      if (Skipped(entry.name)) continue;
      unsigned char type = TypeOf(folder, entry);
      if (type == DT_REG || type == DT_LNK) {
        if (!SkippedFile(type, Relative(relative, entry.name))) ++count;
      } else if (type == DT_DIR && !IsTarget(folder, entry.name)) {
        Fd sub(::openat(folder, entry.name.c_str(), kFolderFlags));
        if (sub.ok()) count += Count(sub.get(), Relative(relative, entry.name));
      }
    }
    return count;
  }

  void SetProgress(std::unique_ptr<ui::IProgress> progress) { progress_ = std::move(progress); }

  void Copy(int source, const std::string& sourcePath, int target, const std::string& targetPath, bool fresh,
            const std::string& relative = {}) {
    std::vector<Entry> entries;
    if (!ReadEntries(source, entries)) return CopyFailed(sourcePath, targetPath);
    TargetNames names(target, fresh);
    for (const Entry& entry : entries) {
      if (Skipped(entry.name)) continue;
      const std::string& targetName = names.For(entry.name);
      const std::string from = platform::JoinPath(sourcePath, entry.name);
      const std::string to = platform::JoinPath(targetPath, targetName);
      unsigned char type = TypeOf(source, entry);
      if (type == DT_DIR) {
        if (IsTarget(source, entry.name)) continue;
        CopyFolder(source, entry.name, from, target, targetName, to, Relative(relative, entry.name));
      } else if (SkippedFile(type, Relative(relative, entry.name))) {
        continue;
      } else if (type == DT_REG && options_.linkFiles &&
                 ::linkat(source, entry.name.c_str(), target, targetName.c_str(), 0) == 0) {
        if (progress_) progress_->Step();
      } else if (type == DT_REG && options_.twin &&
                 LinkedToTwin(source, entry.name, target, targetName, Relative(relative, entry.name))) {
        if (progress_) progress_->Step();
      } else if (type == DT_REG || type == DT_LNK) {
        const platform::CopyRequest request{.overwrite = options_.overwrite,
                                            .followSourceLink = false,
                                            .deferSync = true,
                                            .privateFolder = options_.privateTarget};
        if (platform::CopyFileAt(source, entry.name.c_str(), target, targetName.c_str(), request) ==
            platform::CopyOutcome::kFailed) {
          CopyFailed(from, to);
        }
        if (progress_) progress_->Step();
      }
      // Devices, pipes and sockets are no files of an installation; they are left out.
    }
  }

  void CopyFailed(const std::string& from, const std::string& to) const {
    if (options_.stopAtErrors) throw CRvcException(msg::kCopyFailed, from, to);
  }

  void CreateFailed(const std::string& folder) const {
    if (options_.stopAtErrors) throw CRvcException(msg::kCreateFailed, folder);
  }

 private:
  // Links the target to the caller's twin of the source file when both hold the same.
  bool LinkedToTwin(int source, const std::string& name, int target, const std::string& targetName,
                    const std::string& relative) const {
    const std::string twin = options_.twin(relative);
    if (twin.empty()) return false;
    Fd original(::openat(source, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    Fd copy(::open(twin.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat a {}, b {};
    if (!original.ok() || !copy.ok() || ::fstat(original.get(), &a) != 0 || ::fstat(copy.get(), &b) != 0) return false;
    // A twin of someone else's, or one shared already, could be written into later, and
    // the copy with it. A copy carries its source's modification time; a change of the
    // source after the copy was made shows in the source's change time.
    const auto notAfter = [](const struct timespec& x, const struct timespec& y) {
      return x.tv_sec < y.tv_sec || (x.tv_sec == y.tv_sec && x.tv_nsec <= y.tv_nsec);
    };
    if (!S_ISREG(b.st_mode) || b.st_uid != ::geteuid() || b.st_nlink != 1 || b.st_size != a.st_size ||
        b.st_mtim.tv_sec != a.st_mtim.tv_sec || b.st_mtim.tv_nsec != a.st_mtim.tv_nsec ||
        (b.st_mode & 07777) != (a.st_mode & 01777) || b.st_dev != target_.dev || !notAfter(a.st_ctim, b.st_ctim)) {
      return false;
    }
    return platform::LinkSameFile(twin, b, target, targetName.c_str());
  }

  void CopyFolder(int source, const std::string& name, const std::string& from, int target,
                  const std::string& targetName, const std::string& to, const std::string& relative) {
    Fd sub(::openat(source, name.c_str(), kFolderFlags));
    if (!sub.ok()) return CopyFailed(from, to);
    bool created = ::mkdirat(target, targetName.c_str(), 0777) == 0;
    // Something that is not a folder (a file, a link) where the folder belongs stays as
    // it is; the subtree cannot be copied.
    Fd subTarget(::openat(target, targetName.c_str(), kFolderFlags));
    if (!subTarget.ok()) return CreateFailed(to);
    Copy(sub.get(), from, subTarget.get(), to, created, relative);
  }

  const CopyOptions& options_;
  FileId target_;
  std::unique_ptr<ui::IProgress> progress_;
};

// The folder of the all-users shortcuts: an override from the environment, else the
// default (see docs/special-folders.md). Created when missing.
std::string SpecialFolder(const char* variable, const char* fallback) {
  std::string folder = platform::GetEnv(variable).value_or("");
  if (folder.empty()) folder = fallback;
  folder = WithoutTrailingSeparators(platform::NativePath(folder));
  if (folder.front() != platform::kSeparator) throw CRvcException(msg::kInternalError, "SHGetSpecialFolderLocation");
  folder = platform::ResolveNoCase(folder);
  if (!MakeFolders(folder)) throw CRvcException(msg::kInternalError, "SHGetPathFromIDList");
  return folder;
}

}  // namespace

void CRvcUtils::DeleteTree(const std::string& path, bool removeFolder, bool ignoreErrors) const {
  ListingScope::ForgetCurrent();
  const std::string root = platform::ResolveNoCase(WithoutTrailingSeparators(path));
  TreeDeleter deleter(ignoreErrors);
  struct stat st {};
  if (root.empty() || ::lstat(root.c_str(), &st) != 0) return;  // nothing there to delete
  if (!S_ISDIR(st.st_mode)) return deleter.RemoveFile(AT_FDCWD, root.c_str(), root);

  ui::WaitCursor wait;
  Fd folder(::open(root.c_str(), kFolderFlags));
  if (!folder.ok() && errno == EACCES) {
    ::chmod(root.c_str(), (st.st_mode & 07777) | S_IRWXU);
    folder.reset(::open(root.c_str(), kFolderFlags));
  }
  if (!folder.ok()) return deleter.Failed(root);
  deleter.Empty(folder.get(), root);
  if (removeFolder && ::rmdir(root.c_str()) != 0) deleter.Failed(root);
}

void CRvcUtils::DeleteTreeInside(const std::string& dataFolder, const std::string& path, bool removeFolder,
                                 bool ignoreErrors) const {
  ListingScope::ForgetCurrent();
  const std::string root = platform::WithTrailingSeparator(platform::ResolveNoCase(dataFolder));
  const std::string target = platform::ResolveNoCase(WithoutTrailingSeparators(path));
  RequireInsideDataFolder(root, target);

  std::vector<std::string> parts;
  for (size_t start = root.size(); start < target.size();) {
    size_t end = target.find(platform::kSeparator, start);
    if (end == std::string::npos) end = target.size();
    if (end > start) parts.push_back(target.substr(start, end - start));
    start = end + 1;
  }
  TreeDeleter deleter(ignoreErrors);
  // The data folder itself is the installation's, links and all.
  Fd folder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.ok()) return errno == ENOENT ? void() : deleter.Failed(root);
  std::string walked = root.substr(0, root.size() - 1);
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    walked = platform::JoinPath(walked, parts[i]);
    Fd next(::openat(folder.get(), parts[i].c_str(), kFolderFlags));
    if (!next.ok()) {
      if (errno == ENOENT) return;  // nothing there to delete
      if (errno == ELOOP || errno == ENOTDIR) throw CRvcException(msg::kDeleteFailed, target + ": " + walked + " is no folder");
      return deleter.Failed(walked);
    }
    folder = std::move(next);
  }

  const std::string& name = parts.back();
  struct stat st {};
  if (::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (!S_ISDIR(st.st_mode)) return deleter.RemoveFile(folder.get(), name.c_str(), target);

  ui::WaitCursor wait;
  Fd tree(::openat(folder.get(), name.c_str(), kFolderFlags));
  if (!tree.ok() && errno == EACCES) {
    AllowAccess(folder.get(), name.c_str(), (st.st_mode & 07777) | S_IRWXU);
    tree.reset(::openat(folder.get(), name.c_str(), kFolderFlags));
  }
  if (!tree.ok()) return deleter.Failed(target);
  deleter.Empty(tree.get(), target);
  if (removeFolder && ::unlinkat(folder.get(), name.c_str(), AT_REMOVEDIR) != 0) deleter.Failed(target);
}

void CRvcUtils::CreateFolderTree(const std::string& path) const {
  ListingScope::ForgetCurrent();
  std::string folder = path;
  if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') folder = folder.substr(1, folder.size() - 2);
  folder = WithoutTrailingSeparators(folder);
  if (folder.empty() || folder == "/") return;
  MakeFolders(platform::ResolveNoCase(folder));
}

void CRvcUtils::CopyTree(const std::string& source, const std::string& target, const CopyOptions& options) const {
  ListingScope::ForgetCurrent();
  const std::string from = platform::ResolveNoCase(WithoutTrailingSeparators(source));
  std::string to = platform::ResolveNoCase(WithoutTrailingSeparators(target));
  ui::WaitCursor wait;

  struct stat sourceStat {};
  const bool sourceExists = ::stat(from.c_str(), &sourceStat) == 0;
  if (sourceExists && !S_ISDIR(sourceStat.st_mode)) {
    // A single file: into the target folder when that exists, else to the target path.
    if (IsFolder(to)) {
      to = platform::JoinPath(to, from.substr(from.rfind(platform::kSeparator) + 1));
    } else if (!MakeFolders(ParentOf(to))) {
      if (options.stopAtErrors) throw CRvcException(msg::kCreateFailed, ParentOf(to));
      return;
    }
    std::unique_ptr<ui::IProgress> progress;
    if (options.showProgress) progress = ui::Current().BeginProgress("Progressing", 1);
    platform::CopyRequest request{options.overwrite, /*followSourceLink=*/true};
    if (platform::CopyFile(from, to, request) == platform::CopyOutcome::kFailed && options.stopAtErrors) {
      throw CRvcException(msg::kCopyFailed, from, to);
    }
    if (progress) progress->Step();
    return;
  }

  bool created = !IsFolder(to);
  if (!MakeFolders(to)) {
    if (options.stopAtErrors) throw CRvcException(msg::kCreateFailed, to);
    return;
  }
  if (!sourceExists) return;  // the target is created all the same

  Fd targetFolder(::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat targetStat {};
  if (!targetFolder.ok() || ::fstat(targetFolder.get(), &targetStat) != 0) {
    if (options.stopAtErrors) throw CRvcException(msg::kCreateFailed, to);
    return;
  }
  const FileId targetId{targetStat.st_dev, targetStat.st_ino};
  if (targetId.Is(sourceStat)) return;  // a folder copied onto itself
  TreeCopier copier(options, targetId);
  Fd sourceFolder(::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!sourceFolder.ok()) return copier.CopyFailed(from, to);
  if (options.showProgress) {
    copier.SetProgress(ui::Current().BeginProgress("Progressing", copier.Count(sourceFolder.get())));
  }
  copier.Copy(sourceFolder.get(), from, targetFolder.get(), to, created);
  // The files were copied without a flush each; one flush of the file system makes the
  // whole tree durable before the caller records it as done (or, in a batch, at its end).
  if (platform::SyncBatch::Active()) {
    platform::SyncBatch::Note(targetFolder.get());
  } else {
    ::syncfs(targetFolder.get());
  }
}

bool CRvcUtils::FolderInUse(const std::string& folder) {
  const std::string path = platform::ResolveNoCase(folder);
  if (!IsFolder(path)) return false;
  platform::TreeUseQuery query;
  query.firstOnly = true;
  query.ownWorkingDirectory = false;
  return !platform::FindTreeUses(path, query).empty();
}

std::string CRvcUtils::BrowseForFolder(const std::string& title, const std::string& startFolder) {
  ListingScope::ForgetCurrent();
  std::string chosen = ui::Current().BrowseForFolder(title, startFolder);
  return chosen.empty() ? chosen : platform::WithTrailingSeparator(chosen);
}

std::string CRvcUtils::GetSpecialFolder(bool desktop) {
  return desktop ? SpecialFolder("RAVLIN_DESKTOP_DIR", "/etc/skel/Desktop")
                 : SpecialFolder("RAVLIN_PROGRAMS_DIR", "/usr/local/share/applications");
}

}  // namespace rvc::store
