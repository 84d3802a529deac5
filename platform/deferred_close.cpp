#include "platform/deferred_close.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace rvc::platform {
namespace {

thread_local DeferredCloses* t_scope = nullptr;

// Closes [first, last], all of them the caller's. close_range(2) is Linux 5.9 and later;
// before that, one by one.
void CloseRun(int first, int last) {
  if (first < last && ::close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) == 0) return;
  for (int fd = first; fd <= last; ++fd) ::close(fd);
}

}  // namespace

DeferredCloses::DeferredCloses() : outermost_(t_scope == nullptr) {
  if (outermost_) {
    held_.reserve(kHeld);
    t_scope = this;
  }
}

DeferredCloses::~DeferredCloses() {
  if (!outermost_) return;
  Flush();
  t_scope = nullptr;
}

void DeferredCloses::Flush() {
  if (held_.empty()) return;
  const int error = errno;
  // Only runs of numbers that are all held go to close_range: a number between two held
  // ones may belong to another thread.
  std::sort(held_.begin(), held_.end());
  for (size_t first = 0, last = 0; first < held_.size(); first = ++last) {
    while (last + 1 < held_.size() && held_[last + 1] == held_[last] + 1) ++last;
    CloseRun(held_[first], held_[last]);
  }
  held_.clear();
  errno = error;
}

void CloseDeferred(int fd) {
  if (fd < 0) return;
  DeferredCloses* scope = t_scope;
  if (scope == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return;
  }
  if (scope->held_.size() == DeferredCloses::kHeld) scope->Flush();
  scope->held_.push_back(fd);
}

}  // namespace rvc::platform
