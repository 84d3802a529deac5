#include "apps/rvc_setup/installer_jobs.h"

#include <unistd.h>

#include <cstdio>

#include "frame/command_line.h"

void ShowJobStep(const rvc::install::JobStep& step) {
  static const bool terminal = ::isatty(STDERR_FILENO) != 0;
  if (!terminal) return;
  if (step.dispatcher.empty()) {
    std::fprintf(stderr, "%s\n", step.text.c_str());
  } else if (step.number > 0) {
    std::fprintf(stderr, "  %s (%d of %d): %s\n", step.dispatcher.c_str(), step.number, step.count,
                 step.text.c_str());
  } else {
    std::fprintf(stderr, "  %s: %s\n", step.dispatcher.c_str(), step.text.c_str());
  }
}

bool InstallerJobs::Run(int mode, rvc::frame::CFlavour& flavour) {
  rvc::install::InstallerOptions options;
  options.label = flavour.Version;
  options.progress = ShowJobStep;
  rvc::install::CRvcInstaller installer(*flavour.TemplateList, *flavour.DispatcherList, options);
  switch (mode) {
    case rvc::frame::kModeInstall:
      installer.Install();
      return true;
    case rvc::frame::kModeBackup:
      installer.Backup();
      return true;
    case rvc::frame::kModeUpdate:
      return installer.Update();
    case rvc::frame::kModeDelete:
      installer.Delete();
      return true;
    default:
      return true;
  }
}
