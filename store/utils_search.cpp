// File comparison and file searches of CRvcUtils.
//
// The searches read folders with getdents64 and go by the entry types the file system
// reports: loading a catalogue searches whole flavour trees, and a stat per entry made
// most of its cost. Only entries whose type is not reported, links, and files whose time
// is wanted are asked about, relative to the open folder. While a ListingScope lives,
// each folder is read once and its entries are kept for the searches that follow.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/deferred_close.h"
#include "platform/path.h"
#include "platform/unique_fd.h"
#include "store/listed_folders.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int64_t kUnknownTime = INT64_MIN;

using Fd = platform::UniqueFd;

// A folder's entries as getdents64 gives them: dirent64 records one after the other.
using Records = std::string;

}  // namespace

// The folders read while a scope lives, by path (without trailing separators). The first
// of them stay open: enough for a flavour whose lists are rebuilt, which opens files in
// most folders of its tree (ten dispatchers bring some fifty folders), and few beside the
// thousand descriptors a process may hold.
//
// A load opens a scope per flavour: a scope that ends leaves its entries, emptied, to the
// next one of the thread, so that their paths and entries are read into the room the
// previous flavour's took instead of into new strings and map nodes.
struct CRvcUtils::ListingScope::Listings {
  static constexpr size_t kOpenFolders = 64;
  // What an ended scope keeps for the next: about a flavour tree's folders, and their
  // entries up to a few dozen kilobytes in all.
  static constexpr size_t kKeptEntries = 128;
  static constexpr size_t kKeptBytes = 32 * 1024;

  struct Listing {
    std::string path;
    uint64_t key = 0;
    Records records;
    Fd folder;  // open, or not kept
  };

  // Paths of one scope mostly differ in their last bytes: those and the length tell
  // nearly all apart before the paths are compared.
  static uint64_t Key(std::string_view path) {
    uint64_t last = 0;
    const size_t n = std::min<size_t>(path.size(), 8);
    std::memcpy(&last, path.data() + path.size() - n, n);
    return (last ^ path.size()) * 0x9E3779B97F4A7C15u;
  }

  Listing* Find(std::string_view path) {
    if (used == 0) return nullptr;
    const uint64_t key = Key(path);
    const size_t mask = index.size() - 1;
    for (size_t slot = key >> 32 & mask; index[slot] != 0; slot = (slot + 1) & mask) {
      Listing& listing = entries[index[slot] - 1];
      if (listing.key == key && listing.path == path) return &listing;
    }
    return nullptr;
  }

  // A new entry for `path`, its records empty; entries stay where they are while others
  // are added (a deque), as folder objects view their records.
  Listing& Add(std::string_view path) {
    if (used == entries.size()) entries.emplace_back();
    Listing& listing = entries[used++];
    listing.path.assign(path);
    listing.key = Key(path);
    listing.records.clear();
    if (used * 2 > index.size()) {
      // At most half full: the index doubles and takes every entry again.
      index.assign(std::max<size_t>(16, index.size() * 2), 0);
      for (size_t i = 0; i < used; ++i) Index(i);
    } else {
      Index(used - 1);
    }
    return listing;
  }

  void Clear() {
    if (entries.size() > kKeptEntries) entries.resize(kKeptEntries);
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (i < used) platform::CloseDeferred(entries[i].folder.release());
      kept += entries[i].records.capacity();
      if (kept > kKeptBytes) Records().swap(entries[i].records);
    }
    if (index.size() > 2 * kKeptEntries) {
      std::vector<uint32_t>().swap(index);
    } else {
      std::fill(index.begin(), index.end(), 0);
    }
    used = 0;
    openFolders = 0;
  }

  std::deque<Listing> entries;
  size_t used = 0;  // the first entries hold this scope's folders
  size_t openFolders = 0;

 private:
  // Open addressing over the entries in use: a slot holds an entry's position + 1, or 0.
  void Index(size_t entry) {
    const size_t mask = index.size() - 1;
    size_t slot = entries[entry].key >> 32 & mask;
    while (index[slot] != 0) slot = (slot + 1) & mask;
    index[slot] = static_cast<uint32_t>(entry + 1);
  }
  std::vector<uint32_t> index;
};

