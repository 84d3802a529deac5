// The installer's jobs of rvc_setup (-i, -b, -u, -d) on the flavour picked by the start-up,
// run by the flavour installation engine (install/installer.h). On a terminal the
// console shows each dispatcher's steps as they run ("Mono1 (2 of 4): Checking the
// configuration"); otherwise the job is quiet and only its trace file tells them.
#pragma once

#include "frame/rvc_app.h"
#include "install/installer.h"

class InstallerJobs : public rvc::frame::IInstallerJobs {
 public:
  bool Run(int mode, rvc::frame::CFlavour& flavour) override;
};

// Shows a job's step on standard error when that is a terminal; nothing otherwise.
void ShowJobStep(const rvc::install::JobStep& step);
