// A batch of writes made durable together: while a SyncBatch lives, the atomic files this
// process commits (and the trees CopyTree copies) leave their flushes to it, and it
// flushes every file system they were written on once, when it ends (syncfs).
//
// Each file is still replaced whole by its rename, so a killed process leaves old or new
// files, never torn ones. Only a power loss before the batch's end can lose writes of the
// batch; use it where running the work again repairs that, e.g. a job that keeps its
// source until the batch has ended. Batches nest: the outermost one flushes.
#pragma once

namespace rvc::platform {

class SyncBatch {
 public:
  SyncBatch();
  ~SyncBatch();
  SyncBatch(const SyncBatch&) = delete;
  SyncBatch& operator=(const SyncBatch&) = delete;

  // Whether a batch lives in this process.
  static bool Active();
  // Notes the file system of the open file or folder `fd` for the flush at the end.
  static void Note(int fd);
};

}  // namespace rvc::platform
