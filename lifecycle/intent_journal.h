// The durable intent journal of a multi-step operation on the installation (create,
// delete, change of type and modification of a dispatcher, the restore of a flavour or
// of dispatchers, the installer's jobs).
//
// Before its first change an operation writes what it is about to do into
// "rvc_intent.journal" beside the installation lock (the folder of KW_DATA_RAVLINCONFIG);
// it records each point it reaches and every undo entry (a path about to be created, a
// file about to be overwritten with its bytes) before the change it covers, and removes
// the journal after its last change. The journal and each point reached are written whole
// through the atomic file replacement; undo entries are appended to it as records with a
// checksum each and flushed, so that a long operation does not write its journal again
// for every entry, and a record torn by a power loss (whose change was therefore never
// made) is left out when the journal is read. Only the holder of the installation
// lock writes it, so there is at most one. lifecycle/recovery.h reads a journal left by a
// killed run and completes or rolls back the operation. See docs/reliability.md, "Crash
// recovery".
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rvc::lifecycle {

// One undo entry: a path that did not exist before (removed on rollback), a file with
// the bytes and permission bits it had (written back on rollback), or a path moved aside
// to `aside` in one rename (moved back on rollback, removed when the operation completes),
// which keeps big folders out of the journal.
struct UndoEntry {
  bool preserved = false;
  std::string path;
  std::string bytes;
  mode_t mode = 0;
  std::string aside;  // set: `path` is being moved there
};

struct IntentRecord {
  // "create", "delete", "change-type", "modify", "ripconfig" (a write of a dispatcher's
  // RIP configuration files, whose bytes before are the undo entries: rolled back) or
  // "restore" (rolled back until its step "committed", then completed by removing what it
  // moved aside).
  std::string operation;
  std::string dataFolder;  // the flavour's, ending with the separator
  std::string label;       // the flavour's version label, as in the shortcut names
  std::string name;        // the dispatcher's name
  std::string folder;      // create: the new folder; delete, change-type and modify: the existing one
  std::string built;       // change-type: the folder the replacement is built in; modify: the new folder
  std::string type;        // change-type: the new device type
  std::string firstName;   // change-type: the first dispatcher's name (its launcher is the fallback model)
  bool keepFolder = false;   // change-type: the replacement takes the old folder name back
  bool hadListCopy = false;  // change-type: the old dispatcher had an ini copy in the data folder
  bool removeShortcuts = false;  // delete: the launchers go too
  std::vector<std::string> hotFolders;  // change-type: hot folders made under the built name
  // The last point reached; "" before the first. See the operations for their points.
  std::string step;
  std::vector<UndoEntry> undo;  // oldest first
};

class CIntentJournal {
 public:
  // Writes `record` durably. Raises CRvcException 106 when it cannot be written: then
  // the operation must not begin.
  explicit CIntentJournal(IntentRecord record);
  // A journal that was not finished stays on disk for the recovery.
  ~CIntentJournal();
  CIntentJournal(const CIntentJournal&) = delete;
  CIntentJournal& operator=(const CIntentJournal&) = delete;

  const IntentRecord& Record() const { return record_; }
  IntentRecord& Edit() { return record_; }

  // Records that `step` was reached (and any changes made to Edit()), durably.
  void Reached(const std::string& step);
  // Undo entries, written durably before the change they cover.
  void NoteCreated(const std::string& path);
  void NotePreserved(const std::string& path, const std::string& bytes, mode_t mode);
  void NoteMoved(const std::string& path, const std::string& aside);
  // Several entries in one durable write (each undo copes with its change not made yet).
  void NoteAll(std::vector<UndoEntry> entries);
  // The operation is over (done, or rolled back in process): removes the journal.
  void Finish();

  // "rvc_intent.journal" in the folder of KW_DATA_RAVLINCONFIG; "" when the variable is
  // not set (then nothing is journaled: operations refuse to begin).
  static std::string Path();
  // The journal on disk; nothing when there is none. Raises CRvcException 109 with the
  // path when it cannot be read or is not a journal.
  static std::optional<IntentRecord> Read();
  // Removes the journal on disk (after a recovery).
  static void Remove();

  // Test hook: called after each write of a journal (tests stop the process there, as a
  // kill would).
  static inline std::function<void(const IntentRecord&)> afterWrite;

  // The text form (one "key=value" line per field, values escaped, up to the line "end"),
  // and back; Parse also takes the appended records that follow, each closed by the line
  // "sum=" + its checksum, up to the first that is torn.
  static std::string Serialise(const IntentRecord& record);
  static std::optional<IntentRecord> Parse(const std::string& text);

 private:
  void Write();
  void Append(size_t firstNew);
  IntentRecord record_;
  bool finished_ = false;
  int appendFd_ = -1;  // the journal written last, open for appending
};

}  // namespace rvc::lifecycle