namespace {

thread_local CRvcUtils::ListingScope::Listings* t_listings = nullptr;
// The entries of the thread's last scope, for its next one.
thread_local std::unique_ptr<CRvcUtils::ListingScope::Listings> t_spareListings;

std::string_view ListingKey(std::string_view path) {
  while (path.size() > 1 && path.back() == platform::kSeparator) path.remove_suffix(1);
  return path.empty() ? std::string_view(".") : path;
}

const Records* KeptListing(const std::string& path) {
  if (t_listings == nullptr) return nullptr;
  const CRvcUtils::ListingScope::Listings::Listing* listing = t_listings->Find(ListingKey(path));
  return listing == nullptr ? nullptr : &listing->records;
}

// A folder being searched: its entries come from the listing scope, or are read from
// the open folder (and kept in the scope when there is one).
class Folder {
 public:
  // The folder `where` ("" is the working folder); `where` receives its spelling on disk.
  static Folder Open(std::string& where) {
    Folder folder = Take(std::move(where));
    where = folder.own_;
    return folder;
  }
  // The same, where the caller needs no spelling of its own: path() gives it.
  static Folder Take(std::string where) {
    Folder folder;
    folder.own_ = std::move(where);
    folder.OpenPath();
    return folder;
  }
  // The same, viewing `where`, which outlives the object.
  static Folder Borrow(const std::string& where) {
    Folder folder;
    folder.path_ = &where;
    folder.OpenPath();
    return folder;
  }

  Folder() = default;
  Folder(Folder&& other) noexcept
      : own_(std::move(other.own_)),
        path_(other.path_ == &other.own_ ? &own_ : other.path_),
        fd_(std::move(other.fd_)),
        handedOver_(other.handedOver_),
        kept_(other.kept_),
        read_(std::move(other.read_)),
        readHere_(other.readHere_) {}
  Folder& operator=(Folder&&) = delete;

  // Its subfolder `name`, a link to a folder not followed.
  Folder Sub(const std::string& name) const {
    Folder folder;
    folder.own_ = platform::JoinPath(*path_, name);
    if ((folder.kept_ = KeptListing(folder.own_)) == nullptr) {
      const int fd = Descriptor() >= 0 ? ::openat(Descriptor(), name.c_str(), kFolderFlags | O_NOFOLLOW)
                                       : ::open(folder.own_.c_str(), kFolderFlags | O_NOFOLLOW);
      folder.fd_ = Fd(fd);
    }
    return folder;
  }

  bool ok() const { return kept_ != nullptr || Descriptor() >= 0; }
  const std::string& path() const { return *path_; }

  // Calls `visit(name, type, nameForSystemCalls)` for each entry but "." and "..". The
  // folder is read once: the names stay valid while the folder object lives, and a
  // second call visits the same entries.
  template <class Visit>
  void ForEach(const Visit& visit) const {
    if (kept_ == nullptr && !readHere_ && Descriptor() >= 0) Read();
    if (readHere_) {
      VisitRecords(read_, visit);
    } else if (kept_ != nullptr) {
      VisitRecords(*kept_, visit);
    }
  }

  // fstatat of entry `name`: relative to the open folder, else by its path.
  int StatAt(const char* name, struct stat& st, int flags) const {
    if (Descriptor() >= 0) return ::fstatat(Descriptor(), name, &st, flags);
    return ::fstatat(AT_FDCWD, platform::JoinPath(*path_, name).c_str(), &st, flags);
  }

 private:
  template <class Visit>
  static void VisitRecords(std::string_view records, const Visit& visit) {
    for (size_t pos = 0; pos < records.size();) {
      // Records start at multiples of 8 in the buffer and in the copy alike.
      const auto* entry = reinterpret_cast<const struct dirent64*>(records.data() + pos);
      pos += entry->d_reclen;
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      visit(name, entry->d_type, entry->d_name);
    }
  }

