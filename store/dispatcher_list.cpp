#include "store/dispatcher_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/deferred_close.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/list_file.h"
#include "store/listed_folders.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"
#include "store/template_list.h"

namespace rvc::store {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind(platform::kSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(platform::ResolveNoCase(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file-error cause numbers the RIP's tools report next to the system error, so that
// support reads the same numbers whichever tool failed.
unsigned FileErrorCause(int osError) {
  switch (osError) {
    case 0:
      return 0;  // none
    case ENOENT:
      return 2;  // file not found
    case ENOTDIR:
    case ENAMETOOLONG:
      return 3;  // bad path
    case EMFILE:
    case ENFILE:
      return 4;  // too many open files
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;  // access denied
    case EIO:
      return 10;  // hardware I/O
    case EBUSY:
    case ETXTBSY:
      return 11;  // sharing violation
    case EAGAIN:
      return 12;  // lock violation
    case ENOSPC:
      return 13;  // disk full
    default:
      return 1;  // unspecified
  }
}

// How reading a file whole went.
enum class ReadOutcome {
  kRead,      // to its end
  kNotPlain,  // a pipe or a device: left unread
  kFailed,    // a read failed (errno); `bytes` holds what came before
};

// Reads the open file `fd` (opened without blocking) whole into `bytes`. A rebuild reads
// hundreds of files that a listing has just shown to be plain files, so the type is only
// asked for where what the reads give leaves it open: nothing at all (an empty file, or
// a pipe without a writer) or more than any dispatcher file holds (a device such as
// /dev/zero reads without end). A pipe with a writer fails its read with EAGAIN; a
// folder fails with EISDIR.
ReadOutcome ReadPlainFile(int fd, std::string& bytes) {
  constexpr size_t kUnchecked = 1 << 16;
  bool checked = false;
  auto plain = [&] {
    struct stat st {};
    checked = true;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  };
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      bytes.clear();
      return ReadOutcome::kNotPlain;
    }
    if (n < 0) return ReadOutcome::kFailed;
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
    if (!checked && bytes.size() > kUnchecked && !plain()) {
      bytes.clear();
      return ReadOutcome::kNotPlain;
    }
  }
  if (bytes.empty() && !checked && !plain()) return ReadOutcome::kNotPlain;
  return ReadOutcome::kRead;
}

// Opens `path` for reading without blocking: relative to its folder when the listing
// scope holds that open, else by its path (ignoring case when `noCase`).
int OpenForReading(std::string& path, bool noCase) {
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
  if (const int fd = OpenInListedFolder(path, kFlags); fd >= 0) return fd;
  return noCase ? platform::OpenNoCase(path, kFlags) : ::open(path.c_str(), kFlags);
}

// Reads a text file whole; false with errno set when it fails (EISDIR for a folder, as
// read() tells). A pipe or device planted under the name is refused (EINVAL) instead of
// blocking the load or reading without end.
bool ReadText(std::string path, std::string& bytes) {
  const int fd = OpenForReading(path, false);
  if (fd < 0) return false;
  const ReadOutcome outcome = ReadPlainFile(fd, bytes);
  const int error = outcome == ReadOutcome::kNotPlain ? EINVAL : errno;
  platform::CloseDeferred(fd);
  errno = error;
  return outcome == ReadOutcome::kRead;
}

// The first line of `text` (without its line end) that holds `part` ignoring case.
std::optional<std::string> LineHolding(const std::string& text, std::string_view part) {
  const long at = CRvcUtils::FindNoCase(text, part);
  if (at < 0) return std::nullopt;
  const size_t before = text.rfind('\n', static_cast<size_t>(at));
  const size_t start = before == std::string::npos ? 0 : before + 1;
  const size_t end = std::min(text.find('\n', static_cast<size_t>(at)), text.size());
  std::string line = text.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The dispatcher name carried by a "papname=" line: the AppleTalk name less its "_AT"
// suffix (or its closing character), after the last quote, blank, tab or "=".
std::optional<std::string> NameFromPapLine(std::string line) {
  const size_t at = line.rfind("_AT");
  if (at != std::string::npos && at > 0) {
    line.resize(at);
  } else if (!line.empty()) {
    line.pop_back();
  }
  for (char delimiter : {'"', ' ', '\t', '='}) {
    const size_t pos = line.rfind(delimiter);
    if (pos != std::string::npos) return line.substr(pos + 1);
  }
  const size_t ravlin = line.rfind("Ravlin");
  if (ravlin != std::string::npos) return line.substr(ravlin);
  return std::nullopt;
}

// The folder part of "zv<Folder>_dispatcher.ini".
std::string FolderFromIniName(const std::string& fileName) {
  static const std::string kSuffix = "_dispatcher.ini";
  std::string folder = fileName.substr(std::min<size_t>(2, fileName.size()));
  const size_t suffix = platform::ToLowerAscii(folder).rfind(kSuffix);
  if (suffix != std::string::npos && suffix + kSuffix.size() == folder.size()) {
    folder.resize(suffix);
  } else if (folder.size() >= kSuffix.size() - 1) {
    folder.resize(folder.size() - (kSuffix.size() - 1));  // "zv<Folder>dispatcher.ini"
  }
  return folder;
}

bool IsBackupName(const std::string& fileName) {
  const std::string lower = platform::ToLowerAscii(fileName);
  return lower.find("sav") != std::string::npos || lower.find("bac") != std::string::npos ||
         lower.find("bak") != std::string::npos;
}

// A file the rebuild compares, read once. `name` is the path as the messages give it.
struct ComparedFile {
  explicit ComparedFile(std::string given = {}) : name(std::move(given)) {}
  std::string name;
  std::string path;       // the spelling opened
  bool isFile = false;    // a regular file (following links)
  bool opened = false;    // could be opened for the comparison
  bool complete = false;  // read to its end
  std::string bytes;      // what could be read
};

// Reads `file` whole. `checkType` also tells whether it is a regular file.
void Load(ComparedFile& file, bool checkType) {
  file.path = file.name;
  const int fd = OpenForReading(file.path, true);
  if (fd < 0) {
    file.path = platform::ResolveNoCase(file.name);
    struct stat st {};
    file.isFile = checkType && ::stat(file.path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    return;
  }
  switch (ReadPlainFile(fd, file.bytes)) {
    case ReadOutcome::kRead:
      file.isFile = checkType;
      file.opened = true;
      file.complete = true;
      break;
    case ReadOutcome::kNotPlain:
      file.opened = !checkType;
      break;
    case ReadOutcome::kFailed: {
      // Compared as far as it could be read, if it is a file.
      struct stat st {};
      file.isFile = checkType && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
      file.opened = !checkType || file.isFile;
      if (!file.opened) file.bytes.clear();
      break;
    }
  }
  platform::CloseDeferred(fd);
}

// The type templates of the flavour, each read once per rebuild: every dispatcher is
// compared with them.
class TemplateFiles {
 public:
  explicit TemplateFiles(const CTemplateList& templates) : templates_(templates) {}

  // The template `fileName` of the template folder; its name is the path on disk.
  const ComparedFile& Get(std::string_view fileName) {
    if (auto it = files_.find(fileName); it != files_.end()) return it->second;
    ComparedFile& file = files_.emplace(std::string(fileName), ComparedFile()).first->second;
    file.name = std::string(templates_.TemplateFolder()).append(fileName);
    Load(file, true);
    file.name = file.path;  // as TemplatePath() gives it
    return file;
  }

 private:
  const CTemplateList& templates_;
  std::map<std::string, ComparedFile, std::less<>> files_;
};

// CompareFiles on files read before, a file that cannot be opened counting as a difference.
bool SameFiles(const ComparedFile& file1, const ComparedFile& file2, const std::string& key, IRvcTrace& trace) {
  if (platform::EqualsNoCase(file1.name, file2.name)) return true;
  for (const ComparedFile* file : {&file1, &file2}) {
    if (!file->opened) {
      trace.Trace(CRvcException(msg::kOpenFailed, file->name).Message());
      return false;
    }
  }
  return CRvcUtils::CompareTexts(file1.bytes, file2.bytes, key);
}

// Why a record of the list was left out; `reason` names the file.
struct EntryRefused {
  std::string reason;
};

// `text` for a reason: printable, and cut when it is long.
std::string Shown(std::string_view text) {
  constexpr size_t kShown = 64;
  return "\"" + Printable(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

// `where()` names the entry; it is only spelt out for a refusal.
template <class Where>
void CheckFolderAndName(const Where& where, std::string_view folder, std::string_view name) {
  if (std::string problem = FolderNameProblem(folder); !problem.empty()) {
    throw EntryRefused{where() + ": the dispatcher folder " + Shown(folder) + " " + problem};
  }
  if (std::string problem = DispatcherNameProblem(name); !problem.empty()) {
    throw EntryRefused{where() + ": the dispatcher name " + Shown(name) + " " + problem};
  }
}

// The items of a record of the list file, found in one walk over its topic, in the order
// Write() gives them.
enum RecordItem { kName, kType, kFolder, kBase, kCommandPort, kFlavour, kRecordItems };
constexpr std::string_view kRecordItemNames[kRecordItems] = {"Name", "Type", "Folder", "Base", "CommandPort", "Flavour"};

// The texts of a record of the list file, viewing the file's bytes.
struct ListEntryTexts {
  std::string_view folder, name, type, flavour;
};

// Fills `dispatcher` from record `number` of the list file `file` (named `path`), found
// last, but for its texts, which it returns; `hasBase` tells whether the record gives its
// port separator.
ListEntryTexts ReadListEntry(const ListFile& file, long number, const std::string& path, CDispatcher& dispatcher,
                             bool& hasBase) {
  auto where = [&] { return Printable(path) + ", [Config" + std::to_string(number) + "]"; };
  for (const RecordItem item : {kFolder, kName, kType}) {
    if (!file.Item(item)) throw EntryRefused{where() + ": the item " + std::string(kRecordItemNames[item]) + " is missing"};
  }
  const ListEntryTexts texts{*file.Item(kFolder), *file.Item(kName), *file.Item(kType),
                             file.Item(kFlavour).value_or(std::string_view())};
  CheckFolderAndName(where, texts.folder, texts.name);

  DispatcherRecord& record = dispatcher.Record;
  if (auto base = file.Item(kBase)) {
    if (auto separator = ResourceDb::ReadInt(*base)) {
      record.Base = static_cast<int>((*separator % 10 + 10) % 10);
      hasBase = true;
    }
  }
  if (auto port = file.Item(kCommandPort)) {
    if (auto value = ResourceDb::ReadInt(*port)) record.CommandPort = static_cast<int>(*value);
  }
  return texts;
}

struct RebuildContext {
  const std::string& dataFolder;
  const std::string& iniFolder;
  const std::string& flavourDisplayName;
  const CTemplateList& templates;
  TemplateFiles templateFiles;
  IRvcTrace& trace;
};

// The dispatcher of the ini file `iniName`, whose folder is `seen.Folder`; `seen.Name`
// receives its name as soon as it is known.
std::unique_ptr<CDispatcher> RebuiltEntry(RebuildContext& context, const std::string& iniName, BrokenDispatcher& seen) {
  IRvcTrace& trace = context.trace;
  const std::string iniFile = context.iniFolder + iniName;
  const std::string& folder = seen.Folder;
  auto dispatcher = std::make_unique<CDispatcher>(context.dataFolder + folder);
  DispatcherRecord& record = dispatcher->Record;
  record.Folder = folder;
  record.Name = "Ravlin";

  // A running RIP holds its ini file open; say so, as that is the usual cause.
  std::string ini;
  if (!ReadText(iniFile, ini)) {
    const int osError = errno;
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " (error = %u, OS error = %d)", FileErrorCause(osError), osError);
    throw CRvcException(msg::kOpenFailed, iniFile + numbers + "\nPlease close all running '" + context.flavourDisplayName +
                                 "' dispatchers and then try again!\n");
  }
  if (auto line = LineHolding(ini, "papname=")) {
    if (auto name = NameFromPapLine(std::move(*line))) record.Name = *name;
  }
  seen.Name = record.Name;
  CheckFolderAndName([&] { return Printable(iniFile); }, folder, record.Name);

  record.Flavour = context.templates.Flavor();

  std::string dataDir = context.dataFolder + folder + platform::kSeparator + "data" + platform::kSeparator;
  const std::vector<std::string> fids = CRvcUtils::ListFiles(dataDir, "*.fid");
  dataDir = platform::WithTrailingSeparator(dataDir);
  if (fids.empty()) {
    throw EntryRefused{CRvcException(msg::kConfigurationFailed, folder).Message() + ": " + Printable(iniFile) + " names it, but " +
                       Printable(dataDir) + " holds no *.fid file"};
  }
  ComparedFile fid(dataDir + fids.front());
  Load(fid, false);
  // Read once: compared with the type's template and then parsed for the command port.
  ComparedFile config(dataDir + "zv_config.res");
  Load(config, false);

  // Recognise the type by its ".fid" template: whole files first, then the "Ravlin"
  // lines, then the "FID" lines.
  const CTemplate* type = nullptr;
  for (const char* key : {"", "Ravlin", "FID"}) {
    for (int i = 0; type == nullptr && i < context.templates.GetCount(); ++i) {
      const CTemplate* candidate = context.templates.GetAt(i);
      if (candidate->FID.empty()) continue;
      const ComparedFile& templateFid = context.templateFiles.Get(candidate->FID);
      if (!templateFid.isFile) continue;
      if (SameFiles(fid, templateFid, key, trace)) type = candidate;
    }
    if (type != nullptr) break;
  }

  if (type != nullptr) {
    record.Type = type->Name;
    const ComparedFile* templateConfig = type->Config.empty() ? nullptr : &context.templateFiles.Get(type->Config);
    if (templateConfig == nullptr || !templateConfig->isFile || !SameFiles(config, *templateConfig, "name", trace)) {
      trace.Trace("Inconsistent configuration found in: " + config.name +
                  " and in:" + (templateConfig ? templateConfig->name : std::string()));
    }
  } else {
    trace.Trace("Inconsistent configuration found");
    record.Type = "Generic";
  }

  if (config.complete) {
    long port = 0;
    const std::optional<std::string> value = ResourceDb::ScanFind(config.bytes, "PavoNet", "commandport");
    if (value && CRvcUtils::ParseFirstNumber(*value, port) >= 0) {
      record.CommandPort = static_cast<int>(port);
      const int hundreds = static_cast<int>((port % 1000) / 100);
      if (hundreds > record.Base && port % 1000 != 0) record.Base = hundreds;
    }
  } else {
    trace.Trace("No command port for " + folder + ": cannot open " + config.name);
  }

  return dispatcher;
}

}  // namespace

CDispatcherList::CDispatcherList(std::string listFile, const CTemplateList& templates, bool rebuild,
                                 std::string flavourDisplayName)
    : templates_(&templates), listFile_(std::move(listFile)), fromListFile_(!rebuild) {
  dataFolder_ = FolderOf(listFile_);
  if (rebuild) {
    Rebuild(flavourDisplayName);
  } else {
    LoadFromListFile();
  }
}

CDispatcherList::~CDispatcherList() = default;

CDispatcher& CDispatcherList::GetAt(int index) {
  if (index < 0 || index >= GetCount()) throw std::out_of_range("dispatcher index " + std::to_string(index));
  return *dispatchers_[static_cast<size_t>(index)];
}

const CDispatcher& CDispatcherList::GetAt(int index) const {
  if (index < 0 || index >= GetCount()) throw std::out_of_range("dispatcher index " + std::to_string(index));
  return *dispatchers_[static_cast<size_t>(index)];
}

CDispatcher& CDispatcherList::Add(const CDispatcher& source, int position) {
  if (position >= GetCount()) throw std::out_of_range("dispatcher position " + std::to_string(position));
  CDispatcher& added = *owned_.emplace_back(std::make_unique<CDispatcher>(source));
  if (position < 0) {
    dispatchers_.push_back(&added);
  } else {
    CDispatcher*& slot = dispatchers_[static_cast<size_t>(position)];
    Release(slot);
    slot = &added;
  }
  return added;
}

CDispatcher& CDispatcherList::Insert(const CDispatcher& source, int position) {
  if (position < 0 || position > GetCount()) throw std::out_of_range("dispatcher position " + std::to_string(position));
  CDispatcher& added = *owned_.emplace_back(std::make_unique<CDispatcher>(source));
  dispatchers_.insert(dispatchers_.begin() + position, &added);
  return added;
}

std::unique_ptr<CDispatcher> CDispatcherList::Remove(const CDispatcher& dispatcher) {
  auto it = std::find(dispatchers_.begin(), dispatchers_.end(), &dispatcher);
  if (it == dispatchers_.end()) return nullptr;
  const int index = static_cast<int>(it - dispatchers_.begin());
  std::unique_ptr<CDispatcher> removed = Release(*it);
  dispatchers_.erase(it);
  if (index < current_) --current_;
  if (current_ >= GetCount()) current_ = std::max(0, GetCount() - 1);
  return removed;
}

std::unique_ptr<CDispatcher> CDispatcherList::Release(CDispatcher* dispatcher) {
  auto it = std::find_if(owned_.begin(), owned_.end(),
                         [dispatcher](const std::unique_ptr<CDispatcher>& d) { return d.get() == dispatcher; });
  if (it == owned_.end()) return std::make_unique<CDispatcher>(std::move(*dispatcher));  // from the block
  std::unique_ptr<CDispatcher> released = std::move(*it);
  owned_.erase(it);
  return released;
}

void CDispatcherList::SetSeparatorInUse(int base, bool inUse) {
  if (base >= 0 && base <= 9) separatorInUse_[static_cast<size_t>(base)] = inUse;
}

int CDispatcherList::LowestFreeSeparator() const {
  for (int base = 0; base <= 9; ++base) {
    if (!separatorInUse_[static_cast<size_t>(base)]) return base;
  }
  return -1;
}

std::string CDispatcherList::IniFileOf(const std::string& folder) const {
  return dataFolder_ + "data" + platform::kSeparator + "zv" + folder + "_dispatcher.ini";
}

void CDispatcherList::Place(CDispatcher* dispatcher) {
  // The flavour's main dispatcher lives in the folder named after the flavour.
  if (platform::EqualsNoCase(dispatcher->Record.Folder, dispatcher->Record.Flavour)) {
    dispatchers_.insert(dispatchers_.begin(), dispatcher);
  } else {
    dispatchers_.push_back(dispatcher);
  }
}

void CDispatcherList::Place(std::unique_ptr<CDispatcher> dispatcher) {
  Place(owned_.emplace_back(std::move(dispatcher)).get());
}

void CDispatcherList::Skip(BrokenDispatcher broken) {
  CRvcTrace("").Trace("Dispatcher skipped: " + broken.Reason);
  broken_.push_back(std::move(broken));
}

void CDispatcherList::LoadFromListFile() {
  static constexpr std::string_view kMainItems[] = {"NrConfigs"};
  static const store::ListFile::Items kMain(kMainItems), kRecord(kRecordItemNames);
  store::ListFile file(kMain, kRecord);
  if (!file.Read(listFile_)) throw CRvcException(msg::kResourceDbError, listFile_);
  const std::optional<std::string_view> countText = file.Main(0);
  const std::optional<long> count = countText ? ResourceDb::ReadInt(*countText) : std::nullopt;
  if (!count) return;
  if (*count == 0) throw CRvcException(msg::kConfigurationFailed, listFile_);
  // Room for the records the file holds (its count may be damaged).
  if (*count > 0) dispatchers_.reserve(std::min(static_cast<size_t>(*count), file.Records()));

  for (long i = 1; i <= *count; ++i) {
    file.FindRecord(i);
    CDispatcher& dispatcher = loaded_.emplace_back(std::string());
    try {
      bool hasBase = false;
      const ListEntryTexts texts = ReadListEntry(file, i, listFile_, dispatcher, hasBase);
      KeepTexts(dispatcher, texts.folder, texts.name, texts.type, texts.flavour);
      if (hasBase) separatorInUse_[static_cast<size_t>(dispatcher.Record.Base)] = true;
      Place(&dispatcher);
    } catch (const EntryRefused& refused) {
      loaded_.pop_back();
      Skip({std::string(file.Item(kName).value_or("")), std::string(file.Item(kFolder).value_or("")), refused.reason});
    }
  }
}

void CDispatcherList::KeepTexts(CDispatcher& dispatcher, std::string_view folder, std::string_view name,
                                std::string_view type, std::string_view flavour) {
  // The path, whose end is the folder, then the other texts of the record, each with a
  // NUL after it, in one piece.
  const size_t size = dataFolder_.size() + folder.size() + name.size() + type.size() + flavour.size() + 4;
  // Blocks of a kilobyte or more would have glibc sort all its free memory first.
  constexpr size_t kBlock = 960;
  if (texts_.empty() || textsSize_ - textsUsed_ < size) {
    textsSize_ = std::max(kBlock, size);
    texts_.push_back(std::make_unique_for_overwrite<char[]>(textsSize_));
    textsUsed_ = 0;
  }
  char* at = texts_.back().get() + textsUsed_;
  textsUsed_ += size;
  auto put = [&at](RecordText& text, std::string_view first, std::string_view second = {}) {
    // std::copy, not memcpy: an empty text may have no data at all.
    std::copy(second.begin(), second.end(), std::copy(first.begin(), first.end(), at));
    text.View(std::string_view(at, first.size() + second.size()));
    at += first.size() + second.size();
    *at++ = '\0';
  };
  put(dispatcher.path_, dataFolder_, folder);
  DispatcherRecord& record = dispatcher.Record;
  record.Folder.View(dispatcher.path_.substr(dataFolder_.size()));
  put(record.Name, name);
  put(record.Type, type);
  put(record.Flavour, flavour);
}

void CDispatcherList::Rebuild(const std::string& flavourDisplayName) {
  std::string iniFolder = dataFolder_ + "data" + platform::kSeparator;
  std::vector<std::string> iniFiles = CRvcUtils::ListFiles(iniFolder, "zv*dispatcher.ini");
  iniFolder = platform::WithTrailingSeparator(iniFolder);
  if (iniFiles.empty()) throw CRvcException(msg::kConfigurationFailed, iniFolder);
  std::sort(iniFiles.begin(), iniFiles.end(),
            [](const std::string& a, const std::string& b) { return platform::LessNoCase(a, b); });

  CRvcTrace trace("");
  RebuildContext context{dataFolder_, iniFolder, flavourDisplayName, *templates_, TemplateFiles(*templates_), trace};
  // One line names the dispatchers rebuilt, each with its type and ini file.
  std::string rebuilt;
  for (const auto& iniName : iniFiles) {
    if (IsBackupName(iniName)) continue;
    BrokenDispatcher seen{{}, FolderFromIniName(iniName), {}};
    try {
      auto dispatcher = RebuiltEntry(context, iniName, seen);
      const DispatcherRecord& record = dispatcher->Record;
      rebuilt.append(rebuilt.empty() ? " " : ", ").append(record.Name).append(" (").append(record.Type);
      rebuilt.append(", ").append(iniName).append(")");
      separatorInUse_[static_cast<size_t>(record.Base)] = true;
      Place(std::move(dispatcher));
    } catch (const EntryRefused& refused) {
      seen.Reason = refused.reason;
      Skip(std::move(seen));
    } catch (const CRvcException& error) {
      seen.Reason = error.Message();
      Skip(std::move(seen));
    }
  }
  if (!rebuilt.empty()) trace.Trace("Dispatchers rebuilt from " + iniFolder + ":" + rebuilt);
}

// Makes the dispatcher at `index` differ from every one before it in port separator,
// name and folder, rewriting its ini file to match. A separator equal to an earlier one
// is increased by 1 (9 wraps to 0, as the list file is read modulo 10), so separators
// 0, 0, 1 become 0, 1, 2. Passes repeat until nothing changes, so that a repaired value
// cannot clash with a dispatcher compared earlier; a separator that has gone round all
// ten is left as it is.
void CDispatcherList::Repair(size_t index) {
  CRvcUtils utils;
  CDispatcher& x = *dispatchers_[index];
  DispatcherRecord& rx = x.Record;
  int increases = 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t j = 0; j < index; ++j) {
      const DispatcherRecord& ry = dispatchers_[j]->Record;
      if (rx.Base == ry.Base && increases < 10) {
        const int base = (rx.Base + 1) % 10;
        utils.SetIniCommandPort(IniFileOf(rx.Folder), base);
        if (rx.CommandPort >= 0) rx.CommandPort = static_cast<int>(CRvcUtils::PortWithSeparator(rx.CommandPort, base));
        rx.Base = base;
        separatorInUse_[static_cast<size_t>(base)] = true;
        ++increases;
        changed = true;
      }
      if (platform::EqualsNoCase(rx.Name, ry.Name)) {
        const std::string name = rx.Name + "Copy";
        utils.RenameIniDispatcher(IniFileOf(rx.Folder), ry.Name, name);
        rx.Name = name;
        changed = true;
      } else if (platform::EqualsNoCase(rx.Folder, ry.Folder)) {
        const std::string folder = rx.Folder + "Copy";
        // The renamed folder's ini exists only once its files have been copied there.
        const std::string ini = IniFileOf(folder);
        if (IsFile(ini)) {
          utils.RenameIniFlavour(ini, ry.Folder, folder);
        } else {
          CRvcTrace("").Trace("Folder " + rx.Folder + " used twice; renamed to " + folder + " without an ini file " +
                              ini);
        }
        rx.Folder = folder;
        x.SetPath(dataFolder_ + folder);
        changed = true;
      }
    }
  }
}

bool CDispatcherList::Save() {
  try {
    Write();
    return true;
  } catch (const CRvcException& e) {
    e.Report();
    return false;
  }
}

void CDispatcherList::Write() {
  auto existing = ResourceDb::Open(listFile_);
  ResourceDb db = existing ? std::move(*existing) : ResourceDb::Create(listFile_);
  db.Set("Main", "Install", dataFolder_);
  db.Set("Main", "NrConfigs", std::to_string(dispatchers_.size()));
  for (size_t i = 0; i < dispatchers_.size(); ++i) {
    Repair(i);
    const DispatcherRecord& record = dispatchers_[i]->Record;
    const std::string topic = "Config" + std::to_string(i + 1);
    db.Set(topic, "Name", record.Name);
    db.Set(topic, "Type", record.Type);
    db.Set(topic, "Folder", record.Folder);
    db.Set(topic, "Base", std::to_string(record.Base));
    db.Set(topic, "CommandPort", std::to_string(record.CommandPort));
    db.Set(topic, "Flavour", record.Flavour);
  }
  // Dispatchers removed since the last save leave topics behind that "NrConfigs" no
  // longer counts; drop them so that the file says what the list holds.
  for (size_t i = dispatchers_.size() + 1; db.HasTopic("Config" + std::to_string(i)); ++i) {
    db.RemoveTopic("Config" + std::to_string(i));
  }
  db.Flush();
}

}  // namespace rvc::store
