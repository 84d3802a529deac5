// CRvcInstaller: the installation engine of one flavour, behind rvc_setup's job switches.
//
//   Install()  keeps copies of the original dispatcher's launchers (".bak" in the data
//              folder) unless copies exist already;
//   Backup()   saves every dispatcher into temp + Flavor for the update of the next
//              version: the list file, difference files against the templates, a copy of
//              the data folder;
//   Update()   migrates every saved dispatcher into the new version's data folder;
//   Delete()   removes the launchers of the flavour's clones and restores the original
//              dispatcher's from its copies.
//
// Each job holds the installation lock and is journaled as "<job>-job": a killed job is
// run again, and the saved state stays until an update has finished without a failing
// dispatcher. See docs/installer-jobs.md.
#pragma once

#include <functional>
#include <string>

#include "store/dispatcher_list.h"
#include "store/rvc_utils.h"
#include "store/template_list.h"

namespace rvc::install {

// One step of a job, as its progress shows it.
struct JobStep {
  std::string dispatcher;  // "" for a step of the whole flavour
  int number = 0;          // the dispatcher's place in the job, from 1 (0 with no dispatcher)
  int count = 0;           // how many dispatchers the job goes through
  std::string text;
};

// What a job tells while it runs, one call per step.
using ProgressSink = std::function<void(const JobStep& step)>;

struct InstallerOptions {
  std::string label;     // the flavour's version label, as in the launcher names
  ProgressSink progress;  // may be empty; every step is traced anyway
};

class CRvcInstaller {
 public:
  CRvcInstaller(const store::CTemplateList& templateList, store::CDispatcherList& dispatcherList,
                InstallerOptions options = {});
  ~CRvcInstaller();
  CRvcInstaller(const CRvcInstaller&) = delete;
  CRvcInstaller& operator=(const CRvcInstaller&) = delete;

  void Install();
  void Backup();
  void Delete();
  // The update job; false when the flavour's original dispatcher could not be migrated.
  // Raises CRvcException 123 when the flavour was not backed up.
  bool Update();

  bool DispatcherFailed = false;
  bool Succeeded = true;
  bool AnyFailed = false;
  store::CDispatcherList& DispatcherList;
  const store::CTemplateList& TemplateList;

 private:
  struct UpdateRun;
  void Step(const std::string& text);
  void Step(const std::string& dispatcher, const std::string& text);
  void InstallShortcuts();
  std::function<std::string(const std::string&)> DispatcherCopies() const;
  void MigrateDispatcher(UpdateRun& run, int index);

  InstallerOptions options_;
  store::CRvcUtils utils_;
  // The dispatcher in hand, for the progress: its place (from 1) and the job's count.
  int number_ = 0;
  int count_ = 0;
};

}  // namespace rvc::install
