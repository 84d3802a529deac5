// The queue definitions of a dispatcher ("servers.ini"): hot folders, named pipes and TCP
// ports. The queues live in one process-wide list, so that one queue set is edited at
// a time; CQueueList loads into it, saves it, and empties it when destroyed.
#pragma once

#include <string>

namespace rvc::store {

struct CQueue {
  int Number = 0;      // also the name of its topic
  int TcpPort = 0;     // "tcp_pap"; 0 when absent
  std::string Folder;  // "folder" as stored; "" when absent
  std::string Class;   // "Class"
  std::string Name;    // "Name"
};

class CQueueList {
 public:
  // Stores the path and, unless `skipLoading`, loads (109 for an unreadable file or a
  // queue without "Class").
  CQueueList(std::string queueFile, bool skipLoading = false);
  ~CQueueList();
  CQueueList(const CQueueList&) = delete;
  CQueueList& operator=(const CQueueList&) = delete;

  static int GetQueueCount();
  // The queue at `index`, or nullptr past the end.
  static CQueue* GetQueue(int index);
  // Writes every queue of the process-wide list to the file.
  void SaveQueues() const;

 private:
  std::string queueFile_;
};

}  // namespace rvc::store
