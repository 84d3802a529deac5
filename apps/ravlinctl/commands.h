// The subcommands of ravlinctl. Each returns the exit code: 0 done, 1 refused or failed
// (the reason has been printed on standard error).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apps/ravlinctl/arguments.h"
#include "apps/ravlinctl/console.h"
#include "apps/ravlinctl/session.h"
#include "cups/print_queues.h"
#include "cups/queue_upkeep.h"

#include <vector>

namespace rvc::ctl {

// Listing, for anyone.
int RunFlavours(CSession& session, const Arguments& arguments);
int RunList(CSession& session, const Arguments& arguments);
int RunShow(CSession& session, const Arguments& arguments);

// Changes, for administrators: the main window's commands.
int RunCreate(CSession& session, CtlConsole& console, const Arguments& arguments);
int RunDelete(CSession& session, CtlConsole& console, const Arguments& arguments);
int RunChangeType(CSession& session, CtlConsole& console, const Arguments& arguments);
int RunPpd(CSession& session, CtlConsole& console, const Arguments& arguments);
// The Modify command: name, folder, device type and port separator of a dispatcher.
int RunSet(CSession& session, CtlConsole& console, const Arguments& arguments);
int RunPpdPreferences(CSession& session, CtlConsole& console, const Arguments& arguments);

// Backups (backup_commands.cpp): the backup for administrators; what a backup holds, for
// anyone and without the installation.
int RunBackup(CSession& session, CtlConsole& console, const Arguments& arguments);
int RunBackupInfo(const Arguments& arguments);

// Restore from a backup folder (restore_commands.cpp).
int RunRestore(CSession& session, CtlConsole& console, const Arguments& arguments);

// media and resolutions, and the new, modify and show verbs of config: a dispatcher's RIP
// configuration (ripconfig_commands.cpp).
std::vector<Subcommand> RipconfigSubcommands();
// Raises UsageError for verbs and options that do not fit.
void CheckRipconfigOptions(const Subcommand& command, const Arguments& arguments);

// Print queues of CUPS (publish_commands.cpp).
int RunPublish(CSession& session, CtlConsole& console, const Arguments& arguments);
int RunUnpublish(CSession& session, CtlConsole& console, const Arguments& arguments);

// The queues of CUPS that feed dispatchers, asked for once; none when CUPS cannot be
// reached.
class CPublishedQueues {
 public:
  CPublishedQueues();
  // The queues whose device URI names dispatcher `name` (of `flavour`; "": of any).
  std::vector<std::string> QueuesOf(const std::string& flavour, const std::string& name) const;
  // The first of them, or "".
  std::string QueueOf(const std::string& flavour, const std::string& name) const;

 private:
  std::optional<std::vector<cups::PrintQueue>> queues_;
};

// What the upkeep of the print queues did after a change: done on standard output,
// failures (with what the administrator must do) on standard error.
void TellQueueReports(CtlConsole& console, const std::vector<cups::QueueReport>& reports);

}  // namespace rvc::ctl
