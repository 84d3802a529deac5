// rvc_setup: the configurator. Start-up and the command-line modes are wired in here as
// their subsystems land; for now it sets up the environment and the trace and reports
// what it would do.
#include <cstdio>

#include "frame/rvc_exception.h"
#include "frame/rvc_trace.h"
#include "platform/environment.h"

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  rvc::platform::KW_EnvironmentSetupEx();
  rvc::CRvcTrace trace("");
  trace.Trace("Start");
  std::fprintf(stderr, "rvc_setup: the main window is not available in this build yet.\n");
  trace.Trace("Stop");
  return 0;
}