  // Reads the entries into the listing scope, when there is one, else into the folder.
  // A folder's entries mostly come in one call: they are copied once, from the buffer.
  void Read() const {
    alignas(8) char buffer[16384];
    size_t held = 0;  // bytes in the buffer
    Records more;     // the entries of a folder larger than the buffer, gathered
    bool complete = false;
    for (;;) {
      // Room for the longest entry name (255 bytes) and its record.
      if (sizeof buffer - held < 1024) {
        more.append(buffer, held);
        held = 0;
      }
      const ssize_t n = ::getdents64(fd_.get(), buffer + held, sizeof buffer - held);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        complete = n == 0;  // what could be read is visited; nothing partial is kept
        break;
      }
      held += static_cast<size_t>(n);
    }
    if (!more.empty()) more.append(buffer, held);
    const std::string_view read = more.empty() ? std::string_view(buffer, held) : std::string_view(more);
    if (complete && t_listings != nullptr) {
      // One that another folder object of the same path kept meanwhile stays, as its
      // names may be in use.
      const std::string_view key = ListingKey(*path_);
      CRvcUtils::ListingScope::Listings::Listing* listing = t_listings->Find(key);
      if (listing == nullptr) {
        listing = &t_listings->Add(key);
        listing->records.assign(read);
        // The scope keeps the folder open for the files found in it; this object goes on
        // using it.
        if (t_listings->openFolders < CRvcUtils::ListingScope::Listings::kOpenFolders) {
          ++t_listings->openFolders;
          listing->folder = std::move(fd_);
          handedOver_ = listing->folder.get();
        }
      }
      kept_ = &listing->records;
      return;
    }
    read_.assign(read);
    readHere_ = true;
  }

  // The open folder: its own, or the one it handed over to the listing scope.
  int Descriptor() const { return fd_.ok() ? fd_.get() : handedOver_; }

  void OpenPath() {
    if ((kept_ = KeptListing(*path_)) != nullptr) return;
    if (path_->empty()) {
      fd_ = Fd(::open(".", kFolderFlags));
      return;
    }
    if (path_ != &own_) {
      // A borrowed path is opened as it is spelt; when that fails, a copy is resolved
      // ignoring case, as an own path would be.
      const int fd = ::open(path_->c_str(), kFolderFlags);
      if (fd >= 0 || (errno != ENOENT && errno != ENOTDIR)) {
        fd_ = Fd(fd);
        return;
      }
      own_ = *path_;
      path_ = &own_;
    }
    fd_ = Fd(platform::OpenNoCase(own_, kFolderFlags));
  }

  std::string own_;
  const std::string* path_ = &own_;  // own_, or a path that a caller keeps
  mutable Fd fd_;
  mutable int handedOver_ = -1;
  mutable const Records* kept_ = nullptr;
  mutable Records read_;  // the entries read outside a listing scope
  mutable bool readHere_ = false;
};

struct Match {
  std::string name;
  int64_t time = kUnknownTime;  // known only where it was asked for or came for free
};

