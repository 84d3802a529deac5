// File comparison and file searches of CRvcUtils.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "frame/rvc_exception.h"
#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

struct Match {
  std::string name;
  int64_t time = 0;
};

int64_t LastWriteTime(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
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
  where = platform::ResolveNoCase(where);
}

// The entries of `folder`, files matching `pattern` and subfolders (links to folders are
// not followed), both in the order of their names ignoring case, so that results do not
// depend on the order in which the file system happens to list them.
void ListFolder(const std::string& folder, const std::string& pattern, std::vector<Match>& files,
                std::vector<std::string>* subfolders) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    const bool wanted = platform::MatchesPatternNoCase(name, pattern);
    if (!wanted && subfolders == nullptr) continue;
    std::string path = platform::JoinPath(folder, name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) continue;  // dangling link
    if (S_ISDIR(st.st_mode)) {
      struct stat link {};
      if (subfolders != nullptr && ::lstat(path.c_str(), &link) == 0 && S_ISDIR(link.st_mode)) {
        subfolders->push_back(std::string(name));
      }
    } else if (wanted && S_ISREG(st.st_mode)) {
      files.push_back(Match{std::string(name), LastWriteTime(st)});
    }
  }
  ::closedir(dir);
  auto byName = [](const std::string& a, const std::string& b) {
    std::string la = platform::ToLowerAscii(a), lb = platform::ToLowerAscii(b);
    return la != lb ? la < lb : a < b;
  };
  std::sort(files.begin(), files.end(), [&](const Match& a, const Match& b) { return byName(a.name, b.name); });
  if (subfolders != nullptr) std::sort(subfolders->begin(), subfolders->end(), byName);
}

// The first file matching `pattern` in `folder`, else in its subfolders, depth first.
bool FindFirstDepthFirst(const std::string& folder, const std::string& pattern, std::string& found) {
  std::vector<Match> files;
  std::vector<std::string> subfolders;
  ListFolder(folder, pattern, files, &subfolders);
  if (!files.empty()) {
    found = platform::JoinPath(folder, files.front().name);
    return true;
  }
  for (const std::string& sub : subfolders) {
    if (FindFirstDepthFirst(platform::JoinPath(folder, sub), pattern, found)) return true;
  }
  return false;
}

// One line of a compared file: lower case, without blanks and tabs (and, with a key,
// without ":" and "=").
std::string Normalised(const std::string& line, bool keyed) {
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (keyed && (c == ':' || c == '=')) continue;
    out.push_back(c);
  }
  return platform::ToLowerAscii(out);
}

// The next line of `in` (without its end), or the next line that contains `key`
// ignoring case when a key is given.
bool NextLine(std::ifstream& in, const std::string& key, std::string& line) {
  while (std::getline(in, line)) {
    if (key.empty() || platform::ToLowerAscii(line).find(key) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

// The listing behind FindFirstMatch / FindNextMatch.
struct CRvcUtils::SearchState {
  std::vector<std::pair<std::string, int64_t>> matches;  // name, last-write time
  size_t next = 0;
};

CRvcUtils::CRvcUtils() = default;
CRvcUtils::~CRvcUtils() = default;

bool CRvcUtils::CompareFiles(const std::string& file1, const std::string& file2, const std::string& key) const {
  if (platform::EqualsNoCase(file1, file2)) return true;
  std::ifstream in1(platform::ResolveNoCase(file1), std::ios::binary);
  if (!in1) throw CRvcException(104, file1);
  std::ifstream in2(platform::ResolveNoCase(file2), std::ios::binary);
  if (!in2) throw CRvcException(104, file2);

  const bool keyed = !key.empty();
  const std::string lowerKey = platform::ToLowerAscii(key);
  std::string line1, line2;
  while (NextLine(in1, lowerKey, line1)) {
    if (!NextLine(in2, lowerKey, line2)) {
      // Without a key a shorter second file differs; with a key the remaining key lines
      // of the first file have no partner and are not compared.
      if (!keyed) return false;
      continue;
    }
    if (Normalised(line1, keyed) != Normalised(line2, keyed)) return false;
  }
  return true;
}

bool CRvcUtils::FindFirstMatch(const std::string& folder, const std::string& pattern) {
  std::string where, name;
  SplitPattern(folder, pattern, where, name);
  std::vector<Match> files;
  ListFolder(where, name, files, nullptr);
  search_ = std::make_unique<SearchState>();
  for (Match& match : files) search_->matches.emplace_back(std::move(match.name), match.time);
  return FindNextMatch();
}

bool CRvcUtils::FindNextMatch() {
  if (!search_ || search_->next >= search_->matches.size()) {
    search_.reset();
    return false;
  }
  const auto& [name, time] = search_->matches[search_->next++];
  foundName_ = name;
  foundTime_ = time;
  return true;
}

bool CRvcUtils::FindNewestFile(const std::string& folder, std::string& pattern, bool newest) {
  if (pattern.empty()) return false;
  std::string where, name;
  SplitPattern(folder, pattern, where, name);
  if (!newest) return FindFirstDepthFirst(where, name, pattern);

  std::vector<Match> files;
  ListFolder(where, name, files, nullptr);
  if (files.empty()) return false;
  const Match* best = &files.front();
  for (const Match& match : files) {
    if (match.time > best->time) best = &match;  // of equal times the earlier stays
  }
  pattern = platform::JoinPath(where, best->name);
  return true;
}

}  // namespace rvc::store
