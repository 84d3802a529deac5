// ravlinctl: the dispatchers of a Ravlin installation from the command line, without a
// display. It runs the operations of Ravlin Configurator (rvc_setup) in the same
// environment, with the same catalogue, checks, messages, trace and rollback, and follows
// the conventions of lpadmin and lpstat: short subcommands, plain output, the reason of a
// refusal on standard error and an exit code of 0 (done), 1 (refused or failed) or 2
// (usage). See docs/ravlinctl.md.
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/common/installation_layout.h"
#include "apps/ravlinctl/arguments.h"
#include "apps/ravlinctl/commands.h"
#include "apps/ravlinctl/console.h"
#include "apps/ravlinctl/doctor.h"
#include "apps/ravlinctl/session.h"
#include "apps/ravlinctl/verbs.h"
#include "frame/login.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/recovery.h"
#include "platform/environment.h"
#include "store/installation_lock.h"

namespace {

using rvc::ctl::Arguments;
using rvc::ctl::CtlConsole;
using rvc::ctl::Subcommand;
using rvc::ctl::UsageError;

int UsageFailure(const std::string& problem, const Subcommand* command) {
  std::fprintf(stderr, "ravlinctl: %s\n%s", problem.c_str(), rvc::ctl::UsageHint(command).c_str());
  return rvc::ctl::kExitUsage;
}

// What the options of a subcommand must hold beyond their syntax.
void CheckOptions(const Subcommand& command, const Arguments& arguments) {
  auto require = [&](const char* option) {
    if (!arguments.Value(option)) throw UsageError(command.name + ": --" + option + " is missing");
  };
  if (command.name == "create") {
    require("flavour");
    require("type");
    if (auto vdp = arguments.Value("vdp"); vdp && *vdp != "active" && *vdp != "disabled") {
      throw UsageError("create: --vdp takes active or disabled, not " + *vdp);
    }
  } else if (command.name == "change-type") {
    require("type");
  } else if (command.name == "set") {
    if (!arguments.Has("name") && !arguments.Has("folder") && !arguments.Has("type") && !arguments.Has("port-separator")) {
      throw UsageError("set: give at least one of --name, --folder, --type and --port-separator");
    }
  } else if (command.name == "ppd-preferences") {
    for (const char* option : {"dgc", "job-dot-shape"}) {
      if (auto value = arguments.Value(option); value && *value != "on" && *value != "off") {
        throw UsageError(std::string("ppd-preferences: --") + option + " takes on or off, not " + *value);
      }
    }
  } else if (command.name == "config" || command.name == "media" || command.name == "resolutions") {
    rvc::ctl::CheckRipconfigOptions(command, arguments);
  } else if (command.name == "ppd") {
    const bool all = arguments.Has("all");
    if (all == !arguments.positionals.empty()) throw UsageError("ppd: name one dispatcher or give --all");
  }
  rvc::ctl::CheckSettingsArguments(command, arguments);
}

CtlConsole::Questions QuestionsFor(const Arguments& arguments) {
  if (arguments.Has("yes")) return CtlConsole::Questions::AnswerYes;
  return ::isatty(STDIN_FILENO) != 0 ? CtlConsole::Questions::AskTerminal : CtlConsole::Questions::Refuse;
}

int Run(const Subcommand& command, const Arguments& arguments, const std::optional<std::string>& version) {
  const bool changes = rvc::ctl::Changes(command, arguments);
  CtlConsole console(QuestionsFor(arguments));
  rvc::ui::ScopedUserInterface ui(console);

  // Set by an installer that wants the configurator left alone.
  if (rvc::platform::GetEnv("kw_norvc")) {
    console.Say("kw_norvc is set: Ravlin Configurator does nothing");
    return rvc::ctl::kExitFailed;
  }

  std::setlocale(LC_ALL, "");
  // Numbers in the installation's files are written and read in the C notation.
  std::setlocale(LC_NUMERIC, "C");
  rvc::platform::KW_EnvironmentSetupEx();
  if (const std::optional<std::string> problem = rvc::platform::EnvironmentFileProblem()) {
    console.Say(*problem);
    return rvc::ctl::kExitFailed;
  }

  // Kept for the whole run so that every trace line of a change lands in one open file.
  std::unique_ptr<rvc::CRvcTrace> trace;
  if (changes) {
    try {
      rvc::frame::CSystemAccounts accounts;
      if (!accounts.IsAdministrator(nullptr)) {
        console.Say(rvc::MessageText(rvc::msg::kNotAdministrator));
        return rvc::ctl::kExitFailed;
      }
    } catch (const rvc::CRvcException& error) {
      console.Say(error.Message());
      return rvc::ctl::kExitFailed;
    }
    trace = std::make_unique<rvc::CRvcTrace>("");
    trace->Trace("Start");
  }

  // The doctor reads what the others would stop at, and reports what a recovery would
  // clear, so it neither takes the lock nor recovers.
  if (command.name == "doctor") return rvc::ctl::RunDoctor(arguments, version);
  if (command.name == "backup-info") return rvc::ctl::RunBackupInfo(arguments);

  // A writer holds the installation lock from before it reads the lists it changes; a
  // reader recovers only when no writer is at work.
  std::unique_ptr<rvc::store::CInstallationLock> lock;
  try {
    lock = std::make_unique<rvc::store::CInstallationLock>(
        "ravlinctl " + command.name, changes ? rvc::store::CInstallationLock::kDefaultWait
                                                     : std::chrono::milliseconds(0));
  } catch (const std::exception& error) {
    if (changes) {
      console.Say(error.what());
      return rvc::ctl::kExitFailed;
    }
  }
  rvc::lifecycle::RecoveryOutcome recovery;
  if (lock) recovery = rvc::lifecycle::RecoverInterruptedOperation();

  rvc::ctl::CSession session(console, version);
  if (!session.Load()) {
    rvc::ctl::SayWhyNothingLoads(console, version);
    return rvc::ctl::kExitFailed;
  }
  // The debris of killed writers goes only while this run holds the lock for a change.
  if (lock && changes) rvc::lifecycle::FinishRecovery(session.Flavours(), recovery);
  if (!recovery.problem.empty()) console.Say("recovery of an interrupted change failed: " + recovery.problem);

  try {
    if (command.name == "flavours") return rvc::ctl::RunFlavours(session, arguments);
    if (command.name == "list") return rvc::ctl::RunList(session, arguments);
    if (command.name == "show") return rvc::ctl::RunShow(session, arguments);
    if (command.name == "create") return rvc::ctl::RunCreate(session, console, arguments);
    if (command.name == "delete") return rvc::ctl::RunDelete(session, console, arguments);
    if (command.name == "change-type") return rvc::ctl::RunChangeType(session, console, arguments);
    if (command.name == "ppd") return rvc::ctl::RunPpd(session, console, arguments);
    if (command.name == "publish") return rvc::ctl::RunPublish(session, console, arguments);
    if (command.name == "unpublish") return rvc::ctl::RunUnpublish(session, console, arguments);
    if (command.name == "set") return rvc::ctl::RunSet(session, console, arguments);
    if (command.name == "backup") {
      lock.reset();  // the backup jobs it starts are rvc_setup runs that take the lock
      return rvc::ctl::RunBackup(session, console, arguments);
    }
    if (command.name == "ppd-preferences") return rvc::ctl::RunPpdPreferences(session, console, arguments);
    if (command.name == "restore") return rvc::ctl::RunRestore(session, console, arguments);
    if (rvc::ctl::HasVerbs(command.name)) return rvc::ctl::RunVerb(session, console, command.name, arguments);
    if (command.name == "recover") {
      if (!recovery.done.empty()) std::printf("%s\n", recovery.done.c_str());
      if (recovery.debrisRemoved > 0) std::printf("removed %d temporary files of killed runs\n", recovery.debrisRemoved);
      if (recovery.done.empty() && recovery.debrisRemoved == 0 && recovery.problem.empty()) {
        std::printf("nothing to recover\n");
      }
      return recovery.problem.empty() ? rvc::ctl::kExitDone : rvc::ctl::kExitFailed;
    }
  } catch (const rvc::CRvcException& error) {
    error.Report();
  } catch (const std::exception& error) {
    rvc::CRvcException(rvc::msg::kInternalError, error.what()).Report();
  }
  return rvc::ctl::kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  rvc::app::UseOwnFolders();

  // Options before the subcommand: --version X (also accepted after it) and --help.
  std::optional<std::string> version;
  size_t next = 0;
  for (; next < arguments.size() && arguments[next].rfind("-", 0) == 0; ++next) {
    const std::string& argument = arguments[next];
    if (argument == "-h" || argument == "--help") {
      std::fputs(rvc::ctl::OverviewHelp().c_str(), stdout);
      return rvc::ctl::kExitDone;
    }
    // "--version" with nothing after it asks for the program's version; with a value it
    // picks the product version of the catalogue.
    if (argument == "--version" && next + 1 == arguments.size()) {
      std::printf("ravlinctl (Ravlin Configurator) %s\n", rvc::app::BuildVersion());
      return rvc::ctl::kExitDone;
    }
    if (argument == "--version" && next + 1 < arguments.size()) {
      version = arguments[++next];
    } else if (argument.rfind("--version=", 0) == 0) {
      version = argument.substr(10);
    } else {
      return UsageFailure("unknown option " + argument, nullptr);
    }
  }
  if (next >= arguments.size()) return UsageFailure("a subcommand is missing", nullptr);

  const Subcommand* command = rvc::ctl::FindSubcommand(arguments[next]);
  if (command == nullptr) return UsageFailure("unknown subcommand " + arguments[next], nullptr);
  const std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(next) + 1, arguments.end());

  Arguments parsed;
  try {
    parsed = rvc::ctl::ParseArguments(*command, rest);
    if (parsed.Has("help")) {
      std::fputs(rvc::ctl::SubcommandHelp(*command).c_str(), stdout);
      return rvc::ctl::kExitDone;
    }
    if (command->name == "help") {
      if (parsed.positionals.empty()) {
        std::fputs(rvc::ctl::OverviewHelp().c_str(), stdout);
        return rvc::ctl::kExitDone;
      }
      const Subcommand* described = rvc::ctl::FindSubcommand(parsed.positionals.front());
      if (described == nullptr) return UsageFailure("unknown subcommand " + parsed.positionals.front(), nullptr);
      std::fputs(rvc::ctl::SubcommandHelp(*described).c_str(), stdout);
      return rvc::ctl::kExitDone;
    }
    CheckOptions(*command, parsed);
  } catch (const UsageError& error) {
    return UsageFailure(error.what(), command);
  }
  if (auto given = parsed.Value("version")) version = given;

  return Run(*command, parsed, version);
}
