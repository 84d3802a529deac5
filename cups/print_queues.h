// The print queues of the local CUPS scheduler that feed dispatchers: read through the
// CUPS API, created, changed and removed with lpadmin (of cups-client). The scheduler is
// the one the CUPS tools use: CUPS_SERVER, else the client configuration, else the local
// socket.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rvc::cups {

struct PrintQueue {
  std::string name;
  std::string deviceUri;
};

// Every queue of the scheduler with its device URI; nothing when the scheduler cannot be
// reached (`problem`, when given, receives why).
std::optional<std::vector<PrintQueue>> ListPrintQueues(std::string* problem = nullptr);

// Why `name` cannot name a CUPS queue, or "" when it can: 1 to 127 printable characters,
// none of them a blank, "/", "\", "?", "'", "\"" or "#".
std::string QueueNameProblem(std::string_view name);

// The queue name proposed for dispatcher `name` of flavour `flavour`: "FLAVOUR-NAME" with
// every character a queue name may not hold turned into "_".
std::string DefaultQueueName(std::string_view flavour, std::string_view name);

struct QueueSettings {
  std::string name;
  std::string deviceUri;
  std::string ppd;          // the PPD file CUPS copies for the queue
  std::string description;  // printer-info
  bool shared = false;
};

// Creates or changes the queue (enabled and accepting jobs). "" when done, else what
// lpadmin said.
std::string PublishQueue(const QueueSettings& settings);
// Gives an existing queue a new PPD. "" when done, else what lpadmin said.
std::string SetQueuePpd(const std::string& queue, const std::string& ppd);
// Points an existing queue at another device URI, with the PPD `ppd`.
std::string SetQueueDevice(const std::string& queue, const std::string& deviceUri, const std::string& ppd);
// Removes the queue. "" when done, else what lpadmin said.
std::string RemoveQueue(const std::string& queue);

// The lpadmin command that removes `queue`, for an administrator to run.
std::string RemoveCommand(const std::string& queue);

}  // namespace rvc::cups
