// env, folders, swap and config: the Setup, Swapfiles and General pages of the Modify
// dialog from the shell. Each runs the page's own model on the named dispatcher, as an
// operator would use the page, and saves it as the dialog's OK does. Pages that device-type
// plug-ins add exist only in the Modify dialog of rvc_setup.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "apps/ravlinctl/json.h"
#include "apps/ravlinctl/verbs.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "frame/rvc_app.h"
#include "lifecycle/running_dispatchers.h"
#include "platform/path.h"
#include "settings/dispatcher_pages.h"

namespace rvc::ctl {
namespace {

const OptionSpec kHelp{"help", 'h', false};
const OptionSpec kVersion{"version", '\0', true};
const OptionSpec kJson{"json", '\0', false};

const char* kGuiOnly =
    "Pages that a device type's plug-in library adds to the Modify dialog are shown only by\n"
    "Ravlin Configurator (rvc_setup); they have no command here.\n";

// The dispatcher named by the first positional, with its flavour.
struct Target {
  frame::CFlavour* flavour = nullptr;
  store::CDispatcher* dispatcher = nullptr;

  const store::RecordText& Name() const { return dispatcher->Record.Name; }
  // The files its pages edit.
  settings::PageFiles Files() const {
    return settings::PageFilesOf(flavour->DispatcherList->DataFolder(), dispatcher->Record.Folder);
  }
};

std::optional<Target> FindTarget(CSession& session, const Arguments& arguments) {
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return std::nullopt;
  Target target;
  target.flavour = &session.Flavour(at->flavour);
  target.dispatcher = &target.flavour->DispatcherList->GetAt(at->row);
  return target;
}

// A change of a running dispatcher is refused, as the Modify command refuses it.
bool Running(CtlConsole& console, const Target& target) {
  if (!lifecycle::IsDispatcherRunning(target.Name(), frame::CRvcApp::ProductVersion)) return false;
  console.Say("Dispatcher " + target.Name() + " is running.\nYou cannot modify a running dispatcher.");
  return true;
}

// Saves a page as the dialog's OK does: refused when the page refuses, reported when
// the save fails.
int Save(CtlConsole& console, settings::IPage& page) {
  if (auto refusal = page.Validate()) {
    console.Say(refusal->message);
    return kExitFailed;
  }
  try {
    page.Save();
  } catch (const CRvcException& error) {
    error.Report();
    return kExitFailed;
  }
  return console.ErrorReported() ? kExitFailed : kExitDone;
}

const std::string& Operand(const Arguments& arguments, size_t index) { return arguments.positionals.at(2 + index); }

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// --- env ---

std::optional<settings::CSetup> LoadSetup(const Target& target, bool viewOnly) {
  std::optional<settings::CSetup> page(std::in_place, target.Files().ini, viewOnly);
  page->Load();
  if (!page->Loaded()) return std::nullopt;  // 109 was shown
  return page;
}

int RunEnvList(CSession& session, CtlConsole&, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target) return kExitFailed;
  auto page = LoadSetup(*target, true);
  if (!page) return kExitFailed;
  std::string out = arguments.Has("json") ? "[" : "";
  for (const settings::EnvironmentRow& row : page->Rows()) {
    if (arguments.Has("json")) {
      out += std::string(out.size() > 1 ? ", " : "") + "{\"name\": " + JsonString(row.name) +
             ", \"value\": " + JsonString(row.value) + ", \"comment\": " + JsonString(row.comment) + "}";
    } else {
      out += row.name + "=" + row.value + (row.comment.empty() ? "" : "  # " + row.comment) + "\n";
    }
  }
  Print(arguments.Has("json") ? out + "]\n" : out);
  return kExitDone;
}

int RunEnvSet(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target || Running(console, *target)) return kExitFailed;
  auto page = LoadSetup(*target, false);
  if (!page) return kExitFailed;
  const std::string& name = Operand(arguments, 0);
  if (name.empty()) {
    console.Say("a variable needs a name");
    return kExitFailed;
  }
  const std::string value = arguments.positionals.size() > 3 ? Operand(arguments, 1) : "";
  if (const int row = page->RowOf(name); row >= 0) {
    // The Modify... button: value and comment change, under the VDP_MODE rule.
    page->ModifyVariable(row, value, arguments.Value("comment").value_or(page->Rows()[static_cast<size_t>(row)].comment));
  } else {
    page->AddVariable({name, value, arguments.Value("comment").value_or("")});
  }
  return Save(console, *page);
}

int RunEnvUnset(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target || Running(console, *target)) return kExitFailed;
  auto page = LoadSetup(*target, false);
  if (!page) return kExitFailed;
  const int row = page->RowOf(Operand(arguments, 0));
  if (row < 0) {
    console.Say(target->Name() + " has no environment variable " + Operand(arguments, 0));
    return kExitFailed;
  }
  page->RemoveVariable(row);
  return Save(console, *page);
}

