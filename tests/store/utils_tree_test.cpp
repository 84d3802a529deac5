// Folder trees of CRvcUtils: DeleteTree, CreateFolderTree, CopyTree, FolderInUse,
// BrowseForFolder and GetSpecialFolder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include "core/rvc_exception.h"
#include "store/rvc_utils.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::store {
namespace {

using test::FileExists;
using test::ReadFile;
using test::ScopedEnv;
using test::Snapshot;
using test::TempDir;
using test::WriteFile;

// Records the progress dialogs and the deepest wait-cursor nesting.
class RecordingUi : public ui::HeadlessUserInterface {
 public:
  struct Progress {
    std::string title;
    int total = 0;
    int steps = 0;
  };

  std::unique_ptr<ui::IProgress> BeginProgress(const std::string& title, int total) override {
    HeadlessUserInterface::BeginProgress(title, total);
    progresses.push_back(Progress{title, total, 0});
    return std::make_unique<Stepper>(progresses.back());
  }
  void SetBusy(bool busy) override {
    HeadlessUserInterface::SetBusy(busy);
    peakBusy = std::max(peakBusy, BusyDepth());
  }

  std::deque<Progress> progresses;  // one per call; a deque keeps earlier ones in place
  int peakBusy = 0;

 private:
  class Stepper : public ui::IProgress {
   public:
    explicit Stepper(Progress& progress) : progress_(progress) {}
    void SetRange(int total) override { progress_.total = total; }
    void Step() override { ++progress_.steps; }