int64_t LastWriteTime(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names in the order of their lower-case forms, then of their exact spellings, so that
// results do not depend on the order in which the file system happens to list them.
bool ByName(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto la = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto lb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (la != lb) return la < lb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// A pattern may carry folders of its own ("data/zv*.ini"); they belong to the folder.
void SplitPattern(const std::string& folder, const std::string& pattern, std::string& where, std::string& name) {
  size_t slash = pattern.rfind(platform::kSeparator);
  if (slash == std::string::npos) {
    where = folder;
    name = pattern;
  } else {
    where = platform::JoinPath(folder, pattern.substr(0, slash + 1));
    name = pattern.substr(slash + 1);
  }
}

// The files of `folder` matching `pattern` (links to files count, with the time of what
// they point to) and, when asked, those matching `second` and its subfolders (links to
// folders are not followed), in the order the file system lists them. With `withTimes`
// every file found has its last-write time. With `subfolders` the search goes deeper
// only when `pattern` matches nothing here: once a file matches, neither subfolders nor
// files matching `second` are collected any more.
//
// The subfolders are collected in a second pass over the entries, once no file matched:
// a search mostly stops at the first folder. Their names view the folder's entries.
void ListFolder(const Folder& folder, const std::string& pattern, bool withTimes, std::vector<Match>& files,
                std::vector<std::string_view>* subfolders, const std::string* second = nullptr,
                std::vector<Match>* secondFiles = nullptr) {
  bool anyFolder = false;
  const platform::NamePattern wantedPattern(pattern);
  const platform::NamePattern secondPattern(second != nullptr ? std::string_view(*second) : std::string_view());
  folder.ForEach([&](std::string_view name, unsigned char type, const char* cName) {
    const bool deeper = subfolders != nullptr && files.empty();
    const bool wanted = wantedPattern.Matches(name);
    const bool wantedSecond = deeper && second != nullptr && secondPattern.Matches(name);
    if (!wanted && !wantedSecond) {
      if (deeper && (type == DT_DIR || type == DT_UNKNOWN)) anyFolder = true;
      return;
    }

    struct stat st {};
    bool stated = false;
    if (type == DT_UNKNOWN) {
      if (folder.StatAt(cName, st, AT_SYMLINK_NOFOLLOW) != 0) return;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_UNKNOWN;
      stated = type != DT_LNK;
    }
    if (type == DT_DIR) {
      anyFolder = anyFolder || deeper;
      return;
    }
    if (!wanted && !wantedSecond) return;
    if (type == DT_LNK) {
      // A link counts as what it points to; a dangling one as nothing.
      if (folder.StatAt(cName, st, 0) != 0 || !S_ISREG(st.st_mode)) return;
      stated = true;
    } else if (type != DT_REG) {
      return;  // devices, pipes, sockets
    }
    if (withTimes && !stated) {
      if (folder.StatAt(cName, st, 0) != 0) return;  // gone meanwhile
      stated = true;
    }
    const Match match{std::string(name), stated ? LastWriteTime(st) : kUnknownTime};
    if (wantedSecond) secondFiles->push_back(match);
    if (wanted) files.push_back(match);
  });
  if (subfolders == nullptr || !files.empty() || !anyFolder) return;
  folder.ForEach([&](std::string_view name, unsigned char type, const char* cName) {
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (folder.StatAt(cName, st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) return;
    } else if (type != DT_DIR) {
      return;
    }
    subfolders->push_back(name);
  });
}

const std::string& FirstByName(const std::vector<Match>& files) {
  return std::min_element(files.begin(), files.end(), [](const Match& a, const Match& b) {
           return ByName(a.name, b.name);
         })->name;
}

// The first file matching `pattern` in `folder`, else in its subfolders, depth first. A
// folder's own files are looked at before any subfolder. With `fallback`, the same walk
// finds the first file matching it: `fallbackFound` receives that while it is empty. As
// the walk stops only at `pattern`, it has seen all that a walk for `fallback` would see
// whenever `pattern` is found nowhere.
bool FindFirstDepthFirst(const Folder& folder, const std::string& pattern, std::string& found,
                         const std::string* fallback = nullptr, std::string* fallbackFound = nullptr) {
  // The files found are used up before the walk goes deeper: one pair of lists serves
  // every level and every search of the thread.
  thread_local std::vector<Match> files, fallbackFiles;
  files.clear();
  fallbackFiles.clear();
  std::vector<std::string_view> subfolders;
  const bool withFallback = fallback != nullptr && fallbackFound->empty();
  ListFolder(folder, pattern, false, files, &subfolders, withFallback ? fallback : nullptr, &fallbackFiles);
  if (!files.empty()) {
    found = platform::JoinPath(folder.path(), FirstByName(files));
    return true;
  }
  if (!fallbackFiles.empty()) *fallbackFound = platform::JoinPath(folder.path(), FirstByName(fallbackFiles));
  std::sort(subfolders.begin(), subfolders.end(), ByName);
  for (const std::string_view sub : subfolders) {
    const Folder child = folder.Sub(std::string(sub));
    if (!child.ok()) continue;
    if (FindFirstDepthFirst(child, pattern, found, fallback, fallbackFound)) return true;
  }
  return false;
}

// The position of the first occurrence of `lowerKey` in `text` ignoring case, or npos.
// Candidates are the places of its first character in either case, found with memchr.
size_t FindLowerKey(std::string_view text, std::string_view lowerKey) {
  if (lowerKey.empty() || lowerKey.size() > text.size()) return lowerKey.empty() ? 0 : std::string_view::npos;
  const char first = lowerKey.front();
  const char upper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 'a' + 'A') : first;
  const char* base = text.data();
  const char* end = base + (text.size() - lowerKey.size() + 1);  // last place the key can start, plus one
  auto next = [end](const char* from, char c) -> const char* {
    return from < end ? static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from))) : nullptr;
  };
  const char* lower = next(base, first);
  const char* capital = upper == first ? nullptr : next(base, upper);
  for (;;) {
    const char* at = lower == nullptr ? capital : capital == nullptr ? lower : std::min(lower, capital);
    if (at == nullptr) return std::string_view::npos;
    size_t i = 1;
    while (i < lowerKey.size() && LowerAscii(at[i]) == lowerKey[i]) ++i;
    if (i == lowerKey.size()) return static_cast<size_t>(at - base);
    if (at == lower) {
      lower = next(at + 1, first);
    } else {
      capital = next(at + 1, upper);
    }
  }
}

