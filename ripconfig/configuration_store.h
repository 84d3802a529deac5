// ConfigurationStore: the RIP configuration of one dispatcher, read from its
// "zv_config.res" and the companion files next to it (docs/ripconfig-files.md), changed
// in memory through the records it hands out, and written back under an advisory write
// lock. The ravlcfg_* functions (ripconfig/ravlcfg.h) are a thin layer over it.
//
// Problems are not thrown: opening collects errors (a companion file missing or
// unreadable, a required item missing, a number that does not read) and warnings
// (references to media or sets that do not exist, list entries without a topic, ...);
// refused operations leave their reason as the only error message.
//
// Names of configurations, media, sets and name records are compared ignoring case.
// Records handed out stay valid until they are deleted or the store is destroyed.
//
// Opening checks the files and lists their names without building a record: an editor
// that only shows the configuration names (the General page) never needs the records.
// They are built, once, when anything first asks for one, and are then what they would
// have been had opening built them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"
#include "ripconfig/records.h"
#include "ripconfig/resource_scan.h"
#include "ripconfig/write_lock.h"

namespace rvc::store {
class ResourceDb;
}

namespace rvc::ripconfig {

// File, topic and item names of the configuration files.
namespace files {
inline constexpr const char* kConfig = "zv_config.res";
inline constexpr const char* kFilm = "zv_film.res";
inline constexpr const char* kPlate = "zv_plate.res";
inline constexpr const char* kRecorder = "zv_recorder.res";
inline constexpr const char* kNames = "data\\zv_names.res";  // relative to the folder of zv_config.res
}  // namespace files

class ConfigurationStore {
 public:
  // What changed since the store was opened. Recorder limits count as media.
  struct Changes {
    bool confs = false;  // configurations, the configuration in use, the origin text
    bool films = false;  // media and recorder limits
    bool sets = false;   // resolution sets and their entries
    bool names = false;  // name records
    bool Any() const { return confs || films || sets || names; }
  };

  // Reads `configPath` (".../data/zv_config.res"; "\" separators and any case accepted)
  // and its companions. Nothing when zv_config.res itself cannot be read; `reason` then
  // says why. Problems of the companions are in Errors() / Warnings().
  static std::unique_ptr<ConfigurationStore> Open(const std::string& configPath, std::string* reason = nullptr);

  ConfigurationStore(const ConfigurationStore&) = delete;
  ConfigurationStore& operator=(const ConfigurationStore&) = delete;
  ~ConfigurationStore();  // lets the write lock go; unwritten changes are dropped

  const std::vector<std::string>& Errors() const { return errors_; }
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // --- Write lock and writing ---
  // Waits up to `waitSeconds` (0: tries once). False, with the reason as the error
  // message, when another process or handle holds it.
  bool GainWriteLock(int waitSeconds = 0);
  void ReleaseWriteLock();
  bool HasWriteLock() const { return lock_ != nullptr && lock_->Held(); }
  // Stores every change since opening (or the last Write) and replaces, atomically, only
  // the files whose content changes. Refused (false, reason in the errors) without the
  // write lock, when a record cannot be stored (no name, a blank in a configuration or
  // set name, a name used twice), when a file to be replaced could not be read at
  // opening or was changed on disk by someone else since. A failed replacement leaves
  // that file as it was.
  bool Write();
  Changes Changed() const;

  // --- Records ---
  BaseRecord& Base();
  // Refreshes the names and counts of the base record from the lists.
  void SetLists();
  RecorderRecord& Recorder() { return recorder_; }

  std::vector<ConfigRecord*> Confs() const;
  std::vector<FilmRecord*> Films() const;
  std::vector<ResolutionSet*> Sets() const;
  std::vector<NameRecord*> Names() const;
  int ConfCount() const;
  int FilmCount() const;
  int SetCount() const;
  int NameCount() const;

  ConfigRecord* FindConf(std::string_view name) const;
  FilmRecord* FindFilm(std::string_view name) const;
  ResolutionSet* FindSet(std::string_view name) const;
  NameRecord* FindName(std::string_view name) const;