   private:
    Progress& progress_;
  };
};

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

bool IsLink(const std::string& path) { return S_ISLNK(ModeOf(path)); }
bool IsDir(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string LinkText(const std::string& path) {
  char buffer[4096];
  ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
  return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

void SetMtime(const std::string& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

time_t MtimeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mtim.tv_sec;
}

// A file that even root cannot delete or change while this lives (the immutable
// attribute); not every file system or container allows setting it.
class ImmutableFile {
 public:
  explicit ImmutableFile(std::string path) : path_(std::move(path)) { ok_ = Set(true); }
  ~ImmutableFile() {
    if (ok_) Set(false);
  }
  bool ok() const { return ok_; }

 private:
  bool Set(bool on) {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }

  std::string path_;
  bool ok_ = false;
};

class TreeTest : public ::testing::Test {
 protected:
  TempDir dir_;
  CRvcUtils utils_;
  RecordingUi ui_;
  ui::ScopedUserInterface scoped_{ui_};
};

// --- DeleteTree ---

using DeleteTreeTest = TreeTest;

TEST_F(DeleteTreeTest, RemovesReadOnlyFilesAndFoldersWithTheWaitCursor) {
  WriteFile(dir_ / "tree/a.txt", "a");
  WriteFile(dir_ / "tree/sub/deeper/b.res", "b");
  WriteFile(dir_ / "tree/locked/c.txt", "c");
  ASSERT_EQ(::chmod((dir_ / "tree/a.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((dir_ / "tree/locked").c_str(), 0555), 0);
  WriteFile(dir_ / "treeX/keep.txt", "neighbour with the same prefix");

  utils_.DeleteTree(dir_ / "Tree/", true, false);
  EXPECT_FALSE(FileExists(dir_ / "tree"));
  EXPECT_EQ(ReadFile(dir_ / "treeX/keep.txt"), "neighbour with the same prefix");
  EXPECT_GT(ui_.peakBusy, 0);
  EXPECT_EQ(ui_.BusyDepth(), 0);
}

TEST_F(DeleteTreeTest, KeepsTheEmptiedFolderWhenAskedAndTakesASingleFile) {
  WriteFile(dir_ / "tree/Tmp/x.log", "x");
  WriteFile(dir_ / "tree/y", "y");
  utils_.DeleteTree(dir_ / "tree", false, false);
  ASSERT_TRUE(FileExists(dir_ / "tree"));
  EXPECT_TRUE(Snapshot(dir_ / "tree").empty());

  WriteFile(dir_ / "Single.TXT", "x");
  ASSERT_EQ(::chmod((dir_ / "Single.TXT").c_str(), 0444), 0);
  utils_.DeleteTree(dir_ / "single.txt", false, false);
  EXPECT_FALSE(FileExists(dir_ / "Single.TXT"));
  EXPECT_NO_THROW(utils_.DeleteTree(dir_ / "never/was", true, false));
}

TEST_F(DeleteTreeTest, DeletesLinksNotWhatTheyPointTo) {
  WriteFile(dir_ / "outside/precious.txt", "keep");
  WriteFile(dir_ / "tree/file", "");
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (dir_ / "tree/folderLink").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "outside/precious.txt").c_str(), (dir_ / "tree/fileLink").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (dir_ / "rootLink").c_str()), 0);

  utils_.DeleteTree(dir_ / "tree", true, false);
  utils_.DeleteTree(dir_ / "rootLink", true, false);
  EXPECT_FALSE(FileExists(dir_ / "tree"));
  EXPECT_FALSE(FileExists(dir_ / "rootLink"));
  EXPECT_EQ(ReadFile(dir_ / "outside/precious.txt"), "keep");
}

TEST_F(DeleteTreeTest, FailureRaises107UnlessIgnoredAndTheRestStillGoes) {
  WriteFile(dir_ / "tree/a/stuck.txt", "stuck");
  WriteFile(dir_ / "tree/b/gone.txt", "gone");
  WriteFile(dir_ / "tree/c.txt", "gone");
  ImmutableFile stuck(dir_ / "tree/a/stuck.txt");
  if (!stuck.ok()) GTEST_SKIP() << "cannot make a file undeletable here";

  ExpectRvcError([&] { utils_.DeleteTree(dir_ / "tree", true, false); }, 107,
                 "Failed to delete " + dir_ / "tree/a/stuck.txt");

  utils_.DeleteTree(dir_ / "tree", true, true);
  EXPECT_EQ(Snapshot(dir_ / "tree"), (std::map<std::string, std::string>{{"a/", ""}, {"a/stuck.txt", "stuck"}}));
  EXPECT_EQ(ui_.BusyDepth(), 0);
}

TEST_F(DeleteTreeTest, DoesNotEmptyAFileSystemMountedInsideTheTree) {
  WriteFile(dir_ / "tree/a.txt", "a");
  ASSERT_EQ(::mkdir((dir_ / "tree/HotFolder").c_str(), 0755), 0);
  if (::mount("rvc-test", (dir_ / "tree/HotFolder").c_str(), "tmpfs", 0, nullptr) != 0) {
    GTEST_SKIP() << "cannot mount here";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{dir_ / "tree/HotFolder"};
  WriteFile(dir_ / "tree/HotFolder/job.ps", "job");

  ExpectRvcError([&] { utils_.DeleteTree(dir_ / "tree", true, false); }, 107,
                 "Failed to delete " + dir_ / "tree/HotFolder");
  utils_.DeleteTree(dir_ / "tree", true, true);
  EXPECT_EQ(ReadFile(dir_ / "tree/HotFolder/job.ps"), "job");
  EXPECT_FALSE(FileExists(dir_ / "tree/a.txt"));
}

// A dispatcher tree is deleted only inside its data folder: every target that leads out,
// by its path or through a link on its way, raises 107 (ignored errors or not) and a decoy
// outside survives; a link as the target goes alone.
TEST_F(DeleteTreeTest, InsideTheDataFolderOnly) {
  const std::string data = dir_ / "inst/data/";
  WriteFile(dir_ / "outside/keep/precious.txt", "keep");
  WriteFile(data + "Other/data/zv.res", "neighbour");
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (data + "Linked").c_str()), 0);
  ASSERT_EQ(::mkdir((data + "Press").c_str(), 0755), 0);
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (data + "Press/data").c_str()), 0);
  const auto decoy = Snapshot(dir_ / "outside");