// The lines of a text as std::getline gives them: split at "\n", a last line only when
// it is not empty.
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return true;
  }
  // The next line holding `lowerKey` (lower case, no line end) ignoring case.
  bool NextContaining(std::string_view lowerKey, std::string_view& line) {
    size_t found = FindLowerKey(rest_, lowerKey);
    if (found == std::string_view::npos) {
      rest_ = {};
      return false;
    }
    const size_t start = found == 0 ? 0 : rest_.rfind('\n', found - 1) + 1;  // npos + 1 is 0
    const size_t end = rest_.find('\n', found + lowerKey.size());
    line = rest_.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return true;
  }

 private:
  std::string_view rest_;
};

// The next line, or the next line that contains the (lower-case) key ignoring case when
// one is given: the key is looked for in the rest of the text, and the line around it
// taken, rather than line by line.
bool NextLine(Lines& lines, std::string_view lowerKey, std::string_view& line) {
  if (lowerKey.empty()) return lines.Next(line);
  if (lowerKey.find('\n') != std::string_view::npos) {
    while (lines.Next(line)) {
      if (FindLowerKey(line, lowerKey) != std::string_view::npos) return true;
    }
    return false;
  }
  return lines.NextContaining(lowerKey, line);
}

// Whether two lines of compared files are equal lower-cased and without blanks and tabs
// (and, with a key, without ":" and "="), compared in place.
bool SameNormalisedLines(std::string_view a, std::string_view b, bool keyed) {
  // Compared files are mostly copies of each other: most lines are equal as they are.
  if (a == b) return true;
  auto ignored = [keyed](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || (keyed && (c == ':' || c == '='));
  };
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && ignored(a[i])) ++i;
    while (j < b.size() && ignored(b[j])) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (LowerAscii(a[i]) != LowerAscii(b[j])) return false;
    ++i;
    ++j;
  }
}

// The bytes of a file as a stream reads them: what can be read, up to the first error.
bool ReadForComparison(const std::string& path, std::string& bytes) {
  std::ifstream in(platform::ResolveNoCase(path), std::ios::binary);
  if (!in) return false;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) bytes.append(buffer, static_cast<size_t>(in.gcount()));
  return true;
}

}  // namespace

// The listing behind FindFirstMatch / FindNextMatch. Times are asked for when wanted:
// most callers only go by the names.
struct CRvcUtils::SearchState {
  std::string folder;
  std::vector<Match> matches;
  size_t next = 0;
};

CRvcUtils::CRvcUtils() = default;
CRvcUtils::~CRvcUtils() = default;

bool CRvcUtils::CompareFiles(const std::string& file1, const std::string& file2, const std::string& key) const {
  if (platform::EqualsNoCase(file1, file2)) return true;
  std::string text1, text2;
  if (!ReadForComparison(file1, text1)) throw CRvcException(msg::kOpenFailed, file1);
  if (!ReadForComparison(file2, text2)) throw CRvcException(msg::kOpenFailed, file2);
  return CompareTexts(text1, text2, key);
}

bool CRvcUtils::CompareTexts(std::string_view text1, std::string_view text2, const std::string& key) {
  // Equal texts pair equal lines, whatever the key: a rebuilt dispatcher's ".fid" is
  // mostly a copy of its template.
  if (text1 == text2) return true;
  const bool keyed = !key.empty();
  const std::string lowerKey = platform::ToLowerAscii(key);
  Lines lines1(text1), lines2(text2);
  std::string_view line1, line2;
  while (NextLine(lines1, lowerKey, line1)) {
    if (!NextLine(lines2, lowerKey, line2)) {
      // Without a key a shorter second file differs; with a key the remaining key lines
      // of the first file have no partner and are not compared.
      if (!keyed) return false;
      continue;
    }
    if (!SameNormalisedLines(line1, line2, keyed)) return false;
  }
  return true;
}

bool CRvcUtils::FindFirstMatch(const std::string& folder, const std::string& pattern) {
  std::string where, name;
  SplitPattern(folder, pattern, where, name);
  search_ = std::make_unique<SearchState>();
  const Folder found = Folder::Open(where);
  ListFolder(found, name, false, search_->matches, nullptr);
  std::sort(search_->matches.begin(), search_->matches.end(),
            [](const Match& a, const Match& b) { return ByName(a.name, b.name); });
  search_->folder = std::move(where);
  return FindNextMatch();
}

