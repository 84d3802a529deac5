#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "tests/support/test_support.h"

namespace rvc::platform {
namespace {

using test::ReadFile;
using test::Snapshot;
using test::TempDir;
using test::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(AtomicFileName, TemporaryNamesAreRecognised) {
  const std::pair<const char*, bool> names[] = {
      {".rvc1.cfg.rvctmpA1b2C3", true}, {".x.rvctmp000000", true},  {"rvc1.cfg.rvctmpA1b2C3", false},
      {"..rvctmpA1b2C3", false},        {".x.rvctmpA1b2C", false}, {".x.rvctmpA1b2C!", false},
      {".x.rvctmpA1b2C3x", false},      {".x.tmpA1b2C3", false},   {"", false},
  };
  for (const auto& [name, expected] : names) EXPECT_EQ(IsAtomicFileTemporary(name), expected) << name;
}

// What a successful replacement leaves: the new bytes, the right permission bits, and no
// temporary file; a link in the target's place is replaced, its target untouched.
TEST(AtomicFile, ReplacesTheTargetWholeAndKeepsItsMode) {
  struct Case {
    const char* name;
    std::function<void(const std::string& target, const std::string& outside)> prepare;
    mode_t mode;
  };
  const Case cases[] = {
      {"new file", [](const std::string&, const std::string&) {}, 0644},
      {"existing file keeps its bits",
       [](const std::string& target, const std::string&) {
         WriteFile(target, "old");
         ::chmod(target.c_str(), 0640);
       },
       0640},
      {"a link is replaced, never followed",
       [](const std::string& target, const std::string& outside) {
         WriteFile(outside, "outside");
         ASSERT_EQ(::symlink(outside.c_str(), target.c_str()), 0);
       },
       0644},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string target = dir / "in/rvc1.cfg", outside = dir / "outside.txt";
    WriteFile(dir / "in/other", "");
    c.prepare(target, outside);
    AtomicFile file;
    ASSERT_TRUE(file.Begin(target)) << file.ErrorText();
    EXPECT_TRUE(IsAtomicFileTemporary(file.TemporaryName())) << file.TemporaryName();
    const std::string_view pieces[] = {"by", "", "tes"};
    EXPECT_TRUE(file.Write("new ") && file.Write(pieces));
    ASSERT_TRUE(file.Commit()) << file.ErrorText();
    EXPECT_EQ(ReadFile(target), "new bytes");
    EXPECT_TRUE(S_ISREG(ModeOf(target)));
    EXPECT_EQ(ModeOf(target) & 07777, c.mode);
    EXPECT_EQ(Snapshot(dir / "in").size(), 2u) << "a temporary file was left";
    EXPECT_EQ(ReadFile(outside), test::FileExists(outside) ? "outside" : "");
  }
}

// Every failure leaves the old files and no temporary file behind, and says why.
TEST(AtomicFile, FailuresLeaveTheOldFile) {
  auto writeAndCommit = [](AtomicFile& file, const std::string& target) {
    return file.Begin(target) && file.Write("new") && file.Commit();
  };
  struct Case {
    const char* name;
    const char* target;  // in the folder holding "rvc1.cfg" and the folder "data/"
    std::function<bool(AtomicFile& file, const std::string& target)> run;
    const char* reason;
  };
  const Case cases[] = {
      {"dropped without commit", "rvc1.cfg",
       [](AtomicFile& file, const std::string& target) {
         return file.Begin(target) && file.Write("partial") && (file.Discard(), false);
       },
       ""},
      {"pieces beyond the file size limit, which takes part of one", "rvc1.cfg",
       [&](AtomicFile& file, const std::string& target) {
         struct rlimit saved {};
         ::getrlimit(RLIMIT_FSIZE, &saved);
         auto handler = ::signal(SIGXFSZ, SIG_IGN);
         struct rlimit small = saved;
         small.rlim_cur = 2;
         ::setrlimit(RLIMIT_FSIZE, &small);
         const std::string_view pieces[] = {"n", "ew"};
         const bool written = file.Begin(target) && file.Write(pieces) && file.Commit();
         ::setrlimit(RLIMIT_FSIZE, &saved);
         ::signal(SIGXFSZ, handler);
         return written;
       },
       "write: File too large"},
      {"a folder in the target's place", "data", writeAndCommit, "rename: Is a directory"},
      {"a missing folder", "missing/rvc1.cfg", writeAndCommit, "open folder: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFile(dir / "rvc1.cfg", "old");
    WriteFile(dir / "data/zv_config.res", "old");
    AtomicFile file;
    EXPECT_FALSE(c.run(file, dir / c.target));
    EXPECT_EQ(file.ErrorText(), c.reason);
    file.Discard();
    EXPECT_EQ(Snapshot(dir.Path()), (std::map<std::string, std::string>{
                                         {"rvc1.cfg", "old"}, {"data/", ""}, {"data/zv_config.res", "old"}}));
  }
}

// A real full disk: a tmpfs of a few pages, filled but for a little.
TEST(AtomicFile, FullDiskFailsAtWriteAndKeepsTheOldFile) {
  TempDir dir;
  const std::string disk = dir / "disk";
  ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
  }
  const std::string target = disk + "/QBRAVLIN3_GENERIC.PPD";
  WriteFile(target, "old PPD");
  AtomicFile file;
  ASSERT_TRUE(file.Begin(target));
  bool written = true;
  for (int i = 0; i < 64 && written; ++i) written = file.Write(std::string(4096, 'x'));
  EXPECT_FALSE(written);
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.ErrorText(), "write: No space left on device");
  EXPECT_EQ(ReadFile(target), "old PPD");
  EXPECT_EQ(Snapshot(disk).size(), 1u);
  ::umount(disk.c_str());
}

}  // namespace
}  // namespace rvc::platform
