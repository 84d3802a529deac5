#include "platform/environment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>

#include "platform/path.h"
#include "platform/text.h"

extern char** environ;

namespace rvc::platform {
namespace {

constexpr const char* kFileVariable = "RAVLIN_ENVIRONMENT_FILE";
constexpr const char* kDefaultFile = "/etc/ravlin/environment";

// Reads the environment file into `bytes`; the reason why not otherwise. Opened without
// blocking, so that a FIFO in its place cannot hang the program, and read only when it
// is a regular file within the limit, so that /dev/zero cannot grow it without end.
std::optional<std::string> ReadLimited(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    return errno == ENOENT ? std::string("does not exist") : std::string("cannot be read (") + std::strerror(errno) + ")";
  }
  std::optional<std::string> problem;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    problem = std::string("cannot be read (") + std::strerror(errno) + ")";
  } else if (!S_ISREG(st.st_mode)) {
    problem = "is not a regular file";
  } else if (st.st_size > static_cast<off_t>(kEnvironmentFileLimit)) {
    problem = "is larger than " + std::to_string(kEnvironmentFileLimit / 1024) + " KiB";
  } else {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        problem = std::string("cannot be read (") + std::strerror(errno) + ")";
        break;
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
      // A file that grows while it is read stops at the limit all the same.
      if (bytes.size() > kEnvironmentFileLimit) {
        problem = "is larger than " + std::to_string(kEnvironmentFileLimit / 1024) + " KiB";
        break;
      }
    }
  }
  ::close(fd);
  if (problem) bytes.clear();
  return problem;
}

using Entries = std::vector<EnvironmentEntry>;

// The environment file as last read. Every trace sets up the environment, and a load
// of the catalogue makes a score of traces: a stat tells whether the file is still the
// one read. A file written within the last moments is read again each time, as a
// rewrite of the same size within the granularity of its time stamps would not show.
struct FileCache {
  std::mutex mutex;
  std::string path;
  struct stat identity {};
  bool settled = false;
  std::shared_ptr<const Entries> entries;
};

constexpr time_t kSettledAfterSeconds = 2;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::shared_ptr<const Entries> EnvironmentFileEntries(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::make_shared<const Entries>();
  static FileCache cache;
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (cache.settled && cache.path == path && SameFile(cache.identity, st)) return cache.entries;
  cache.entries = std::make_shared<const Entries>(ReadEnvironmentFile(path));
  cache.path = path;
  cache.identity = st;
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  cache.settled = now.tv_sec - std::max(st.st_mtim.tv_sec, st.st_ctim.tv_sec) > kSettledAfterSeconds;
  return cache.entries;
}

}  // namespace

std::optional<std::string> GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void SetEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }

void UnsetEnv(const std::string& name) { ::unsetenv(name.c_str()); }

std::string EnvironmentFilePath() {
  if (auto named = GetEnv(kFileVariable); named && !named->empty()) return *named;
  return kDefaultFile;
}

std::vector<EnvironmentEntry> ReadEnvironmentFile(const std::string& path) {
  std::vector<EnvironmentEntry> entries;
  std::string bytes;
  if (ReadLimited(path, bytes)) return entries;
  std::string_view rest(bytes);
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    line = Trim(line, " \t\r");
    if (line.empty() || line.front() == '#') continue;
    if (line.size() > 7 && line.substr(0, 6) == "export" && (line[6] == ' ' || line[6] == '\t')) {
      line = Trim(line.substr(7), " \t\r");
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view name = Trim(line.substr(0, eq), " \t\r");
    if (name.empty()) continue;
    std::string value(Trim(line.substr(eq + 1), " \t\r"));
    // A later line for the same name replaces the earlier one, as when a shell reads it.
    auto same = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
    if (same != entries.end()) {
      same->value = std::move(value);
    } else {
      entries.push_back({std::string(name), std::move(value)});
    }
  }
  return entries;
}

namespace {

// The problem with the environment file in use as a sentence naming it, or nothing.
std::optional<std::string> Describe(bool missingOnly) {
  const std::string path = EnvironmentFilePath();
  std::string bytes;
  const std::optional<std::string> problem = ReadLimited(path, bytes);
  if (!problem || (*problem == "does not exist") != missingOnly) return std::nullopt;
  const bool named = GetEnv(kFileVariable) && !GetEnv(kFileVariable)->empty();
  return "The environment file " + path + " " + *problem +
         (named ? " (named by " + std::string(kFileVariable) + ")" : std::string());
}

}  // namespace

std::optional<std::string> EnvironmentFileProblem() { return Describe(false); }

std::optional<std::string> MissingEnvironmentFile() {
  // A process that has the installation's folder of its own does not need the file.
  if (GetEnv("KW_DATA_RAVLINCONFIG")) return std::nullopt;
  return Describe(true);
}

void KW_EnvironmentSetupEx() {
  const std::shared_ptr<const Entries> entries = EnvironmentFileEntries(EnvironmentFilePath());
  for (const auto& entry : *entries) {
    if (!GetEnv(entry.name)) SetEnv(entry.name, entry.value);
  }
}

std::vector<EnvironmentEntry> KW_EnvironmentList() {
  std::vector<EnvironmentEntry> entries = *EnvironmentFileEntries(EnvironmentFilePath());
  for (auto& entry : entries) {
    if (auto current = GetEnv(entry.name)) entry.value = *current;
  }
  return entries;
}

// Installations come from a platform whose variable names ignore case, so "%kw_data_x%"
// finds KW_DATA_X. The exact spelling wins when both exist.
namespace {

// The value of the variable `name` (its spelling first, then ignoring case), without a
// copy; nullptr when it is not set.
const char* FindEnvNoCase(std::string_view name) {
  char spelt[256];
  if (name.size() < sizeof spelt && name.find('\0') == std::string_view::npos) {
    std::memcpy(spelt, name.data(), name.size());
    spelt[name.size()] = '\0';
    if (const char* value = std::getenv(spelt)) return value;
  }
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const size_t eq = text.find('=');
    if (eq != std::string_view::npos && EqualsNoCase(text.substr(0, eq), name)) return *entry + eq + 1;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> GetEnvNoCase(const std::string& name) {
  const char* value = FindEnvNoCase(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> ExpandEnvironmentReferences(std::string_view text, size_t maxLength) {
  std::string out;
  // Room for a folder or two that the references name: expanding mostly allocates once.
  out.reserve(text.size() + 128);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find('%', pos);
    if (open == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, open - pos));
    size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out.append(text.substr(open));
      break;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const char* value = name.empty() ? nullptr : FindEnvNoCase(name);
    if (value != nullptr) {
      out.append(value);
      pos = close + 1;
    } else {
      // Unknown references stay as written; the closing "%" may open the next one.
      out.append(text.substr(open, close - open));
      pos = close;
    }
  }
  if (maxLength != 0 && out.size() > maxLength) return std::nullopt;
  return out;
}

}  // namespace rvc::platform