  const std::vector<std::pair<std::string, std::string>> refused = {
      {data + "../../outside", "it lies outside the data folder " + data},
      {data + "Other/../../../outside", "it lies outside the data folder"},
      {data + "./Other", "it lies outside the data folder"},
      {dir_ / "outside", "it lies outside the data folder"},
      {data, "it is the data folder " + data + " itself"},
      {data + "Linked/keep", "the folder " + data + "Linked on its way is a symbolic link"},
      {data + "Press/data/keep", "the folder " + data + "Press/data on its way is a symbolic link"},
  };
  for (const auto& [target, reason] : refused) {
    for (bool ignoreErrors : {false, true}) {
      const CRvcException e = Raised([&] { utils_.DeleteTreeInside(data, target, true, ignoreErrors); });
      EXPECT_EQ(e.Id(), 107) << target;
      EXPECT_NE(e.Message().find(reason), std::string::npos) << e.Message();
    }
  }
  EXPECT_EQ(Snapshot(dir_ / "outside"), decoy);

  utils_.DeleteTreeInside(data, data + "linked", true, false);  // the link itself, found ignoring case
  utils_.DeleteTreeInside(data, data + "Press", true, false);
  EXPECT_NO_THROW(utils_.DeleteTreeInside(data, data + "Missing/data/x.ini", true, false));
  EXPECT_EQ(Snapshot(data), (std::map<std::string, std::string>{{"Other/", ""}, {"Other/data/", ""},
                                                                 {"Other/data/zv.res", "neighbour"}}));
  EXPECT_EQ(Snapshot(dir_ / "outside"), decoy);
}

// Parents first, from a quoted path; a folder that differs only in case is reused and a
// file in the way is left alone.
TEST_F(TreeTest, CreateFolderTree) {
  utils_.CreateFolderTree("\"" + dir_ / "one/two/" + "\"");
  ASSERT_EQ(::mkdir((dir_ / "Data").c_str(), 0755), 0);
  utils_.CreateFolderTree(dir_ / "DATA/Hot Folder");
  WriteFile(dir_ / "blocker", "file");
  EXPECT_NO_THROW(utils_.CreateFolderTree(dir_ / "blocker/sub"));
  EXPECT_EQ(Snapshot(dir_.Path()), (std::map<std::string, std::string>{{"Data/", ""}, {"Data/Hot Folder/", ""},
                                                                       {"blocker", "file"}, {"one/", ""},
                                                                       {"one/two/", ""}}));
}

// --- CopyTree ---

class CopyTreeTest : public TreeTest {
 protected:
  void MakeSource() {
    WriteFile(dir_ / "src/zv_config.res", "config");
    WriteFile(dir_ / "src/data/zv_names.res", "names");
    WriteFile(dir_ / "src/data/empty.dat", "");
    WriteFile(dir_ / "src/bin/run.sh", "#!/bin/sh\n");
    WriteFile(dir_ / "src/Logging/deep/er/log.txt", std::string(3 << 20, 'x'));
    ASSERT_EQ(::chmod((dir_ / "src/bin/run.sh").c_str(), 0750), 0);
    ASSERT_EQ(::chmod((dir_ / "src/data/zv_names.res").c_str(), 0444), 0);
    SetMtime(dir_ / "src/zv_config.res", 1'300'000'000);
  }
  // Copies src to dst carrying on past errors.
  void CopyIgnoringErrors() {
    CopyOptions options;
    options.stopAtErrors = false;
    utils_.CopyTree(dir_ / "src", dir_ / "dst", options);
  }
};

TEST_F(CopyTreeTest, CopiesEveryFileWithModeAndTimeUnderProgressAndWaitCursor) {
  MakeSource();
  utils_.CopyTree(dir_ / "SRC", dir_ / "dst/new");
  EXPECT_EQ(Snapshot(dir_ / "dst/new"), Snapshot(dir_ / "src"));
  EXPECT_EQ(ModeOf(dir_ / "dst/new/bin/run.sh") & 07777, 0750u);
  EXPECT_EQ(ModeOf(dir_ / "dst/new/data/zv_names.res") & 07777, 0444u);
  EXPECT_EQ(MtimeOf(dir_ / "dst/new/zv_config.res"), 1'300'000'000);

  ASSERT_EQ(ui_.progresses.size(), 1u);
  EXPECT_EQ(ui_.progresses[0].title, "Progressing");
  EXPECT_EQ(ui_.progresses[0].total, 5);
  EXPECT_EQ(ui_.progresses[0].steps, 5);
  EXPECT_GT(ui_.peakBusy, 0);
  EXPECT_EQ(ui_.BusyDepth(), 0);

  CopyOptions quiet;
  quiet.showProgress = false;
  utils_.CopyTree(dir_ / "src", dir_ / "quiet", quiet);
  EXPECT_EQ(ui_.progresses.size(), 1u);
  EXPECT_EQ(Snapshot(dir_ / "quiet"), Snapshot(dir_ / "src"));
}

TEST_F(CopyTreeTest, SkipsNamedEntriesIgnoringCaseAtEveryLevelAndFilesByRelativePath) {
  WriteFile(dir_ / "src/ppd/a.ppd", "");
  WriteFile(dir_ / "src/x/PPD", "a file named like the folder");
  WriteFile(dir_ / "src/x/History.txt", "");
  WriteFile(dir_ / "src/x/kept.txt", "kept");
  WriteFile(dir_ / "src/x/y/job.dat", "replaced later");
  WriteFile(dir_ / "src/job.dat", "same name, other place");
  CopyOptions options;
  options.skipNames = {"Ppd", "history.TXT"};
  std::vector<std::string> asked;
  options.skipFile = [&asked](const std::string& relative) {
    asked.push_back(relative);
    return relative == "x/y/job.dat";
  };
  utils_.CopyTree(dir_ / "src", dir_ / "dst", options);
  EXPECT_EQ(Snapshot(dir_ / "dst"), (std::map<std::string, std::string>{{"job.dat", "same name, other place"},
                                                                        {"x/", ""},
                                                                        {"x/kept.txt", "kept"},
                                                                        {"x/y/", ""}}));
  EXPECT_EQ(ui_.progresses.at(0).total, 2);
  EXPECT_EQ(ui_.progresses.at(0).steps, 2);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "x"), 0) << "asked for folders";
}

