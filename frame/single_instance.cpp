#include "frame/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/environment.h"
#include "platform/path.h"
#include "platform/unique_fd.h"

namespace rvc::frame {
namespace {

constexpr char kRequest[] = "activate\n";
constexpr int kConnectAttempts = 20;
constexpr useconds_t kConnectPauseMicroseconds = 50000;
constexpr int kRequestWaitMilliseconds = 500;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

std::string CSingleInstance::DefaultFolder() {
  std::string runtime = platform::GetEnv("XDG_RUNTIME_DIR").value_or("");
  if (!runtime.empty()) return platform::WithTrailingSeparator(runtime);
  // /tmp is shared by all users: each has a folder of its own there.
  std::string folder = "/tmp/ravlin-" + std::to_string(::getuid()) + "/";
  ::mkdir(folder.c_str(), 0700);
  return folder;
}

CSingleInstance::CSingleInstance(const std::string& name, std::function<void()> onActivate, const std::string& folder)
    : onActivate_(std::move(onActivate)) {
  const std::string where = platform::WithTrailingSeparator(folder.empty() ? DefaultFolder() : folder);
  lockPath_ = where + name + ".lock";
  socketPath_ = where + name + ".sock";

  lock_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_ < 0) {
    // Without a lock file there is no way to tell; run rather than refuse to start.
    first_ = true;
    return;
  }
  if (::flock(lock_, LOCK_EX | LOCK_NB) != 0) return;  // another instance holds it
  first_ = true;

  // A socket file left by an instance that ended is stale: the lock proves nobody serves it.
  ::unlink(socketPath_.c_str());
  sockaddr_un address{};
  if (!MakeAddress(socketPath_, address)) return;
  listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listen_ < 0) return;
  if (::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listen_, 4) != 0) {
    ::close(listen_);
    listen_ = -1;
  }
}

CSingleInstance::~CSingleInstance() {
  if (listen_ >= 0) {
    ::close(listen_);
    ::unlink(socketPath_.c_str());
  }
  // The lock file stays: removed, it could let two later starts each lock a file of
  // their own (one the old file still open, the other a new one).
  if (lock_ >= 0) ::close(lock_);
}

bool CSingleInstance::ActivateFirst() const {
  sockaddr_un address{};
  if (!MakeAddress(socketPath_, address)) return false;
  // The holder of the lock binds its socket right after taking the lock: a start that
  // falls between the two finds no socket yet and tries again for a moment.
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    platform::UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!connection.ok()) return false;
    if (::connect(connection.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      // Connected is answered: the first instance counts every connection as a request,
      // whether or not the request text reaches it.
      (void)::send(connection.get(), kRequest, sizeof kRequest - 1, MSG_NOSIGNAL);
      return true;
    }
    if (errno != ENOENT && errno != ECONNREFUSED && errno != EINTR) return false;
    ::usleep(kConnectPauseMicroseconds);
  }
  return false;
}

int CSingleInstance::ServePending() {
  if (listen_ < 0) return 0;
  int served = 0;
  for (;;) {
    int connection = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
      if (errno == EINTR) continue;
      break;  // EAGAIN: nothing more waiting
    }
    // The request is read before the connection closes, so that the later start's send
    // never meets a closed socket; a client that sends nothing is not waited for long.
    pollfd readable{connection, POLLIN, 0};
    char request[sizeof kRequest];
    if (::poll(&readable, 1, kRequestWaitMilliseconds) == 1) (void)::recv(connection, request, sizeof request, 0);
    ::close(connection);
    ++served;
    if (onActivate_) onActivate_();
  }
  return served;
}

}  // namespace rvc::frame
