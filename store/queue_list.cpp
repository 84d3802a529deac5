#include "store/queue_list.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "store/resource_db.h"

namespace rvc::store {
namespace {

// Owned through pointers so that a CQueue* handed out stays valid while the list grows.
std::vector<std::unique_ptr<CQueue>>& Queues() {
  static std::vector<std::unique_ptr<CQueue>> queues;
  return queues;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

CQueueList::CQueueList(std::string queueFile, bool skipLoading) : queueFile_(std::move(queueFile)) {
  if (skipLoading) return;
  auto& queues = Queues();
  const size_t before = queues.size();
  try {
    const ResourceDb db = ResourceDb::OpenOrThrow(queueFile_);
    for (int i = 0; i < db.TopicCount(); ++i) {
      const std::string topic = db.TopicAt(i).value_or("");
      auto name = db.Find(topic, "Name");
      if (!name) continue;  // not a queue
      auto queue = std::make_unique<CQueue>();
      queue->Number = static_cast<int>(std::strtol(topic.c_str(), nullptr, 10));
      queue->Name = *name;
      auto queueClass = db.Find(topic, "Class");
      if (!queueClass) throw CRvcException(msg::kResourceDbError, queueFile_);
      queue->Class = *queueClass;
      queue->Folder = db.Find(topic, "folder").value_or("");
      queue->TcpPort = static_cast<int>(db.FindInt(topic, "tcp_pap").value_or(0));
      queues.push_back(std::move(queue));
    }
  } catch (...) {
    // The destructor does not run for a failed construction; leave no half-loaded set.
    queues.resize(before);
    throw;
  }
}

CQueueList::~CQueueList() { Queues().clear(); }

int CQueueList::GetQueueCount() { return static_cast<int>(Queues().size()); }

CQueue* CQueueList::GetQueue(int index) {
  if (index < 0 || index >= GetQueueCount()) return nullptr;
  return Queues()[static_cast<size_t>(index)].get();
}

void CQueueList::SaveQueues() const {
  auto existing = ResourceDb::Open(queueFile_);
  ResourceDb db = existing ? std::move(*existing) : ResourceDb::Create(queueFile_);
  for (const auto& queue : Queues()) {
    const std::string topic = std::to_string(queue->Number);
    if (!db.HasTopic(topic)) db.AddTopic(topic);
    db.Set(topic, "Name", queue->Name);
    db.Set(topic, "Class", queue->Class);
    if (!queue->Folder.empty()) {
      std::string folder;
      for (char c : queue->Folder) {
        if (c != '"') folder.push_back(c);
      }
      db.Set(topic, "folder", Quoted(folder));
      // Values keep the installation's "\" form; expansion turns it into ours when used.
      if (db.HasItem(topic, "OkFolder")) db.Modify(topic, "OkFolder", Quoted(folder + "\\Ok"));
      if (db.HasItem(topic, "ErrorFolder")) db.Modify(topic, "ErrorFolder", Quoted(folder + "\\Error"));
    }
    if (queue->TcpPort != 0) db.Set(topic, "tcp_pap", std::to_string(queue->TcpPort));
  }
  db.Flush();
}

}  // namespace rvc::store
