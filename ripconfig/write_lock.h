// The write lock of a dispatcher's RIP configuration: an advisory lock (flock) on a lock
// file next to "zv_config.res". It excludes other processes and other open handles of
// the same process alike; it is gone when its holder exits, however it exits.
#pragma once

#include <string>

namespace rvc::ripconfig {

class WriteLock {
 public:
  // `lockPath` is the lock file, e.g. ".../data/zv_config.res.lock".
  explicit WriteLock(std::string lockPath);
  ~WriteLock();  // releases
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

  // Takes the lock; waits up to `waitSeconds` for a holder to let go (0: try once).
  // True when it is held afterwards (also when it was held already). On failure
  // `reason` tells why.
  bool Acquire(int waitSeconds, std::string* reason = nullptr);
  // Lets it go and removes the lock file. Nothing happens when it is not held.
  void Release();
  bool Held() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

 private:
  bool TryOnce(std::string& reason);

  std::string path_;
  int fd_ = -1;
};

}  // namespace rvc::ripconfig