std::vector<std::string> CRvcUtils::ListFiles(std::string& folder, const std::string& pattern) {
  std::string where, name;
  SplitPattern(folder, pattern, where, name);
  std::vector<Match> matches;
  const Folder found = Folder::Open(where);
  if (found.ok()) {
    ListFolder(found, name, false, matches, nullptr);
  } else {
    where = platform::ResolveNoCase(where);  // as far as it exists
  }
  folder = std::move(where);
  std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return ByName(a.name, b.name); });
  std::vector<std::string> names;
  names.reserve(matches.size());
  for (Match& match : matches) names.push_back(std::move(match.name));
  return names;
}

bool CRvcUtils::FindNextMatch() {
  if (!search_ || search_->next >= search_->matches.size()) {
    search_.reset();
    return false;
  }
  const Match& match = search_->matches[search_->next++];
  foundName_ = match.name;
  foundTime_ = match.time;
  if (foundTime_ == kUnknownTime) foundFolder_ = search_->folder;
  return true;
}

int64_t CRvcUtils::FoundTime() const {
  if (foundTime_ == kUnknownTime) {
    struct stat st {};
    const std::string path = platform::JoinPath(foundFolder_, foundName_);
    foundTime_ = ::stat(path.empty() ? "." : path.c_str(), &st) == 0 ? LastWriteTime(st) : 0;
  }
  return foundTime_;
}

bool CRvcUtils::FindNewestFile(const std::string& folder, std::string& pattern, bool newest) {
  if (pattern.empty()) return false;
  std::string where, name;
  SplitPattern(folder, pattern, where, name);
  const Folder found = Folder::Open(where);
  if (!found.ok()) return false;
  if (!newest) return FindFirstDepthFirst(found, name, pattern);

  std::vector<Match> files;
  ListFolder(found, name, true, files, nullptr);
  if (files.empty()) return false;
  // Of equal times the first by name.
  const Match* best = &files.front();
  for (const Match& match : files) {
    if (match.time > best->time || (match.time == best->time && ByName(match.name, best->name))) best = &match;
  }
  pattern = platform::JoinPath(where, best->name);
  return true;
}

bool CRvcUtils::FindFileOrFallback(const std::string& folder, std::string& pattern, std::string& fallback) {
  // Mostly both patterns are names in `folder` itself, which then needs no splitting.
  const bool names = pattern.find(platform::kSeparator) == std::string::npos &&
                     fallback.find(platform::kSeparator) == std::string::npos;
  std::string where, name, fallbackWhere, fallbackName;
  if (!names) {
    SplitPattern(folder, pattern, where, name);
    SplitPattern(folder, fallback, fallbackWhere, fallbackName);
  }
  if (pattern.empty() || fallback.empty() || where != fallbackWhere) {
    if (FindNewestFile(folder, pattern, false)) return true;
    if (!FindNewestFile(folder, fallback, false)) fallback.clear();
    return false;
  }
  if (names) {
    name = pattern;
    fallbackName = fallback;
  }
  std::string fallbackFound;
  const Folder found = names ? Folder::Borrow(folder) : Folder::Take(std::move(where));
  if (found.ok() && FindFirstDepthFirst(found, name, pattern, &fallbackName, &fallbackFound)) return true;
  fallback = std::move(fallbackFound);
  return false;
}

CRvcUtils::ListingScope::ListingScope()
    : listings_(t_spareListings ? std::move(t_spareListings) : std::make_unique<Listings>()), outer_(t_listings) {
  t_listings = listings_.get();
}

CRvcUtils::ListingScope::~ListingScope() {
  t_listings = outer_;
  listings_->Clear();
  if (!t_spareListings) t_spareListings = std::move(listings_);
}

void CRvcUtils::ListingScope::ForgetCurrent() {
  if (t_listings != nullptr) t_listings->Clear();
}

int OpenInListedFolder(const std::string& path, int flags) {
  const size_t slash = path.rfind(platform::kSeparator);
  if (t_listings == nullptr || slash == std::string::npos || slash + 1 == path.size()) return -1;
  const CRvcUtils::ListingScope::Listings::Listing* listing =
      t_listings->Find(ListingKey(std::string_view(path).substr(0, slash + 1)));
  if (listing == nullptr || !listing->folder.ok()) return -1;
  return ::openat(listing->folder.get(), path.c_str() + slash + 1, flags);
}

}  // namespace rvc::store
