// The queue list: loading a dispatcher's queue file into the process-wide list and
// saving it back.
#include "store/queue_list.h"

#include <gtest/gtest.h>

#include "core/rvc_exception.h"
#include "store/resource_db.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const char* kQueues =
    "[General]\n"
    "Version=3\n"
    "[1]\n"
    "Name=Hot folder\n"
    "Class=hotfolder\n"
    "folder=\"/hot/in\"\n"
    "OkFolder=\"/hot/in/Ok\"\n"
    "[2]\n"
    "Name=Pipe\n"
    "Class=npipe\n"
    "[12]\n"
    "Name=Tcp\n"
    "Class=inifile\n"
    "folder=/spool/tcp\n"
    "ErrorFolder=/spool/tcp/Error\n"
    "tcp_pap=4112\n";

class QueueListTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(CQueueList::GetQueueCount(), 0) << "the list outlived its CQueueList"; }
  TempDir dir_;
};

TEST_F(QueueListTest, LoadsQueuesAndSkipsTopicsWithoutName) {
  WriteFile(dir_ / "servers.ini", kQueues);
  {
    CQueueList queues(dir_ / "servers.ini");
    ASSERT_EQ(CQueueList::GetQueueCount(), 3);
    EXPECT_EQ(CQueueList::GetQueue(3), nullptr);
    EXPECT_EQ(CQueueList::GetQueue(-1), nullptr);

    const CQueue& hot = *CQueueList::GetQueue(0);
    EXPECT_EQ(hot.Number, 1);
    EXPECT_EQ(hot.Name, "Hot folder");
    EXPECT_EQ(hot.Class, "hotfolder");
    EXPECT_EQ(hot.Folder, "\"/hot/in\"");  // as stored
    EXPECT_EQ(hot.TcpPort, 0);

    const CQueue& pipe = *CQueueList::GetQueue(1);
    EXPECT_EQ(pipe.Number, 2);
    EXPECT_EQ(pipe.Folder, "");

    const CQueue& tcp = *CQueueList::GetQueue(2);
    EXPECT_EQ(tcp.Number, 12);
    EXPECT_EQ(tcp.Folder, "/spool/tcp");
    EXPECT_EQ(tcp.TcpPort, 4112);
  }
  // Destroying the list empties the process-wide queues; skipping the load keeps it empty.
  EXPECT_EQ(CQueueList::GetQueueCount(), 0);
  CQueueList empty(dir_ / "servers.ini", true);
  EXPECT_EQ(CQueueList::GetQueueCount(), 0);
}

TEST_F(QueueListTest, LoadFailuresAre109AndLeaveNoQueues) {
  ExpectRvcError([&] { CQueueList queues(dir_ / "missing.ini"); }, 109, "RDB error " + dir_ / "missing.ini");
  // The second queue lacks "Class": the whole load fails, including the first queue.
  WriteFile(dir_ / "servers.ini", "[1]\nName=A\nClass=npipe\n[2]\nName=B\nfolder=x\n");
  ExpectRvcError([&] { CQueueList queues(dir_ / "servers.ini"); }, 109, "RDB error " + dir_ / "servers.ini");
  EXPECT_EQ(CQueueList::GetQueueCount(), 0);
}

TEST_F(QueueListTest, SaveQuotesFoldersOnceAndRewritesOnlyPresentSubfolders) {
  WriteFile(dir_ / "servers.ini", kQueues);
  {
    CQueueList queues(dir_ / "servers.ini");
    CQueueList::GetQueue(0)->Folder = "\"/hot/new\"";
    CQueueList::GetQueue(1)->Folder = "/pipe\"s\"";
    CQueueList::GetQueue(2)->Folder = "/spool/other";
    CQueueList::GetQueue(2)->TcpPort = 4312;
    CQueueList::GetQueue(2)->Name = "Tcp 2";
    queues.SaveQueues();
  }

  ResourceDb db = ResourceDb::OpenOrThrow(dir_ / "servers.ini");
  EXPECT_EQ(db.Find("1", "folder"), "\"/hot/new\"");
  EXPECT_EQ(db.Find("1", "OkFolder"), "\"/hot/new\\Ok\"");
  EXPECT_FALSE(db.HasItem("1", "ErrorFolder"));
  EXPECT_EQ(db.Find("2", "folder"), "\"/pipes\"");
  EXPECT_FALSE(db.HasItem("2", "OkFolder"));
  EXPECT_FALSE(db.HasItem("2", "tcp_pap"));
  EXPECT_EQ(db.Find("12", "Name"), "Tcp 2");
  EXPECT_EQ(db.Find("12", "folder"), "\"/spool/other\"");
  EXPECT_EQ(db.Find("12", "ErrorFolder"), "\"/spool/other\\Error\"");
  EXPECT_FALSE(db.HasItem("12", "OkFolder"));
  EXPECT_EQ(db.Find("12", "tcp_pap"), "4312");
  // Not a queue: untouched.
  EXPECT_EQ(db.Find("General", "Version"), "3");
  EXPECT_EQ(db.ItemCount("General"), 1);

  // Saving what was loaded, unchanged, quotes the unquoted folder and changes nothing else.
  {
    CQueueList queues(dir_ / "servers.ini");
    queues.SaveQueues();
  }
  const std::string saved = ReadFile(dir_ / "servers.ini");
  {
    CQueueList queues(dir_ / "servers.ini");
    queues.SaveQueues();
  }
  EXPECT_EQ(ReadFile(dir_ / "servers.ini"), saved);
}

TEST_F(QueueListTest, SaveCreatesTheFileAndTopicsForNewQueues) {
  WriteFile(dir_ / "servers.ini", "[1]\nName=A\nClass=npipe\n");
  {
    CQueueList queues(dir_ / "servers.ini");
    CQueue* queue = CQueueList::GetQueue(0);
    queue->Number = 7;  // moved to a new topic; topic 1 stays as it was
    queues.SaveQueues();
  }
  ResourceDb db = ResourceDb::OpenOrThrow(dir_ / "servers.ini");
  EXPECT_EQ(db.TopicAt(1), "7");
  EXPECT_EQ(db.Find("7", "Class"), "npipe");
  EXPECT_EQ(db.Find("1", "Name"), "A");

  // A list that skipped loading writes into a new file.
  {
    CQueueList source(dir_ / "servers.ini");
    CQueueList target(dir_ / "copy.ini", true);
    target.SaveQueues();
  }
  ResourceDb created = ResourceDb::OpenOrThrow(dir_ / "copy.ini");
  EXPECT_EQ(created.TopicCount(), 2);
  EXPECT_EQ(created.Find("7", "Name"), "A");
}

TEST_F(QueueListTest, SampleQueuesSaveBackUnchanged) {
  const std::string file = dir_ / "servers.ini";
  WriteFile(file, ReadFile(RVC_SOURCE_DIR "/sample/data/Approval/Platesetter/data/servers.ini"));
  const std::string original = ReadFile(file);
  ASSERT_FALSE(original.empty());
  {
    CQueueList queues(file);
    EXPECT_EQ(CQueueList::GetQueueCount(), 5);
    queues.SaveQueues();
  }
  EXPECT_EQ(ReadFile(file), original);
}

}  // namespace
}  // namespace rvc::store