const VerbRegistration kEnvList{{"env", "list", false, RunEnvList, 0, 0}};
const VerbRegistration kEnvSet{{"env", "set", true, RunEnvSet, 1, 2}};
const VerbRegistration kEnvUnset{{"env", "unset", true, RunEnvUnset, 1, 1}};

// --- folders ---

struct FolderOption {
  const char* option;
  settings::CSetup::Folder folder;
};
constexpr FolderOption kFolderOptions[] = {{"hotfolder", settings::CSetup::HotFolder},
                                           {"ldir1", settings::CSetup::Channel1},
                                           {"ldir2", settings::CSetup::Channel2}};

bool FoldersChange(const Arguments& arguments) {
  for (const FolderOption& option : kFolderOptions) {
    if (arguments.Has(option.option)) return true;
  }
  return false;
}

int RunFolders(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target) return kExitFailed;
  const bool change = FoldersChange(arguments);
  if (change && Running(console, *target)) return kExitFailed;
  auto page = LoadSetup(*target, !change);
  if (!page) return kExitFailed;
  if (change) {
    for (const FolderOption& option : kFolderOptions) {
      std::string folder = arguments.Value(option.option).value_or("");
      if (folder.empty()) continue;
      // As the folder picker gives it: ending with the separator.
      if (folder.back() != '/' && folder.back() != '\\') folder += platform::kSeparator;
      page->SetFolder(option.folder, folder);
    }
    return Save(console, *page);
  }
  std::string out = arguments.Has("json") ? "{" : "";
  for (const FolderOption& option : kFolderOptions) {
    const std::string& folder = page->FolderText(option.folder);
    if (arguments.Has("json")) {
      out += std::string(out.size() > 1 ? ", " : "") + JsonString(option.option) + ": " + JsonString(folder);
    } else {
      out += std::string(option.option) + std::string(11 - std::string(option.option).size(), ' ') + folder + "\n";
    }
  }
  Print(arguments.Has("json") ? out + "}\n" : out);
  return kExitDone;
}

const VerbRegistration kFolders{{"folders", "", false, RunFolders, 0, 0, FoldersChange}};

// --- swap ---

std::unique_ptr<settings::CSwapfilesPage> LoadSwap(const Target& target, bool viewOnly) {
  const settings::PageFiles files = target.Files();
  auto page = std::make_unique<settings::CSwapfilesPage>(files.swap[0], files.swap[1], files.swap[2], viewOnly);
  page->Load();
  if (!page->Loaded()) return nullptr;  // 104 was shown
  return page;
}

int RunSwapList(CSession& session, CtlConsole&, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target) return kExitFailed;
  auto page = LoadSwap(*target, true);
  if (!page) return kExitFailed;
  std::string out = arguments.Has("json") ? "[" : "";
  for (int file = 0; file < settings::CSwapfilesPage::kFiles; ++file) {
    if (arguments.Has("json")) {
      out += std::string(file > 0 ? ", " : "") + "{\"channel\": " + std::to_string(file) +
             ", \"title\": " + JsonString(store::CSwapfiles::kTitles[static_cast<size_t>(file)]) + ", \"folders\": [";
      for (size_t i = 0; i < page->Entries(file).size(); ++i) out += (i > 0 ? ", " : "") + JsonString(page->Entries(file)[i]);
      out += "]}";
    } else {
      for (const std::string& folder : page->Entries(file)) out += std::to_string(file) + "  " + folder + "\n";
    }
  }
  Print(arguments.Has("json") ? out + "]\n" : out);
  return kExitDone;
}

int Channel(const Arguments& arguments) { return Operand(arguments, 0)[0] - '0'; }

int RunSwapAdd(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target || Running(console, *target)) return kExitFailed;
  auto page = LoadSwap(*target, false);
  if (!page) return kExitFailed;
  const int file = Channel(arguments);
  const std::string& folder = Operand(arguments, 1);
  if (!page->AddFolder(file, folder)) {
    const bool full = static_cast<int>(page->Entries(file).size()) >= store::CSwapfiles::kMaxEntries;
    console.Say(full ? "swap file " + std::to_string(file) + " of " + target->Name() + " holds " +
                           std::to_string(store::CSwapfiles::kMaxEntries) + " folders already; remove one first"
                     : folder + " is in swap file " + std::to_string(file) + " of " + target->Name() + " already");
    return kExitFailed;
  }
  return Save(console, *page);
}

