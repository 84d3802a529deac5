// One interactive instance per product version and user.
//
// The instance named N holds an exclusive flock on "N.lock" for its whole run and listens
// on the Unix-domain socket "N.sock" beside it, both in $XDG_RUNTIME_DIR (else in
// /tmp/ravlin-<uid>). A second start finds the lock taken, connects to the socket and
// asks the first instance to come to the front, then ends. The lock goes away with the
// process that held it, whatever way that process ends.
//
// The request cannot race: the first instance counts every accepted connection as a
// request and reads the request text before it closes the connection, and the second
// counts a connection that succeeded as answered, whatever its send gives.
#pragma once

#include <functional>
#include <string>

namespace rvc::frame {

class CSingleInstance {
 public:
  // Tries to take the instance `name` in `folder` ("" for the default folder).
  // `onActivate` runs, on the caller's thread, inside ServePending() for every request of
  // a later instance to come to the front.
  CSingleInstance(const std::string& name, std::function<void()> onActivate, const std::string& folder = {});
  ~CSingleInstance();
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // True when this process holds the instance.
  bool IsFirst() const { return first_; }

  // For a later instance: asks the first one to come to the front. True once connected.
  // A socket that is missing or refuses is tried again for about a second (the first
  // binds it right after taking the lock); false when it could not be reached (it is
  // gone), in which case the caller goes on as if it were the first.
  bool ActivateFirst() const;

  // The listening socket, for an event loop to watch for readability; -1 when none.
  int ListenHandle() const { return listen_; }
  // Answers the requests waiting on the socket without blocking; returns how many.
  int ServePending();

  static std::string DefaultFolder();
  const std::string& LockPath() const { return lockPath_; }
  const std::string& SocketPath() const { return socketPath_; }

 private:
  std::function<void()> onActivate_;
  std::string lockPath_;
  std::string socketPath_;
  int lock_ = -1;
  int listen_ = -1;
  bool first_ = false;
};

}  // namespace rvc::frame