  // The configuration that GetResInfo made current; initially the one in use.
  ConfigRecord* Current() const;
  // Makes that configuration the current one; nullptr (current unchanged) when unknown.
  ConfigRecord* GetResInfo(std::string_view name);
  // The media of the current configuration, or nullptr when it names none that exists.
  FilmRecord* CurrentFilm() const;
  bool SetUsedConf(std::string_view name);

  // New records, appended to their list, for the caller to fill. A configuration starts
  // as a copy of the first one (name empty); a set holds `entries` copies of the
  // template entry (the first entry of the first set); an added resolution is a copy of
  // the template entry in that set (nullptr when the set does not exist).
  ConfigRecord* NewConf();
  FilmRecord* AddFilm();
  ResolutionSet* NewSet(int entries);
  ResolutionEntry* AddResolution(std::string_view set);
  ResolutionEntry TemplateEntry() const;

  bool ExistResolution(std::string_view set, double dpi) const;
  bool UseGamma(std::string_view set, double dpi, bool use);

  // Deletions; false, with the reason as the only error message, when refused: the name
  // does not exist, it is the last of its kind, it is the configuration in use, or a
  // configuration refers to the media or set.
  bool DeleteConf(std::string_view name);
  bool DeleteFilm(std::string_view name);
  bool DeleteSet(std::string_view name);
  bool DeleteResolution(std::string_view set, double dpi);

  // --- Files ---
  const std::string& ConfigPath() const { return configPath_; }
  const std::string& FilmPath() const { return filmPath_; }  // zv_film.res or zv_plate.res
  const std::string& RecorderPath() const { return recorderPath_; }
  const std::string& NamesPath() const { return namesPath_; }
  bool IsPlate() const { return isPlate_; }

 private:
  template <class R>
  struct Slot {
    uint64_t id;
    std::unique_ptr<R> record;
  };
  // A set by value, for snapshots.
  struct SetValue {
    std::string name;
    std::vector<ResolutionEntry> entries;
    bool operator==(const SetValue&) const = default;
  };
  // The records as last stored in (or read from) the files, keyed by slot id. Sets are
  // shared between snapshots while they do not change: a large configuration holds
  // thousands of resolutions, and a write after one change should not copy them all.
  struct Snapshot {
    std::vector<std::pair<uint64_t, ConfigRecord>> confs;
    std::vector<std::pair<uint64_t, FilmRecord>> films;
    std::vector<std::pair<uint64_t, std::shared_ptr<const SetValue>>> sets;
    std::vector<std::pair<uint64_t, NameRecord>> names;
    RecorderRecord recorder;
    std::string used;
    std::string origin;
  };
  // One file as read or last written: its bytes, or nothing when it could not be read,
  // and those bytes parsed, kept so that a write need not parse them again. Opening
  // scans the bytes (`scan`, what the records are read from) and leaves the parsing to the
  // first write, unless the scan needs the database.
  struct FileState {
    std::string path;
    std::optional<std::string> bytes;
    std::shared_ptr<store::ResourceDb> db;
    std::unique_ptr<ResourceScan> scan;  // of the bytes as read, until a write changes them
  };

  // What opening found of the lists before any record is built: their names, as views
  // into the bytes kept from opening (which do not change before the records exist).
  struct Listing {
    std::vector<std::string_view> confs, films, sets;
    int names = 0;
    int used = -1;  // the configuration in use at opening, a position in `confs`
  };

