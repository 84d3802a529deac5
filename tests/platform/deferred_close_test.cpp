#include "platform/deferred_close.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace rvc::platform {
namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

int OpenNull() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

TEST(DeferredCloses, HoldsUntilTheOutermostScopeEnds) {
  // Without a scope: closed at once, errno kept.
  int fd = OpenNull();
  errno = ENOENT;
  CloseDeferred(fd);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(IsOpen(fd));

  std::vector<int> fds;
  int foreign = -1;  // between two held ones, not held: must stay open
  {
    DeferredCloses outer;
    {
      DeferredCloses inner;
      for (int i = 0; i < 6; ++i) fds.push_back(OpenNull());
      foreign = fds[3];
      for (int held : fds) {
        if (held != foreign) CloseDeferred(held);
      }
    }
    for (int held : fds) EXPECT_TRUE(IsOpen(held)) << held << " closed when the inner scope ended";
    errno = EINTR;
  }
  EXPECT_EQ(errno, EINTR);
  for (int held : fds) EXPECT_EQ(IsOpen(held), held == foreign) << held;
  ::close(foreign);
}

TEST(DeferredCloses, ClosesWhatIsHeldWhenFull) {
  std::vector<int> fds;
  DeferredCloses scope;
  for (size_t i = 0; i <= DeferredCloses::kHeld; ++i) {
    fds.push_back(OpenNull());
    ASSERT_GE(fds.back(), 0);
    CloseDeferred(fds.back());
  }
  for (size_t i = 0; i < DeferredCloses::kHeld; ++i) EXPECT_FALSE(IsOpen(fds[i])) << i;
  EXPECT_TRUE(IsOpen(fds.back()));
  scope.Flush();
  EXPECT_FALSE(IsOpen(fds.back()));
}

}  // namespace
}  // namespace rvc::platform
