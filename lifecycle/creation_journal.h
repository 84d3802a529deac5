// An undo log for operations that build something on disk in many steps and must leave
// everything as it was when one of them fails.
//
// Callers note each change before making it: a path about to be created, a file about to
// be overwritten or deleted, or any other undo action (a list entry). Rollback() undoes
// them in reverse order; Commit() forgets them. Anything inside a path noted as created
// needs no entry of its own: removing that path removes it. With a durable intent journal
// attached, every path and preserved file is also written there before the change, so
// that a killed run can be rolled back by the next start (lifecycle/recovery.h).
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace rvc::lifecycle {

class CIntentJournal;

class CCreationJournal {
 public:
  CCreationJournal() = default;
  ~CCreationJournal();  // rolls back unless committed
  CCreationJournal(const CCreationJournal&) = delete;
  CCreationJournal& operator=(const CCreationJournal&) = delete;

  // `path` (a file or a folder) does not exist yet and is about to be created; rollback
  // removes it with everything inside. With `dataFolder`, only while it lies inside that
  // folder (CRvcUtils::DeleteTreeInside).
  void Created(const std::string& path, const std::string& dataFolder = {});
  // The folder `path` and its missing parents are about to be created: notes the
  // outermost folder of it that does not exist yet (nothing when `path` exists).
  void CreatingFolders(const std::string& path);
  // Keeps the bytes, permission bits and times of the file `path` before it is
  // overwritten or deleted; a file that does not exist is noted as created instead.
  // False when the file exists but cannot be read (then nothing is noted).
  bool Preserve(const std::string& path);
  void OnRollback(std::function<void()> undo);
  // Copies every later path and preserved file into `durable` (null: no longer).
  void WriteThrough(CIntentJournal* durable) { durable_ = durable; }

  // Undoes every noted change, newest first. Never throws: a change that cannot be
  // undone is traced and the others are still undone. True when everything was undone.
  bool Rollback() noexcept;
  void Commit() { entries_.clear(); }
  bool Empty() const { return entries_.empty(); }

 private:
  struct Entry {
    enum class Kind { Created, Preserved, Action } kind = Kind::Created;
    std::string path;
    std::string dataFolder;  // Created: the folder it must lie inside, if any
    std::string bytes;
    mode_t mode = 0;
    struct timespec times[2] = {};
    std::function<void()> undo;
  };
  std::vector<Entry> entries_;
  CIntentJournal* durable_ = nullptr;
};

}  // namespace rvc::lifecycle