int RunSwapRemove(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target || Running(console, *target)) return kExitFailed;
  auto page = LoadSwap(*target, false);
  if (!page) return kExitFailed;
  const int file = Channel(arguments);
  const std::string& folder = Operand(arguments, 1);
  const std::vector<std::string>& entries = page->Entries(file);
  int row = -1;
  for (size_t i = 0; i < entries.size() && row < 0; ++i) {
    if (platform::EqualsNoCase(entries[i], folder)) row = static_cast<int>(i);
  }
  if (row < 0) {
    console.Say(folder + " is not in swap file " + std::to_string(file) + " of " + target->Name());
    return kExitFailed;
  }
  page->Click(row);
  if (!page->OnRemove(file)) return kExitFailed;  // 119 was shown
  return Save(console, *page);
}

const VerbRegistration kSwapList{{"swap", "list", false, RunSwapList, 0, 0}};
const VerbRegistration kSwapAdd{{"swap", "add", true, RunSwapAdd, 2, 2}};
const VerbRegistration kSwapRemove{{"swap", "remove", true, RunSwapRemove, 2, 2}};

// --- config ---

std::unique_ptr<settings::CGeneral> LoadGeneral(CtlConsole& console, const Target& target, bool viewOnly) {
  auto page = std::make_unique<settings::CGeneral>(target.dispatcher->Record, target.Files().config,
                                                   target.flavour->TemplateList.get(), viewOnly);
  page->Load();
  if (page->Config() == nullptr) {
    console.Say(MessageText(msg::kResourceFilesError));
    return nullptr;
  }
  if (page->Failed()) return nullptr;  // 185 was shown
  if (!viewOnly && page->ViewOnly()) {
    console.Say("the configurations of " + target.Name() + " are being edited by another program; try again later");
    return nullptr;
  }
  return page;
}

int RunConfigList(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target) return kExitFailed;
  auto page = LoadGeneral(console, *target, true);
  if (!page) return kExitFailed;
  std::string out = arguments.Has("json") ? "[" : "";
  for (size_t i = 0; i < page->Configurations().size(); ++i) {
    const std::string& name = page->Configurations()[i];
    const bool inUse = static_cast<int>(i) == page->InUseIndex();
    if (arguments.Has("json")) {
      out += std::string(i > 0 ? ", " : "") + "{\"name\": " + JsonString(name) +
             ", \"inUse\": " + (inUse ? "true" : "false") + "}";
    } else {
      out += name + (inUse ? "  (in use)" : "") + "\n";
    }
  }
  Print(arguments.Has("json") ? out + "]\n" : out);
  return kExitDone;
}

// Loads the page for a change and selects configuration CONF; nullptr after saying why not.
std::unique_ptr<settings::CGeneral> SelectConfiguration(CtlConsole& console, const Target& target,
                                                        const Arguments& arguments) {
  auto page = LoadGeneral(console, target, false);
  if (!page) return nullptr;
  const int row = page->IndexOf(Operand(arguments, 0));
  if (row < 0) {
    console.Say(target.Name() + " has no configuration " + Operand(arguments, 0));
    return nullptr;
  }
  page->Select(row);
  return page;
}

int RunConfigUse(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target) return kExitFailed;
  auto page = SelectConfiguration(console, *target, arguments);
  if (!page) return kExitFailed;
  page->OnUseAsDefault();
  return Save(console, *page);
}

int RunConfigDelete(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto target = FindTarget(session, arguments);
  if (!target) return kExitFailed;
  auto page = SelectConfiguration(console, *target, arguments);
  if (!page) return kExitFailed;
  const size_t before = page->Configurations().size();
  page->OnDelete();
  // Refused (152), or the question was not answered yes: both have been said.
  if (page->Configurations().size() == before) return kExitFailed;
  return Save(console, *page);
}

const VerbRegistration kConfigList{{"config", "list", false, RunConfigList, 0, 0}};
const VerbRegistration kConfigUse{{"config", "use", true, RunConfigUse, 1, 1}};
const VerbRegistration kConfigDelete{{"config", "delete", true, RunConfigDelete, 1, 1}};

}  // namespace

