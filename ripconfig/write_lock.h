// The write lock of a dispatcher's RIP configuration: an advisory lock (flock) on the
// folder that holds "zv_config.res". It excludes other processes and other open handles
// of the same process alike; it is gone when its holder exits, however it exits. Locking
// the folder rather than a lock file beside the configuration leaves nothing on disk and
// costs no file creation, and it survives the atomic replacement of the files inside.
#pragma once

#include <string>

namespace rvc::ripconfig {

class WriteLock {
 public:
  // `folder` is the folder of "zv_config.res". `folderFd`, when not -1, is that folder
  // open already: the lock is taken on it instead of on a descriptor of its own, and it
  // must stay open as long as the lock.
  explicit WriteLock(std::string folder, int folderFd = -1);
  ~WriteLock();  // releases
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

  // Takes the lock; waits up to `waitSeconds` for a holder to let go (0: try once).
  // True when it is held afterwards (also when it was held already). On failure
  // `reason` tells why, naming the holding process when the system says which it is.
  bool Acquire(int waitSeconds, std::string* reason = nullptr);
  // Lets it go. Nothing happens when it is not held.
  void Release();
  bool Held() const { return fd_ >= 0; }
  const std::string& Folder() const { return folder_; }

 private:
  bool TryOnce(std::string& reason);

  std::string folder_;
  int shared_ = -1;  // the caller's descriptor of the folder
  int fd_ = -1;      // the descriptor locked; shared_ or one of our own
};

}  // namespace rvc::ripconfig
