#include "platform/sync_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace rvc::platform {
namespace {

int depth = 0;
// One open descriptor per file system written on, for its syncfs.
std::vector<std::pair<dev_t, int>> fileSystems;

}  // namespace

SyncBatch::SyncBatch() { ++depth; }

SyncBatch::~SyncBatch() {
  if (--depth > 0) return;
  for (const auto& [device, fd] : fileSystems) {
    ::syncfs(fd);
    ::close(fd);
  }
  fileSystems.clear();
}

bool SyncBatch::Active() { return depth > 0; }

void SyncBatch::Note(int fd) {
  struct stat st {};
  if (depth == 0 || ::fstat(fd, &st) != 0) return;
  for (const auto& entry : fileSystems) {
    if (entry.first == st.st_dev) return;
  }
  const int kept = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (kept >= 0) fileSystems.emplace_back(st.st_dev, kept);
}

}  // namespace rvc::platform