TEST_F(CopyTreeTest, LinkedFilesShareTheSourceAndAnExistingTargetGetsACopy) {
  WriteFile(dir_ / "src/new.res", "new");
  WriteFile(dir_ / "src/sub/there.res", "from the source");
  WriteFile(dir_ / "dst/sub/there.res", "in the target");
  CopyOptions options;
  options.linkFiles = true;
  utils_.CopyTree(dir_ / "src", dir_ / "dst", options);
  EXPECT_EQ(Snapshot(dir_ / "dst"), Snapshot(dir_ / "src"));
  auto inode = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  EXPECT_EQ(inode(dir_ / "dst/new.res"), inode(dir_ / "src/new.res"));
  EXPECT_NE(inode(dir_ / "dst/sub/there.res"), inode(dir_ / "src/sub/there.res"));
  EXPECT_EQ(ui_.progresses.at(0).steps, 2);
}

// A twin is linked only while it is an unshared copy of the source file as it still is.
TEST_F(CopyTreeTest, TwinsAreLinkedOnlyWhileTheyAreCopiesOfTheFileAsItIs) {
  const std::vector<std::pair<std::string, std::function<void(const std::string&, const std::string&)>>> cases = {
      {"copy", [](const std::string&, const std::string&) {}},
      {"twin written into", [](const std::string&, const std::string& twin) { WriteFile(twin, "changed"); }},
      {"twin of other time", [](const std::string&, const std::string& twin) { SetMtime(twin, 1'000'000'000); }},
      {"twin shared", [](const std::string&, const std::string& twin) { ::link(twin.c_str(), (twin + ".2").c_str()); }},
      {"source changed, time kept",
       [](const std::string& source, const std::string&) {
         ::usleep(20'000);  // past the granularity of the change time
         WriteFile(source, "Source");
         SetMtime(source, 1'300'000'000);
       }},
  };
  auto inode = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  for (const auto& [name, change] : cases) {
    SCOPED_TRACE(name);
    const std::string base = dir_ / name;
    WriteFile(base + "/src/sub/a.dat", "source");
    SetMtime(base + "/src/sub/a.dat", 1'300'000'000);
    CopyOptions quiet;
    quiet.showProgress = false;
    utils_.CopyTree(base + "/src/sub", base + "/twins", quiet);
    change(base + "/src/sub/a.dat", base + "/twins/a.dat");
    CopyOptions options = quiet;
    options.privateTarget = true;
    options.twin = [&base](const std::string& relative) {
      return relative.rfind("sub/", 0) == 0 ? base + "/twins/" + relative.substr(4) : std::string();
    };
    utils_.CopyTree(base + "/src", base + "/dst", options);
    EXPECT_EQ(Snapshot(base + "/dst"), Snapshot(base + "/src"));
    EXPECT_EQ(inode(base + "/dst/sub/a.dat") == inode(base + "/twins/a.dat"), name == "copy");
  }
}

TEST_F(CopyTreeTest, OverwriteFlagAndTargetNamesThatDifferOnlyInCase) {
  WriteFile(dir_ / "src/Data/zv_config.res", "new config");
  WriteFile(dir_ / "src/Data/fresh.res", "fresh");
  WriteFile(dir_ / "dst/DATA/ZV_CONFIG.RES", "old config");
  ASSERT_EQ(::chmod((dir_ / "dst/DATA/ZV_CONFIG.RES").c_str(), 0444), 0);

  CopyOptions keep;
  keep.overwrite = false;
  utils_.CopyTree(dir_ / "src", dir_ / "dst", keep);
  EXPECT_EQ(Snapshot(dir_ / "dst"),
            (std::map<std::string, std::string>{
                {"DATA/", ""}, {"DATA/ZV_CONFIG.RES", "old config"}, {"DATA/fresh.res", "fresh"}}));
  utils_.CopyTree(dir_ / "src", dir_ / "dst");
  EXPECT_EQ(ReadFile(dir_ / "dst/DATA/ZV_CONFIG.RES"), "new config");
  EXPECT_EQ(Snapshot(dir_ / "dst").size(), 3u);
}

TEST_F(CopyTreeTest, MissingSourceOnlyCreatesTheTarget) {
  utils_.CopyTree(dir_ / "nothing", dir_ / "a/b/new");
  ASSERT_TRUE(IsDir(dir_ / "a/b/new"));
  EXPECT_TRUE(Snapshot(dir_ / "a/b/new").empty());
}

TEST_F(CopyTreeTest, SingleFileToAFilePathOrIntoAFolder) {
  WriteFile(dir_ / "tmpl/swap_1.sfd", "swap");
  utils_.CopyTree(dir_ / "tmpl/swap_1.sfd", dir_ / "new/Data/swap_0.sfd");
  EXPECT_EQ(ReadFile(dir_ / "new/Data/swap_0.sfd"), "swap");
  utils_.CopyTree(dir_ / "tmpl/SWAP_1.sfd", dir_ / "new/data");
  EXPECT_EQ(ReadFile(dir_ / "new/Data/swap_1.sfd"), "swap");
}

TEST_F(CopyTreeTest, LinksAreCopiedAsLinksAndNeverWrittenThrough) {
  WriteFile(dir_ / "outside/secret.txt", "outside");
  WriteFile(dir_ / "src/data/real.res", "real");
  ASSERT_EQ(::symlink("data/real.res", (dir_ / "src/relative").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "outside").c_str(), (dir_ / "src/outLink").c_str()), 0);
  // A link in the target where the copy of a file goes must not lead the copy outside.
  WriteFile(dir_ / "src/victim.txt", "from source");
  ASSERT_EQ(::mkdir((dir_ / "dst").c_str(), 0755), 0);
  ASSERT_EQ(::symlink((dir_ / "outside/secret.txt").c_str(), (dir_ / "dst/victim.txt").c_str()), 0);

  utils_.CopyTree(dir_ / "src", dir_ / "dst");
  EXPECT_TRUE(IsLink(dir_ / "dst/relative"));
  EXPECT_EQ(LinkText(dir_ / "dst/relative"), "data/real.res");
  EXPECT_EQ(ReadFile(dir_ / "dst/relative"), "real");
  EXPECT_TRUE(IsLink(dir_ / "dst/outLink"));
  EXPECT_FALSE(IsLink(dir_ / "dst/victim.txt"));
  EXPECT_EQ(ReadFile(dir_ / "dst/victim.txt"), "from source");
  EXPECT_EQ(Snapshot(dir_ / "outside"), (std::map<std::string, std::string>{{"secret.txt", "outside"}}));
}

TEST_F(CopyTreeTest, TargetInsideTheSourceDoesNotRecurse) {
  WriteFile(dir_ / "src/a.txt", "a");
  WriteFile(dir_ / "src/sub/b.txt", "b");
  utils_.CopyTree(dir_ / "src", dir_ / "src/backup");
  EXPECT_EQ(Snapshot(dir_ / "src/backup"),
            (std::map<std::string, std::string>{{"a.txt", "a"}, {"sub/", ""}, {"sub/b.txt", "b"}}));
  EXPECT_EQ(ui_.progresses.at(0).total, 2);
}

TEST_F(CopyTreeTest, CopyOntoItselfChangesNothing) {
  WriteFile(dir_ / "src/a.txt", "keep me");
  utils_.CopyTree(dir_ / "src", dir_ / "SRC/");
  utils_.CopyTree(dir_ / "src/a.txt", dir_ / "src/A.TXT");
  EXPECT_EQ(Snapshot(dir_ / "src"), (std::map<std::string, std::string>{{"a.txt", "keep me"}}));
}

TEST_F(CopyTreeTest, AcrossFileSystems) {
  // /dev/shm is a memory file system on Linux: the kernel's copy path refuses to copy
  // from there to the disk, so the fallbacks do the work.
  if (!IsDir("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  std::string pattern = "/dev/shm/rvc-copy-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const std::string shm = pattern + "/";
  std::string big(1 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  WriteFile(shm + "sub/big.bin", big);
  WriteFile(shm + "small.txt", "small");

  utils_.CopyTree(shm, dir_ / "dst");
  EXPECT_EQ(Snapshot(dir_ / "dst"), Snapshot(shm));
  utils_.CopyTree(dir_ / "dst", shm + "back");
  EXPECT_EQ(ReadFile(shm + "back/sub/big.bin"), big);
  utils_.DeleteTree(shm, true, false);
}

TEST_F(CopyTreeTest, TargetThatIsAFileRaises106UnlessIgnored) {
  MakeSource();
  WriteFile(dir_ / "dst", "a file where the folder belongs");
  ExpectRvcError([&] { utils_.CopyTree(dir_ / "src", dir_ / "dst"); }, 106, "Failed to create " + dir_ / "dst");
  EXPECT_NO_THROW(CopyIgnoringErrors());
  EXPECT_EQ(ReadFile(dir_ / "dst"), "a file where the folder belongs");
  EXPECT_EQ(ui_.BusyDepth(), 0);
}

TEST_F(CopyTreeTest, SubfolderBlockedByAFileRaises106AndIgnoringGoesOn) {
  MakeSource();
  WriteFile(dir_ / "dst/data", "blocks the data folder");
  ExpectRvcError([&] { utils_.CopyTree(dir_ / "src", dir_ / "dst"); }, 106, "Failed to create " + dir_ / "dst/data");
  CopyIgnoringErrors();
  auto copied = Snapshot(dir_ / "dst");
  EXPECT_EQ(copied.count("bin/run.sh"), 1u);
  EXPECT_EQ(copied.count("Logging/deep/er/log.txt"), 1u);
  EXPECT_EQ(copied.at("zv_config.res"), "config");
  EXPECT_EQ(ReadFile(dir_ / "dst/data"), "blocks the data folder");
}

TEST_F(CopyTreeTest, FileBlockedByAFolderRaises105AndIgnoringGoesOn) {
  WriteFile(dir_ / "src/a.res", "a");
  WriteFile(dir_ / "src/b.res", "b");
  WriteFile(dir_ / "src/c.res", "c");
  WriteFile(dir_ / "dst/b.res/inside", "a folder where the file belongs");
  ExpectRvcError([&] { utils_.CopyTree(dir_ / "src", dir_ / "dst"); }, 105,
                 "Failed to copy " + dir_ / "src/b.res" + " to " + dir_ / "dst/b.res");
  CopyIgnoringErrors();
  EXPECT_EQ(ReadFile(dir_ / "dst/a.res"), "a");
  EXPECT_EQ(ReadFile(dir_ / "dst/c.res"), "c");
  EXPECT_EQ(ReadFile(dir_ / "dst/b.res/inside"), "a folder where the file belongs");
}

TEST_F(CopyTreeTest, UnreadableSourceFileRaises105) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
  WriteFile(dir_ / "src/secret.res", "x");
  ASSERT_EQ(::chmod((dir_ / "src/secret.res").c_str(), 0), 0);
  ExpectRvcError([&] { utils_.CopyTree(dir_ / "src", dir_ / "dst"); }, 105,
                 "Failed to copy " + dir_ / "src/secret.res" + " to " + dir_ / "dst/secret.res");
  EXPECT_FALSE(FileExists(dir_ / "dst/secret.res"));
}

// --- FolderInUse ---

using FolderInUseTest = TreeTest;

// An open file below the folder counts; an open file that is no folder, a missing path
// and a neighbour of the same prefix do not.
TEST_F(FolderInUseTest, AnOpenFileBelowTheFolderCounts) {
  WriteFile(dir_ / "Disp/data/zv_config.res", "");
  WriteFile(dir_ / "Disp2/open.txt", "");
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "disp"));
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "missing"));

  int neighbour = ::open((dir_ / "Disp2/open.txt").c_str(), O_RDONLY);
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "disp"));
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "Disp2/open.txt"));
  int fd = ::open((dir_ / "Disp/data/zv_config.res").c_str(), O_RDONLY);
  EXPECT_TRUE(CRvcUtils::FolderInUse(dir_ / "disp/"));
  ::close(fd);
  ::close(neighbour);
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "disp"));
}