  ConfigurationStore() = default;
  struct FilmIndex;  // records by their topic in the file they come from
  struct Pass;  // one reading of the files: checking them, or building the records
  void Load(const ResourceScan& configDb);
  // The base record's values as the file holds them; `main` is the position of its topic.
  void LoadBase(const ResourceScan& configDb, int main);
  // Collects the errors and warnings of the files (a companion nullptr when it could not
  // be read) and lists their names, building no record.
  void Check(Pass& pass, const ResourceScan& configDb, const ResourceScan* film, const ResourceScan* recorder,
             const ResourceScan* names);
  // The records from the same files, reporting nothing: Check did.
  void Build(const ResourceScan& configDb, const ResourceScan* film, const ResourceScan* names);
  // Builds the records from the scans kept from opening, unless they are built.
  void EnsureBuilt() const;
  void LoadConfigFile(const ResourceScan& db, Pass& pass);
  // Warns when a topic's "name" item, when it has one, names another topic.
  void CheckNameItem(std::string_view topicName, std::optional<std::string_view> nameItem);
  void LoadFilmFile(const ResourceScan& db, Pass& pass);
  void LoadRecorderFile(const ResourceScan& db, std::vector<std::string>* errors);
  void LoadNamesFile(const ResourceScan& db, Pass& pass);
  // Reads `file.path` (its spelling found on disk when it differs) and scans it; false
  // with errno set when it cannot be read.
  bool ReadFile(FileState& file);
  // Opens `path` for reading, relative to the configuration's folder when it lies below it.
  int OpenForReading(const std::string& path) const;
  // Opens the folder of `configPath_` as `folder_`.
  void OpenFolder();
  // Reads a companion file that `exists`, or records why it could not be read.
  const ResourceScan* OpenCompanion(FileState& file, bool exists, const std::string& what);
  const ResourceScan* OpenNamesFile(const std::string& folder);
  // Chooses the media file in `folder` (with its trailing separator).
  bool ChooseFilmFile(const std::string& folder, std::string_view media);

  // The records as they are now; sets equal to those of `reuse` share its copies.
  Snapshot TakeSnapshot(const Snapshot* reuse = nullptr) const;
  void KeepSnapshots() const;
  void ResolveUsed();
  bool Validate(const store::ResourceDb* configDb);
  void ApplyConfigFile(store::ResourceDb& db, const Snapshot& now);
  void ApplyFilmFile(store::ResourceDb& db, const Snapshot& now);
  void ApplyRecorderFile(store::ResourceDb& db, const Snapshot& now);
  void ApplyNamesFile(store::ResourceDb& db, const Snapshot& now);
  bool Refuse(std::string reason);
  uint64_t NextId() { return ++lastId_; }

  std::string configPath_, filmPath_, recorderPath_, namesPath_;
  bool isPlate_ = false;
  // The folder of zv_config.res, open from opening to the end: the files below it are
  // opened relative to it, it is listed when the media file must be looked for, and the
  // write lock is taken on it. Each of these would otherwise look up the whole path again
  // or open the folder once more. Closed (-1) when it could not be opened.
  std::string folderPath_;  // with its trailing separator
  platform::UniqueFd folder_;
  FileState configFile_, filmFile_, recorderFile_, namesFile_;

  BaseRecord base_;
  RecorderRecord recorder_;
  std::vector<Slot<ConfigRecord>> confs_;
  std::vector<Slot<FilmRecord>> films_;
  std::vector<Slot<ResolutionSet>> sets_;
  std::vector<Slot<NameRecord>> names_;
  std::optional<Listing> listing_;  // until the records are built
  // The base record's name lists are joined when first asked for: an editor refreshes
  // them (SetLists) before it reads them, and joining them at opening too would be done
  // twice.
  bool listsJoined_ = false;
  ConfigRecord* current_ = nullptr;
  uint64_t usedId_ = 0;  // follows the configuration in use through a rename
  uint64_t lastId_ = 0;

  // Both taken together on first need (KeepSnapshots), from the bytes read at opening.
  mutable std::optional<Snapshot> opened_;  // for Changed()
  mutable std::optional<Snapshot> stored_;  // what the files hold, for Write()
  bool storedNamesChecked_ = false;         // the names in stored_ passed Validate()

  std::vector<std::string> errors_;
  std::vector<std::string> warnings_;
  std::unique_ptr<WriteLock> lock_;
};

}  // namespace rvc::ripconfig
