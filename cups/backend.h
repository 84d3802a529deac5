// The CUPS backend "ravlin": writes each job of a print queue into the PostScript hot
// folder of the dispatcher its device URI names (see docs/cups.md).
//
// CUPS runs it as `ravlin JOB-ID USER TITLE COPIES OPTIONS [FILE]` with the device URI in
// argv[0] and DEVICE_URI, the job on standard input when no file is given; without
// arguments it lists the devices it offers. Its messages go to standard error as CUPS
// reads them ("ERROR: ...", "INFO: ..."); its exit code is one of CUPS_BACKEND_*.
#pragma once

#include <string>
#include <vector>

namespace rvc::cups {

// The exit codes of a backend (CUPS's cups_backend_t).
inline constexpr int kBackendOk = 0;
inline constexpr int kBackendFailed = 1;  // the queue's error policy decides
inline constexpr int kBackendStop = 4;    // the queue stops; the job stays queued

// `arguments` leave out argv[0]; `deviceUri` is DEVICE_URI (else argv[0]).
int RunBackend(const std::vector<std::string>& arguments, const std::string& deviceUri);

}  // namespace rvc::cups
