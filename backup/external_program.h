// The programs the backup and the restore start and wait for: the configurator's own jobs
// (rvc_setup) and the tools of other products.
#pragma once

#include <string>
#include <vector>

namespace rvc::backup {

// Starts `arguments` (the program's path first, then its arguments, each passed as it
// stands, without a shell) and waits until it has ended. The result: the program's exit
// code, or -1 when it could not be started or did not end normally. Its output goes where
// ours goes; its environment is ours plus `environment` ("NAME=value" each).
int RunAndWait(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {});

// The configurator "rvc_setup": the one beside the running program, else the first on
// PATH; "" when there is none.
std::string FindConfigurator();

}  // namespace rvc::backup
