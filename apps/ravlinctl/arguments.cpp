#include "apps/ravlinctl/arguments.h"

#include <algorithm>

#include "apps/ravlinctl/commands.h"

namespace rvc::ctl {
namespace {

const OptionSpec kHelp{"help", 'h', false};
const OptionSpec kVersion{"version", '\0', true};
const OptionSpec kJson{"json", '\0', false};
const OptionSpec kYes{"yes", 'y', false};

const char* kCommonHelp =
    "  --version X         use the catalogue of product version X (rvc_X.dat) instead of rvc.dat\n"
    "  -h, --help          show this help\n";

std::vector<Subcommand> MakeSubcommands() {
  std::vector<Subcommand> commands;
  commands.push_back({"flavours",
                      "flavours [--json]",
                      "list the installed flavours",
                      "Lists the installed flavours of the catalogue: key, product version, number of\n"
                      "dispatchers and display name.\n\n"
                      "  --json              print a JSON array instead\n",
                      {kHelp, kVersion, kJson},
                      0,
                      0,
                      false});
  commands.push_back({"list",
                      "list [--flavour KEY] [--json]",
                      "list the dispatchers",
                      "Lists the dispatchers of every flavour, or of one: flavour key, name, device type,\n"
                      "folder, port separator and command port, in the order of the dispatcher list.\n\n"
                      "  -f, --flavour KEY   only the dispatchers of flavour KEY\n"
                      "  --json              print a JSON array instead\n",
                      {kHelp, kVersion, kJson, {"flavour", 'f', true}},
                      0,
                      0,
                      false});
  commands.push_back({"show",
                      "show NAME [--json]",
                      "show one dispatcher",
                      "Shows the identity and the files of dispatcher NAME. NAME may be written\n"
                      "FLAVOUR/NAME when dispatchers of several flavours have that name.\n\n"
                      "  --json              print a JSON object instead\n",
                      {kHelp, kVersion, kJson},
                      1,
                      1,
                      false});
  commands.push_back({"create",
                      "create --flavour KEY --type TYPE [--name NAME] [--copy-queues-from DISPATCHER] [--ppd FILE] "
                      "[--vdp active|disabled] [--yes]",
                      "create a dispatcher",
                      "Creates a dispatcher in flavour KEY, as the New command of Ravlin Configurator does: the\n"
                      "\"New Dispatcher\" dialog is filled with the options and checked as it checks an\n"
                      "operator's input. The dispatcher takes the lowest free port separator.\n\n"
                      "  -f, --flavour KEY   the flavour (catalogue key)\n"
                      "  -t, --type TYPE     the device type\n"
                      "  -n, --name NAME     the name; without it the proposed name (the first dispatcher's name\n"
                      "                      followed by the port separator)\n"
                      "  --copy-queues-from DISPATCHER\n"
                      "                      copy DISPATCHER of the flavour with its queues, adapted to the\n"
                      "                      new dispatcher; without it the flavour's first dispatcher is\n"
                      "                      copied without queues (\"Use Factory Default\")\n"
                      "  --ppd FILE          the PPD of a device type made from a PPD; its model name is\n"
                      "                      added to the name unless the name holds it\n"
                      "  --vdp active|disabled\n"
                      "                      the variable data printing mode (Dedezi flavours; default active)\n"
                      "  -y, --yes           answer yes to the questions of the command\n",
                      {kHelp,
                       kVersion,
                       kYes,
                       {"flavour", 'f', true},
                       {"type", 't', true},
                       {"name", 'n', true},
                       {"copy-queues-from", '\0', true},
                       {"ppd", '\0', true},
                       {"vdp", '\0', true}},
                      0,
                      0,
                      true});
  commands.push_back({"delete",
                      "delete NAME [--yes]",
                      "delete a dispatcher",
                      "Deletes dispatcher NAME with its folder and shortcuts, as the Delete button of\n"
                      "Ravlin Configurator does. The first dispatcher of a flavour cannot be deleted.\n"
                      "The command asks for confirmation: give --yes, or run it from a terminal.\n\n"
                      "  -y, --yes           answer yes to \"Are you sure ...?\"\n",
                      {kHelp, kVersion, kYes},
                      1,
                      1,
                      true});
  commands.push_back({"change-type",
                      "change-type NAME --type TYPE [--ppd FILE] [--yes]",
                      "give a dispatcher another device type",
                      "Rebuilds dispatcher NAME for device type TYPE, as the Change Type button of Ravlin\n"
                      "Configurator does; name, port separator, command port and shortcuts stay.\n\n"
                      "  -t, --type TYPE     the new device type\n"
                      "  --ppd FILE          the PPD of a device type made from a PPD\n"
                      "  -y, --yes           answer yes to the questions of the command\n",
                      {kHelp, kVersion, kYes, {"type", 't', true}, {"ppd", '\0', true}},
                      1,
                      1,
                      true});
  commands.push_back({"set",
                      "set NAME [--name NEW] [--folder FOLDER] [--type TYPE] [--port-separator N]",
                      "change a dispatcher's name, folder, device type or port separator",
                      "Changes dispatcher NAME as the Modify dialog of Ravlin Configurator does: its files,\n"
                      "ini settings, shortcuts, queues and list entry follow. The dialog's checks apply: a\n"
                      "name or folder already in use is refused, the first dispatcher of a flavour keeps its\n"
                      "folder, and only free port separators are offered. A new device type also moves the\n"
                      "dispatcher to a folder named after the type, unless --folder is given. After a new\n"
                      "port separator the PPD is made again. The pages and the synchronisation step of\n"
                      "device-type plug-in libraries are part of Ravlin Configurator's dialog only:\n"
                      "ravlinctl neither shows nor calls them.\n\n"
                      "  -n, --name NEW      the new name (blanks become \"_\")\n"
                      "  --folder FOLDER     the new folder in the flavour's data folder\n"
                      "  -t, --type TYPE     a device type of the flavour; the ini customisations stay\n"
                      "  --port-separator N  a port separator (0 to 9) that no other dispatcher uses\n"
                      "  -y, --yes           answer yes to the questions of the command\n",
                      {kHelp,
                       kVersion,
                       kYes,
                       {"name", 'n', true},
                       {"folder", '\0', true},
                       {"type", 't', true},
                       {"port-separator", '\0', true}},
                      1,
                      1,
                      true});
  commands.push_back({"ppd",
                      "ppd NAME | ppd --all [--yes]",
                      "generate PPD files",
                      "Generates the PPD and INF file of dispatcher NAME (Create PPD), or of every\n"
                      "dispatcher of every flavour (Create All PPDs), in the dispatcher's ppd folder.\n\n"
                      "  --all               every dispatcher\n"
                      "  -y, --yes           answer yes to the questions of the command\n",
                      {kHelp, kVersion, kYes, {"all", '\0', false}},
                      0,
                      1,
                      true});
  commands.push_back({"ppd-preferences",
                      "ppd-preferences [--copy-location DIR] [--dgc on|off] [--job-dot-shape on|off]",
                      "show or set the PPD preferences",
                      "Sets the preferences of PPD generation, as the PPD Preferences dialog of Ravlin\n"
                      "Configurator does, and prints them; without options it only prints them\n"
                      "(ExtraPPDLocation, IncludeDGCInPPD, IncludeDotJobInPPD of the catalogue's _internal_).\n\n"
                      "  --copy-location DIR a folder that gets a copy of every PPD made; it must exist;\n"
                      "                      an empty DIR (\"\") turns the copy off\n"
                      "  --dgc on|off        list the dot gain curves in PPDs (default on)\n"
                      "  --job-dot-shape on|off\n"
                      "                      offer the dot shape from the job in PPDs (default off)\n",
                      {kHelp, kVersion, {"copy-location", '\0', true}, {"dgc", '\0', true}, {"job-dot-shape", '\0', true}},
                      0,
                      0,
                      true});
  commands.push_back({"backup",
                      "backup [--to DIR]",
                      "back up every flavour",
                      "Backs up every flavour with all of its dispatchers into a new folder\n"
                      "RVC_Backup_<computer>_<date>_<time> in DIR, as the Backup button does: the data\n"
                      "folders, the device types' backup data, the configurator's backup job of each\n"
                      "flavour and the index BackupInfo.tmp. Prints the new folder. Without --to, DIR is\n"
                      "the folder of the last completed backup, else the parent of the configuration folder.\n\n"
                      "  --to DIR            where the backup folder is made\n",
                      {kHelp, kVersion, {"to", '\0', true}},
                      0,
                      0,
                      true});
  commands.push_back({"backup-info",
                      "backup-info DIR [--json]",
                      "show what a backup folder holds",
                      "Reads the index BackupInfo.tmp of the backup folder DIR, with the checks of a\n"
                      "restore, and lists each backed-up flavour with its dispatchers: name, mode\n"
                      "(Orginal or Clone), folder, type, port separator, command port and PPD. An index that\n"
                      "is missing, damaged or names paths out of its place is refused (exit status 1).\n\n"
                      "  --json              print a JSON object instead\n",
                      {kHelp, kVersion, kJson},
                      1,
                      1,
                      false});
  commands.push_back({"restore",
                      "restore DIR [--flavour F] [--dispatcher NAME] [--yes] [--json]",
                      "bring dispatchers back from a backup folder",
                      "Restores from the backup folder DIR (an \"RVC_Backup_...\" folder), as the Restore\n"
                      "command of Ravlin Configurator does. Without --dispatcher the whole flavour is\n"
                      "restored: its installed dispatchers are replaced by the backed-up ones. With it, the\n"
                      "backed-up dispatcher is matched with the installed one of the same command port and\n"
                      "its data folder is copied back; its History.txt stays. A restore is one journaled\n"
                      "change: cut short, it is undone (or, past its end, finished) by the next command\n"
                      "(see recover).\n\n"
                      "  -f, --flavour F     the backed-up flavour (needed when the backup holds several)\n"
                      "  --dispatcher NAME   restore only this dispatcher\n"
                      "  -y, --yes           answer yes to the questions of the command\n"
                      "  --json              print what was removed, re-created, restored and skipped, and\n"
                      "                      the messages shown, as a JSON object\n",
                      {kHelp, kVersion, kYes, kJson, {"flavour", 'f', true}, {"dispatcher", '\0', true}},
                      1,
                      1,
                      true});
  commands.push_back({"publish",
                      "publish NAME [--queue QUEUE] [--shared]",
                      "publish a dispatcher as a CUPS print queue",
                      "Creates or updates the CUPS print queue of dispatcher NAME: its device URI is\n"
                      "ravlin:/FLAVOUR/NAME, whose backend writes each job into the dispatcher's hot folder,\n"
                      "and its PPD the dispatcher's generated PPD (made first when there is none). The\n"
                      "queue is enabled and accepts jobs. See docs/cups.md.\n\n"
                      "  -q, --queue QUEUE   the queue's name; default the current queue of the dispatcher,\n"
                      "                      else FLAVOUR-NAME. Another name renames the queue\n"
                      "  --shared            share the queue with the network (printer-is-shared); without\n"
                      "                      it the queue is not shared\n",
                      {kHelp, kVersion, {"queue", 'q', true}, {"shared", '\0', false}},
                      1,
                      1,
                      true});
  commands.push_back({"unpublish",
                      "unpublish NAME",
                      "remove the CUPS print queue of a dispatcher",
                      "Removes the CUPS print queues that feed dispatcher NAME (FLAVOUR/NAME when several\n"
                      "flavours have that name). NAME may be a dispatcher that no longer exists.\n",
                      {kHelp, kVersion},
                      1,
                      1,
                      true});
  commands.push_back({"doctor",
                      "doctor [--json]",
                      "check the installation",
                      "Checks the installation without changing it: the environment file, the catalogue,\n"
                      "every flavour's type and dispatcher lists against the disk, dispatchers that cannot be\n"
                      "loaded, shared port separators and command ports, launchers that point nowhere, print\n"
                      "queues whose dispatcher or hot folder is missing, and files left by interrupted\n"
                      "operations. Prints each problem with its file and the command that fixes it; exit\n"
                      "status 0 when there is none, 1 otherwise.\n\n"
                      "  --json              print a JSON object instead\n",
                      {kHelp, kVersion, kJson},
                      0,
                      0,
                      false});
  commands.push_back({"recover",
                      "recover",
                      "complete or roll back an interrupted change",
                      "Completes or rolls back the change that a killed run of ravlinctl or Ravlin\n"
                      "Configurator left unfinished (its intent journal says which and how far it got),\n"
                      "then removes the temporary files of killed runs. Every command that changes the\n"
                      "installation does this first; recover does only this and says what it did.\n",
                      {kHelp, kVersion},
                      0,
                      0,
                      true});
  AddSettingsSubcommands(commands);
  for (Subcommand& command : RipconfigSubcommands()) commands.push_back(std::move(command));
  commands.push_back(
      {"help", "help [SUBCOMMAND]", "show the help of ravlinctl or of a subcommand", "", {kHelp}, 0, 1, false});
  return commands;
}

const OptionSpec* FindOption(const Subcommand& command, const std::string& name, char shortName) {
  for (const OptionSpec& option : command.options) {
    if ((!name.empty() && option.name == name) || (shortName != '\0' && option.shortName == shortName)) return &option;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> Arguments::Value(const std::string& name) const {
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> commands = MakeSubcommands();
  return commands;
}

const Subcommand* FindSubcommand(const std::string& name) {
  for (const Subcommand& command : Subcommands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

Arguments ParseArguments(const Subcommand& command, const std::vector<std::string>& arguments) {
  Arguments parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      parsed.positionals.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* option = nullptr;
    std::optional<std::string> inlineValue;
    std::string shown = argument;
    if (argument.rfind("--", 0) == 0) {
      std::string name = argument.substr(2);
      if (size_t equals = name.find('='); equals != std::string::npos) {
        inlineValue = name.substr(equals + 1);
        name.resize(equals);
        shown = "--" + name;
      }
      option = FindOption(command, name, '\0');
    } else if (argument.size() == 2) {
      option = FindOption(command, {}, argument[1]);
    }
    if (option == nullptr) throw UsageError("unknown option " + shown + " for " + command.name);
    if (!option->takesValue) {
      if (inlineValue) throw UsageError("option --" + option->name + " takes no value");
      parsed.flags.insert(option->name);
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= arguments.size()) throw UsageError("option " + shown + " needs a value");
      inlineValue = arguments[++i];
    }
    if (parsed.values.count(option->name) != 0) throw UsageError("option --" + option->name + " given twice");
    parsed.values[option->name] = *inlineValue;
  }
  if (parsed.Has("help")) return parsed;
  if (parsed.positionals.size() < command.minPositionals) {
    throw UsageError(command.name + ": " +
                     (command.minPositionals == 1 ? "a dispatcher name is missing" : "too few arguments"));
  }
  if (parsed.positionals.size() > command.maxPositionals) {
    throw UsageError(command.name + ": unexpected argument " + parsed.positionals[command.maxPositionals]);
  }
  return parsed;
}

std::string OverviewHelp() {
  std::string text =
      "Usage: ravlinctl [--version X] SUBCOMMAND [OPTIONS]\n"
      "\n"
      "Lists and changes the dispatchers of a Ravlin installation without a display, running the\n"
      "same operations as Ravlin Configurator. The installation is found through its\n"
      "environment file (RAVLIN_ENVIRONMENT_FILE, else /etc/ravlin/environment).\n"
      "\n"
      "Subcommands:\n";
  size_t width = 0;
  for (const Subcommand& command : Subcommands()) width = std::max(width, command.name.size() + 4);
  for (const Subcommand& command : Subcommands()) {
    std::string name = "  " + command.name;
    name.resize(width, ' ');
    text += name + command.summary + "\n";
  }
  text +=
      "\n"
      "Options:\n" +
      std::string(kCommonHelp) +
      "\n"
      "Exit status: 0 done, 1 refused or failed (the reason is on standard error), 2 usage error.\n"
      "Changing commands need an administrator. 'ravlinctl SUBCOMMAND --help' describes one\n"
      "subcommand; see also ravlinctl(1).\n";
  return text;
}

std::string SubcommandHelp(const Subcommand& command) {
  std::string text = "Usage: ravlinctl " + command.synopsis + "\n";
  if (command.name == "help") return text + "\nShows the help of ravlinctl or of SUBCOMMAND.\n";
  text += "\n" + command.help + std::string(kCommonHelp);
  if (command.changes) text += "\nOnly an administrator may run it.\n";
  return text;
}

std::string UsageHint(const Subcommand* command) {
  if (command == nullptr) return "Usage: ravlinctl [--version X] SUBCOMMAND [OPTIONS]\nTry 'ravlinctl --help'.\n";
  return "Usage: ravlinctl " + command->synopsis + "\nTry 'ravlinctl " + command->name + " --help'.\n";
}

}  // namespace rvc::ctl