TEST_F(FolderInUseTest, AnotherProcessWorkingInsideCountsOurOwnWorkingFolderDoesNot) {
  ASSERT_EQ(::mkdir((dir_ / "disp").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir_ / "disp/Logging").c_str(), 0755), 0);

  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir((dir_ / "disp/Logging").c_str()), 0);
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "disp"));
  ASSERT_EQ(::chdir(previous), 0);

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::chdir((dir_ / "disp/Logging").c_str()) != 0) ::_exit(1);
    char byte = 'x';
    if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  EXPECT_TRUE(CRvcUtils::FolderInUse(dir_ / "disp"));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(CRvcUtils::FolderInUse(dir_ / "disp"));
}

// --- Folder picker and special folders ---

TEST_F(TreeTest, BrowseForFolderAddsTheSeparatorAndPassesACancel) {
  ui_.QueueFolder("/srv/backup");
  EXPECT_EQ(CRvcUtils::BrowseForFolder("Please browse to a folder for Backup", "/srv"), "/srv/backup/");
  EXPECT_EQ(CRvcUtils::BrowseForFolder("Select PROGRAM folder", ""), "");
  EXPECT_EQ(ui_.FolderTitles(),
            (std::vector<std::string>{"Please browse to a folder for Backup", "Select PROGRAM folder"}));
}

