#include "apps/rvc_setup/installer_jobs.h"

#include <unistd.h>

#include <cstdio>

#include "frame/command_line.h"
#include "install/installer.h"

bool InstallerJobs::Run(int mode, rvc::frame::CFlavour& flavour) {
  rvc::install::InstallerOptions options;
  options.label = flavour.Version;
  if (::isatty(STDERR_FILENO) != 0) {
    options.progress = [](const std::string& dispatcher, const std::string& step) {
      if (dispatcher.empty()) {
        std::fprintf(stderr, "%s\n", step.c_str());
      } else {
        std::fprintf(stderr, "  %s: %s\n", dispatcher.c_str(), step.c_str());
      }
    };
  }
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
