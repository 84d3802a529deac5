// The installation-wide write lock: one program at a time changes the installation.
//
// Every command that changes the installation (ravlinctl's create, delete, change-type,
// ppd and recover; the main window's New, Delete, Change Type and PPD commands; every
// rvc_setup job) holds it from before it reads the dispatcher lists it changes until its
// last write, so that two writers never choose the same port separator, folder or name
// from the same stale list. Take it with one line:
//
//   store::CInstallationLock lock("ravlinctl create");
//
// The lock is an advisory flock(2) on "rvc_installation.lock" in the folder of
// KW_DATA_RAVLINCONFIG (beside the flavour catalogue). The holder writes its process id
// and program into the file, so that a refused writer can say who holds it; that note is
// the one thing written in place (the file holds no data, and replacing it would lose the
// lock). The lock goes with the process: a killed holder leaves a stale note, never a
// held lock. Within one process the lock nests: inner holders share the outer one.
// See docs/reliability.md, "Installation lock".
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>

namespace rvc::store {

// The installation is held by another process for longer than a writer waits.
class CInstallationBusy : public std::runtime_error {
 public:
  explicit CInstallationBusy(const std::string& holder);
  // "pid 1234 (ravlinctl create)", or "another process" when the holder left no note.
  const std::string& Holder() const { return holder_; }

 private:
  std::string holder_;
};

class CInstallationLock {
 public:
  static constexpr std::chrono::seconds kDefaultWait{3};

  // Takes the lock for `purpose` (the program and command, written into the note),
  // waiting up to `wait` for another holder. Raises CInstallationBusy when it stays held,
  // and std::runtime_error when the lock file cannot be opened.
  explicit CInstallationLock(const std::string& purpose, std::chrono::milliseconds wait = kDefaultWait);
  ~CInstallationLock();
  CInstallationLock(const CInstallationLock&) = delete;
  CInstallationLock& operator=(const CInstallationLock&) = delete;

  // The folder of KW_DATA_RAVLINCONFIG + "/rvc_installation.lock"; "" when the variable
  // is not set (taking the lock then raises std::runtime_error).
  static std::string LockFilePath();
  // Whether this process holds the lock now.
  static bool HeldHere();
};

}  // namespace rvc::store