TEST_F(TreeTest, SpecialFoldersComeFromTheEnvironmentAndAreCreated) {
  ScopedEnv desktop("RAVLIN_DESKTOP_DIR", dir_ / "public/Desktop/");
  ScopedEnv programs("RAVLIN_PROGRAMS_DIR", dir_ / "menu/applications");
  EXPECT_EQ(CRvcUtils::GetSpecialFolder(true), dir_ / "public/Desktop");
  EXPECT_EQ(CRvcUtils::GetSpecialFolder(false), dir_ / "menu/applications");
  EXPECT_TRUE(FileExists(dir_ / "public/Desktop"));
  EXPECT_TRUE(FileExists(dir_ / "menu/applications"));
}

TEST_F(TreeTest, SpecialFolderThatCannotBeUsedRaises118) {
  {
    ScopedEnv desktop("RAVLIN_DESKTOP_DIR", "relative/Desktop");
    ExpectRvcError([] { CRvcUtils::GetSpecialFolder(true); }, 118, "Internal error: SHGetSpecialFolderLocation failed");
  }
  WriteFile(dir_ / "blocker", "");
  ScopedEnv programs("RAVLIN_PROGRAMS_DIR", dir_ / "blocker/applications");
  ExpectRvcError([] { CRvcUtils::GetSpecialFolder(false); }, 118, "Internal error: SHGetPathFromIDList failed");
}

}  // namespace
}  // namespace rvc::store