void AddSettingsSubcommands(std::vector<Subcommand>& commands) {
  commands.push_back({"env",
                      "env NAME list [--json] | env NAME set VAR [VALUE] [--comment C] | env NAME unset VAR",
                      "list or change a dispatcher's environment variables",
                      "The environment variables of dispatcher NAME (topic \"environment\" of its ini file), as\n"
                      "the Setup page of the Modify dialog shows and edits them.\n\n"
                      "  list                the variables, one NAME=VALUE a line (and \"  # comment\")\n"
                      "  set VAR [VALUE]     changes VAR, or adds it when NAME has no such variable; VALUE\n"
                      "                      may be empty. In an installation whose folders hold VovodoDizeza,\n"
                      "                      VDP_MODE takes only parts of STATIC|VDP; any other value is\n"
                      "                      reset to STATIC with a warning\n"
                      "  unset VAR           removes VAR\n"
                      "  --comment C         the comment of VAR (set); without it a changed variable keeps its own\n"
                      "  --json              print a JSON array instead (list)\n\n"
                      "set and unset need an administrator and refuse a running dispatcher.\n" +
                          std::string(kGuiOnly),
                      {kHelp, kVersion, kJson, {"comment", '\0', true}},
                      2,
                      4,
                      false});
  commands.push_back({"folders",
                      "folders NAME [--hotfolder D] [--ldir1 D] [--ldir2 D] [--json]",
                      "show or change a dispatcher's hot folder and local folders",
                      "Without options, shows the PostScript hot folder of dispatcher NAME and the temporary\n"
                      "folders of its two output channels, as the Setup page of the Modify dialog does; with\n"
                      "options, changes them (an administrator only; refused while the dispatcher runs).\n\n"
                      "  --hotfolder D       the PostScript hot folder\n"
                      "  --ldir1 D           temporary files of output channel 1\n"
                      "  --ldir2 D           temporary files of output channel 2\n"
                      "  --json              print a JSON object instead\n\n"
                      "A folder is stored as given, with a separator added at its end; it is not created.\n" +
                          std::string(kGuiOnly),
                      {kHelp, kVersion, kJson, {"hotfolder", '\0', true}, {"ldir1", '\0', true}, {"ldir2", '\0', true}},
                      1,
                      1,
                      false});
  commands.push_back({"swap",
                      "swap NAME list [--json] | swap NAME add|remove CHANNEL FOLDER",
                      "list or change a dispatcher's swap folders",
                      "The swap folders of dispatcher NAME, as the Swapfiles page of the Modify dialog shows\n"
                      "and edits them. CHANNEL is 0 (PostScript channel, swap_0.sfd), 1 or 2 (output\n"
                      "channels 1 and 2, swap_1.sfd and swap_2.sfd).\n\n"
                      "  list                CHANNEL and FOLDER, one folder a line\n"
                      "  add CHANNEL FOLDER  appends FOLDER; a channel holds at most ten folders, each once\n"
                      "  remove CHANNEL FOLDER\n"
                      "                      removes FOLDER; the last folder of a channel stays\n"
                      "  --json              print a JSON array instead (list)\n\n"
                      "add and remove need an administrator and refuse a running dispatcher.\n" +
                          std::string(kGuiOnly),
                      {kHelp, kVersion, kJson},
                      2,
                      4,
                      false});
  commands.push_back({"config",
                      "config NAME list [--json] | config NAME use|delete CONF [--yes] | "
                      "config NAME new|modify|show CONF [--media M] [--resolution-set S] [--output DIR] [--name NEW]",
                      "list a dispatcher's RIP configurations, choose or delete one",
                      "The RIP configurations of dispatcher NAME, as the General page of the Modify dialog\n"
                      "lists them.\n\n"
                      "  list                the configurations, the one in use marked \"(in use)\"\n"
                      "  use CONF            CONF becomes the configuration in use\n"
                      "  delete CONF         deletes CONF; not the one in use, nor the last. Asks for\n"
                      "                      confirmation: give --yes, or run it from a terminal\n"
                      "  -y, --yes           answer yes to \"Are you sure ...?\"\n"
                      "  new CONF            a configuration named CONF (needs --media and --resolution-set),\n"
                      "                      made by the Configuration dialog: a copy of the first one with\n"
                      "                      the media's values\n"
                      "  modify CONF         changes CONF through the same dialog\n"
                      "  show CONF           prints its media, resolution set, output folder and whether it\n"
                      "                      is in use\n"
                      "  --media M           new, modify: the media it uses\n"
                      "  --resolution-set S  new, modify: the resolution set it uses\n"
                      "  --output DIR        new, modify: its output folder (an existing folder; \"\" for none)\n"
                      "  --name NEW          modify: a new name\n"
                      "  --json              print a JSON array instead (list), a JSON object (show)\n\n"
                      "use and delete need an administrator and refuse a running dispatcher.\n" +
                          std::string(kGuiOnly),
                      {kHelp, kVersion, kJson, {"yes", 'y', false}, {"media", '\0', true}, {"resolution-set", '\0', true},
                       {"output", '\0', true}, {"name", '\0', true}},
                      2,
                      3,
                      false});
}

void CheckSettingsArguments(const Subcommand& command, const Arguments& arguments) {
  CheckVerb(command.name, arguments);
  // The channel of swap add and remove.
  if (command.name != "swap" || arguments.positionals.size() < 3) return;
  const std::string& channel = arguments.positionals[2];
  if (channel != "0" && channel != "1" && channel != "2") throw UsageError("swap: CHANNEL is 0, 1 or 2, not " + channel);
}

}  // namespace rvc::ctl
