#include "lifecycle/creation_journal.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <exception>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/intent_journal.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::lifecycle {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of(platform::kSeparator);
  if (slash == std::string::npos || slash == 0) return {};
  return path.substr(0, slash);
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == platform::kSeparator) path.pop_back();
  return path;
}

}  // namespace

CCreationJournal::~CCreationJournal() {
  if (!entries_.empty()) Rollback();
}

void CCreationJournal::Created(const std::string& path, const std::string& dataFolder) {
  Entry entry;
  entry.kind = Entry::Kind::Created;
  entry.path = WithoutTrailingSeparators(path);
  entry.dataFolder = dataFolder;
  if (durable_ != nullptr) durable_->NoteCreated(entry.path);
  entries_.push_back(std::move(entry));
}

void CCreationJournal::CreatingFolders(const std::string& path) {
  std::string missing;
  for (std::string folder = WithoutTrailingSeparators(platform::ResolveNoCase(path));
       !folder.empty() && folder != "/" && !Exists(folder); folder = ParentOf(folder)) {
    missing = folder;
  }
  if (!missing.empty()) Created(missing);
}

bool CCreationJournal::Preserve(const std::string& path) {
  const std::string resolved = platform::ResolveNoCase(path);
  struct stat st {};
  if (::lstat(resolved.c_str(), &st) != 0) {
    Created(resolved);
    return true;
  }
  Entry entry;
  entry.kind = Entry::Kind::Preserved;
  entry.path = resolved;
  if (!platform::ReadWholeFile(resolved, entry.bytes)) return false;
  entry.mode = st.st_mode & 07777;
  entry.times[0] = st.st_atim;
  entry.times[1] = st.st_mtim;
  if (durable_ != nullptr) durable_->NotePreserved(entry.path, entry.bytes, entry.mode);
  entries_.push_back(std::move(entry));
  return true;
}

void CCreationJournal::OnRollback(std::function<void()> undo) {
  Entry entry;
  entry.kind = Entry::Kind::Action;
  entry.undo = std::move(undo);
  entries_.push_back(std::move(entry));
}

bool CCreationJournal::Rollback() noexcept {
  bool complete = true;
  store::CRvcUtils utils;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    try {
      switch (it->kind) {
        case Entry::Kind::Created:
          // Remove what can be removed, then tell whether anything stayed.
          if (it->dataFolder.empty()) {
            utils.DeleteTree(it->path, /*removeFolder=*/true, /*ignoreErrors=*/true);
          } else {
            utils.DeleteTreeInside(it->dataFolder, it->path, /*removeFolder=*/true, /*ignoreErrors=*/true);
          }
          if (Exists(it->path)) throw CRvcException(msg::kDeleteFailed, it->path);
          break;
        case Entry::Kind::Preserved: {
          std::string error;
          if (!platform::WriteFileAtomically(it->path, it->bytes, &error)) throw CRvcException(msg::kCreateFailed, it->path, error);
          ::chmod(it->path.c_str(), it->mode);
          ::utimensat(AT_FDCWD, it->path.c_str(), it->times, AT_SYMLINK_NOFOLLOW);
          break;
        }
        case Entry::Kind::Action:
          it->undo();
          break;
      }
    } catch (const CRvcException& e) {
      complete = false;
      CRvcTrace("").Trace("Rollback incomplete: " + e.Message());
    } catch (const std::exception& e) {
      complete = false;
      CRvcTrace("").Trace(std::string("Rollback incomplete: ") + e.what());
    } catch (...) {
      complete = false;
    }
  }
  entries_.clear();
  return complete;
}

}  // namespace rvc::lifecycle
