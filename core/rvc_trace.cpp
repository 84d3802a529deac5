#include "core/rvc_trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/environment.h"
#include "platform/path.h"

namespace rvc {
namespace {

struct SharedTrace {
  int fd = -1;
  int instances = 0;
  std::string path;
};

SharedTrace& Shared() {
  static SharedTrace shared;
  return shared;
}

std::string ExpandedFolder(const std::string& text) {
  auto expanded = platform::ExpandEnvironmentReferences(text);
  if (!expanded || expanded->empty()) return {};
  return platform::WithTrailingSeparator(platform::NativePath(*expanded));
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // tracing never fails the caller
    }
    done += static_cast<size_t>(n);
  }
}

constexpr int kOpenFlags = O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW;

// Opens the trace file without following a link in its place, and only when it is a
// plain file of its own: a link, or a hard link to some other file planted in a shared
// temporary folder, must not be written to or cut. -1 when it is not to be used.
int OpenOwnFile(std::string& path) {
  const int fd = platform::OpenNoCase(path, kOpenFlags, 0644);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Keeps the trace from growing without end: a file past the limit is replaced by its
// tail (platform::AtomicFile, so a kill leaves the whole file or the tail) and opened
// again. Returns the descriptor to write to.
int CutToTail(int fd, std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size <= CRvcTrace::kSizeLimit) return fd;
  std::string tail(static_cast<size_t>(CRvcTrace::kKeptTail), '\0');
  size_t got = 0;
  while (got < tail.size()) {
    ssize_t n = ::pread(fd, tail.data() + got, tail.size() - got,
                        st.st_size - CRvcTrace::kKeptTail + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fd;  // leave the file as it is rather than lose more than the head
    got += static_cast<size_t>(n);
  }
  platform::AtomicFile cut;
  if (!cut.Begin(path)) return fd;
  cut.SetMode(st.st_mode & 07777);
  if (!cut.Write(tail) || !cut.Commit()) return fd;
  ::close(fd);
  return OpenOwnFile(path);
}

}  // namespace

std::string CRvcTrace::DefaultTraceFolder() {
  platform::KW_EnvironmentSetupEx();
  const std::optional<std::string> data = platform::GetEnv("KW_DATA_RAVLINCONFIG");
  const std::optional<std::string> tmp = platform::GetEnv("TMP");
  const std::optional<std::string> tmpdir = platform::GetEnv("TMPDIR");
  // Values without references expand to themselves alone: the folder follows from them.
  static thread_local struct {
    bool valid = false;
    std::optional<std::string> data, tmp, tmpdir;
    std::string folder;
  } last;
  if (last.valid && last.data == data && last.tmp == tmp && last.tmpdir == tmpdir) return last.folder;

  std::string folder = ExpandedFolder(data.value_or(""));
  if (folder.empty() && tmp) folder = ExpandedFolder("%TMP%");
  if (folder.empty()) folder = ExpandedFolder(tmpdir.value_or(""));
  if (folder.empty()) folder = "/tmp/";
  auto plain = [](const std::optional<std::string>& value) { return !value || value->find('%') == std::string::npos; };
  last.valid = plain(data) && plain(tmp) && plain(tmpdir);
  last.data = data;
  last.tmp = tmp;
  last.tmpdir = tmpdir;
  last.folder = folder;
  return folder;
}

std::string CRvcTrace::CurrentFile() { return Shared().fd >= 0 ? Shared().path : std::string(); }

CRvcTrace::CRvcTrace(const std::string& name) {
  SharedTrace& shared = Shared();
  if (shared.instances++ > 0) return;
  shared.path = name.empty() ? DefaultTraceFolder() + "trace_rvc.txt" : platform::NativePath(name);
  // O_APPEND: every write lands at the current end, also when another process or
  // another descriptor wrote meanwhile.
  shared.fd = OpenOwnFile(shared.path);
  if (shared.fd >= 0) shared.fd = CutToTail(shared.fd, shared.path);
}

CRvcTrace::~CRvcTrace() {
  SharedTrace& shared = Shared();
  if (--shared.instances > 0) return;
  if (shared.fd >= 0) ::close(shared.fd);
  shared.fd = -1;
  shared.path.clear();
}

void CRvcTrace::Trace(std::string_view message) {
  int fd = Shared().fd;
  if (fd < 0) return;
  // The stamp is formatted once a second (and again when the time zone changes): loads
  // trace a line for each file they rebuild.
  static thread_local std::time_t stampSecond = -1;
  static thread_local std::string stampZone;
  static thread_local char stamp[32];
  static thread_local size_t length = 0;
  const std::time_t now = std::time(nullptr);
  const char* zone = std::getenv("TZ");
  const std::string_view zoneNow = zone != nullptr ? std::string_view(zone) : std::string_view("\n");
  if (now != stampSecond || zoneNow != stampZone) {
    std::tm local {};
    ::localtime_r(&now, &local);
    length = std::strftime(stamp, sizeof stamp, "%Y-%m-%d,%H:%M:%S", &local);
    stampSecond = now;
    stampZone = zoneNow;
  }
  std::string line;
  line.reserve(length + message.size() + 8);
  line.append(stamp, length).append("\tRVC::").append(message).push_back('\n');
  WriteAll(fd, line);
}

}  // namespace rvc
