#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "ripconfig/ravlcfg.h"
#include "tests/ripconfig/dispatcher_files.h"
#include "tests/support/test_support.h"

namespace rvc::ripconfig {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

// A child process that opens the configuration, takes its write lock, reports through a
// pipe and keeps the lock until the parent writes to it (or for `holdMs` milliseconds).
class LockingChild {
 public:
  LockingChild(const std::string& configPath, int holdMs = -1) {
    if (pipe(ready_) != 0 || pipe(release_) != 0) ADD_FAILURE() << "pipe";
    pid_ = fork();
    if (pid_ == 0) {
      RavlcfgHandle* handle = ravlcfg_open(configPath);
      char status = handle != nullptr && ravlcfg_gain_writelock(handle, 0) == 1 ? 'L' : 'F';
      [[maybe_unused]] ssize_t n = write(ready_[1], &status, 1);
      if (holdMs >= 0) {
        usleep(static_cast<useconds_t>(holdMs) * 1000);
      } else {
        char ignored;
        n = read(release_[0], &ignored, 1);
      }
      ravlcfg_close(&handle);
      _exit(status == 'L' ? 0 : 1);
    }
  }
  ~LockingChild() {
    Release();
    for (int fd : {ready_[0], ready_[1], release_[0], release_[1]}) close(fd);
  }
  pid_t Pid() const { return pid_; }
  // True when the child holds the lock.
  bool WaitUntilLocked() {
    char status = 0;
    return read(ready_[0], &status, 1) == 1 && status == 'L';
  }
  // Lets the child release the lock and end; its exit code.
  int Release() {
    if (pid_ <= 0) return -1;
    char go = 'x';
    [[maybe_unused]] ssize_t n = write(release_[1], &go, 1);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  int ready_[2] = {-1, -1};
  int release_[2] = {-1, -1};
  pid_t pid_ = -1;
};

class WriteLockTest : public ::testing::Test {
 protected:
  void SetUp() override { configPath = testing::WriteDispatcher(dir); }

  TempDir dir;
  std::string configPath;
};

TEST_F(WriteLockTest, LockHeldByAnotherProcessRefusesGainAndWrite) {
  RavlcfgHandle* handle = ravlcfg_open(configPath);
  ASSERT_NE(handle, nullptr);
  {
    LockingChild child(configPath);
    ASSERT_TRUE(child.WaitUntilLocked());

    EXPECT_EQ(ravlcfg_gain_writelock(handle, 0), 0);
    ASSERT_EQ(ravlcfg_get_nr_errors(handle), 1);
    EXPECT_THAT(ravlcfg_get_errormessages(handle)[0], HasSubstr("locked by process " + std::to_string(child.Pid())));
    ravlcfg_get_rec(handle)->maxWidth = 1;
    EXPECT_EQ(ravlcfg_write(handle), 0);

    EXPECT_EQ(child.Release(), 0);
  }
  EXPECT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
  EXPECT_EQ(ravlcfg_write(handle), 1);
  ravlcfg_close(&handle);
  EXPECT_EQ(handle, nullptr);
}

TEST_F(WriteLockTest, GainWaitsForTheHolderWhenAskedTo) {
  RavlcfgHandle* handle = ravlcfg_open(configPath);
  ASSERT_NE(handle, nullptr);
  LockingChild child(configPath, 200);
  ASSERT_TRUE(child.WaitUntilLocked());
  EXPECT_EQ(ravlcfg_gain_writelock(handle, 0), 0);
  EXPECT_EQ(ravlcfg_gain_writelock(handle, 10), 1);
  EXPECT_EQ(child.Release(), 0);
  ravlcfg_close(&handle);
}

TEST_F(WriteLockTest, TwoHandlesOfOneProcessExcludeEachOther) {
  RavlcfgHandle* first = ravlcfg_open(configPath);
  RavlcfgHandle* second = ravlcfg_open(configPath);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ravlcfg_gain_writelock(first, 0), 1);
  EXPECT_EQ(ravlcfg_gain_writelock(first, 0), 1) << "taking it again is fine";
  EXPECT_EQ(ravlcfg_gain_writelock(second, 0), 0);
  ravlcfg_release_writelock(first);
  EXPECT_EQ(ravlcfg_gain_writelock(second, 0), 1);
  EXPECT_EQ(ravlcfg_gain_writelock(first, 0), 0);
  ravlcfg_close(&second);
  EXPECT_EQ(ravlcfg_gain_writelock(first, 0), 1);
  ravlcfg_close(&first);
}

}  // namespace
}  // namespace rvc::ripconfig
