// config, media and resolutions: a dispatcher's RIP configurations, media and resolution
// sets, through the same dialogs that Ravlin Configurator opens from its General page,
// filled from the options and checked as they check an operator's input. A change is
// written only when the dialog accepted it, under the configuration's write lock and with
// an intent journal that lets a killed run be rolled back.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/ravlinctl/commands.h"
#include "apps/ravlinctl/json.h"
#include "apps/ravlinctl/verbs.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "lifecycle/intent_journal.h"
#include "platform/path.h"
#include "ripconfig/configuration_dialog.h"
#include "ripconfig/media_dialog.h"
#include "ripconfig/number_text.h"
#include "ripconfig/ravlcfg.h"
#include "ripconfig/resolution_dialogs.h"

namespace rvc::ctl {
namespace {

using ripconfig::EditorMode;
using ripconfig::RavlcfgHandle;

const OptionSpec kHelp{"help", 'h', false};
const OptionSpec kVersion{"version", '\0', true};
const OptionSpec kJson{"json", '\0', false};
const OptionSpec kYes{"yes", 'y', false};

// The built-in editors only: a plug-in editor would need a person at a display.
class NoPlugins : public ripconfig::IEditorPlugins {
 public:
  ripconfig::PluginOutcome Call(const ripconfig::EditorContext&, const ripconfig::PluginRequest&,
                                std::optional<ripconfig::AddedResolution>*) override {
    return ripconfig::PluginOutcome::Absent;
  }
};
NoPlugins noPlugins;

// The open configuration of one dispatcher, closed (unwritten changes dropped) at the end.
struct OpenConfiguration {
  ~OpenConfiguration() { ripconfig::ravlcfg_close(&handle); }
  RavlcfgHandle* handle = nullptr;
  ripconfig::EditorContext context;
  std::string dispatcher;
  std::string dataFolder;  // the flavour's
};

// Opens the configuration of dispatcher `reference`; with `write` also takes its write lock.
std::unique_ptr<OpenConfiguration> Open(CSession& session, CtlConsole& console, const std::string& reference,
                                        bool write) {
  const std::optional<DispatcherAt> at = session.FindDispatcher(reference);
  if (!at) return nullptr;
  frame::CFlavour& flavour = session.Flavour(at->flavour);
  const store::CDispatcher& dispatcher = flavour.DispatcherList->GetAt(at->row);
  auto open = std::make_unique<OpenConfiguration>();
  open->dispatcher = dispatcher.Record.Name;
  open->dataFolder = flavour.DispatcherList->DataFolder();
  const std::string configPath = platform::JoinPath(dispatcher.Path(), "data/zv_config.res");
  open->handle = ripconfig::ravlcfg_open(configPath);
  if (open->handle == nullptr) {
    console.Say(MessageText(msg::kResourceFilesError) + " (" + configPath + ")");
    return nullptr;
  }
  if (ripconfig::ravlcfg_get_nr_errors(open->handle) > 0) {
    for (const std::string& error : ripconfig::ravlcfg_get_errormessages(open->handle)) console.Say(error);
    console.Say(MessageText(msg::kCorruptResourceFiles));
    return nullptr;
  }
  if (write && ripconfig::ravlcfg_gain_writelock(open->handle, 0) != 1) {
    for (const std::string& error : ripconfig::ravlcfg_get_errormessages(open->handle)) console.Say(error);
    return nullptr;
  }
  open->context.handle = open->handle;
  open->context.programFolder = flavour.TemplateList->ProgramFolder();
  open->context.deviceType = dispatcher.Record.Type;
  open->context.configPath = configPath;
  open->context.plugins = &noPlugins;
  return open;
}

// Writes the accepted changes. The files' bytes before are journaled, so that a run killed
// between two of them is rolled back by the next start.
int Write(OpenConfiguration& open, CtlConsole& console, bool accepted) {
  if (!accepted || console.DialogRefused()) {
    if (console.Said() == 0) console.Say("nothing was changed");
    return kExitFailed;
  }
  RavlcfgHandle& store = *open.handle;
  lifecycle::IntentRecord intent;
  intent.operation = "ripconfig";
  intent.dataFolder = open.dataFolder;
  intent.name = open.dispatcher;
  lifecycle::CIntentJournal journal(std::move(intent));
  for (const std::string& path : {store.ConfigPath(), store.FilmPath(), store.RecorderPath(), store.NamesPath()}) {
    std::string bytes;
    std::string resolved = path;
    if (!path.empty() && platform::ReadFileNoCase(resolved, bytes)) journal.NotePreserved(resolved, bytes, 0644);
  }
  const bool written = ripconfig::ravlcfg_write(&store) == 1;
  journal.Finish();
  if (!written) {
    for (const std::string& error : ripconfig::ravlcfg_get_errormessages(&store)) console.Say(error);
    return kExitFailed;
  }
  CRvcTrace("").Trace("RIP configuration of " + open.dispatcher + " changed");
  return kExitDone;
}

int RowNamed(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (platform::EqualsNoCase(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::string Positional(const Arguments& arguments, size_t index, const char* what) {
  if (index >= arguments.positionals.size()) throw UsageError(std::string(what) + " is missing");
  return arguments.positionals[index];
}

std::string Number(double value) { return ripconfig::ResolutionText(value); }

// --- config ---

int RunConfig(CSession& session, CtlConsole& console, const Arguments& arguments) {
  const std::string verb = Positional(arguments, 1, "new, modify or show");
  const std::string name = Positional(arguments, 2, "the configuration's name");
  if (verb == "show") {
    auto open = Open(session, console, arguments.positionals[0], false);
    if (!open) return kExitFailed;
    const ripconfig::ConfigRecord* conf = open->handle->FindConf(name);
    if (conf == nullptr) {
      console.Say("dispatcher " + open->dispatcher + " has no configuration " + name);
      return kExitFailed;
    }
    const bool used = platform::EqualsNoCase(open->handle->Base().usedConf, conf->name);
    if (arguments.Has("json")) {
      std::printf("{\"name\": %s, \"media\": %s, \"resolution_set\": %s, \"output\": %s, \"in_use\": %s}\n",
                  JsonString(conf->name).c_str(), JsonString(conf->film).c_str(), JsonString(conf->set).c_str(),
                  JsonString(conf->output).c_str(), used ? "true" : "false");
    } else {
      std::printf("name: %s\nmedia: %s\nresolution set: %s\noutput folder: %s\nin use: %s\n", conf->name.c_str(),
                  conf->film.c_str(), conf->set.c_str(), conf->output.c_str(), used ? "yes" : "no");
    }
    return kExitDone;
  }
  auto open = Open(session, console, arguments.positionals[0], true);
  if (!open) return kExitFailed;
  const EditorMode mode = verb == "new" ? EditorMode::New : EditorMode::Modify;
  if (mode == EditorMode::Modify && open->handle->FindConf(name) == nullptr) {
    console.Say("dispatcher " + open->dispatcher + " has no configuration " + name);
    return kExitFailed;
  }
  console.ExpectDialog("Configuration", [&](ui::IDialogModel& model) -> std::string {
    auto& dialog = dynamic_cast<ripconfig::CConfiguration&>(model);
    dialog.Name = mode == EditorMode::New ? name : arguments.Value("name").value_or(dialog.Name);
    if (auto media = arguments.Value("media")) {
      dialog.Media.used = RowNamed(dialog.Media.names, *media);
      if (dialog.Media.used < 0) return "dispatcher " + open->dispatcher + " has no media " + *media;
    }
    if (auto set = arguments.Value("resolution-set")) {
      dialog.Sets.used = RowNamed(dialog.Sets.names, *set);
      if (dialog.Sets.used < 0) return "dispatcher " + open->dispatcher + " has no resolution set " + *set;
    }
    if (auto output = arguments.Value("output")) dialog.OutputFolder = *output;
    return {};
  });
  const ui::DialogResult result = ripconfig::RunConfigurationDialog(
      open->handle, mode, name, open->context.programFolder, open->context.deviceType, open->context.configPath,
      &noPlugins);
  return Write(*open, console, result == ui::DialogResult::Ok);
}

// --- media ---

// "297mm", "11.7inch", "11.7in", "11693mil" or a bare number in millimetres.
std::optional<std::pair<ripconfig::SizeUnit, std::string>> SizeOption(const std::string& text) {
  for (const char* unit : {"inch", "mil", "mm", "in"}) {
    const std::string suffix(unit);
    if (text.size() > suffix.size() && text.ends_with(suffix)) {
      return std::pair{*ripconfig::UnitNamed(suffix), text.substr(0, text.size() - suffix.size())};
    }
  }
  return std::pair{ripconfig::SizeUnit::Mm, text};
}

void PrintMedia(const std::vector<ripconfig::FilmRecord*>& films, bool json) {
  if (json) {
    std::string out = "[";
    for (size_t i = 0; i < films.size(); ++i) {
      const ripconfig::FilmRecord& film = *films[i];
      out += std::string(i == 0 ? "" : ", ") + "{\"name\": " + JsonString(film.name) +
             ", \"vertical_mil\": " + Number(film.verticalSize) + ", \"horizontal_mil\": " +
             Number(film.horizontalSize) + ", \"polarity\": " + (film.polarity == 0 ? "\"negative\"" : "\"positive\"") +
             ", \"curve\": " + JsonString(film.curve) + ", \"size\": " + JsonString(film.sizeText) + "}";
    }
    std::printf("%s]\n", out.c_str());
    return;
  }
  for (const ripconfig::FilmRecord* film : films) {
    std::printf("%s  %s  %s  %s  %s\n", film->name.c_str(), Number(film->verticalSize).c_str(),
                Number(film->horizontalSize).c_str(), film->polarity == 0 ? "negative" : "positive",
                film->curve.empty() ? "-" : film->curve.c_str());
  }
}

int RunMedia(CSession& session, CtlConsole& console, const Arguments& arguments) {
  const std::string verb = Positional(arguments, 1, "list, new, modify or delete");
  if (verb == "list") {
    auto open = Open(session, console, arguments.positionals[0], false);
    if (!open) return kExitFailed;
    PrintMedia(open->handle->Films(), arguments.Has("json"));
    return kExitDone;
  }
  const std::string name = Positional(arguments, 2, "the media's name");
  std::optional<std::pair<ripconfig::SizeUnit, std::string>> sizes[2];
  for (const auto& [axis, option] : {std::pair{0, "height"}, std::pair{1, "width"}}) {
    if (auto value = arguments.Value(option)) sizes[axis] = SizeOption(*value);
  }

  auto open = Open(session, console, arguments.positionals[0], true);
  if (!open) return kExitFailed;
  RavlcfgHandle& store = *open->handle;
  if (verb != "new" && store.FindFilm(name) == nullptr) {
    console.Say("dispatcher " + open->dispatcher + " has no media " + name);
    return kExitFailed;
  }
  if (verb == "delete") {
    // The configuration dialog's Delete, with the media selected and no configuration
    // being edited: the last media stays, and the library keeps media in use.
    ripconfig::CConfiguration dialog(open->context, EditorMode::New, "");
    dialog.OnInitDialog();
    dialog.OnMediaClick(RowNamed(dialog.Media.names, name));
    const int before = store.FilmCount();
    dialog.OnMediaDelete();
    return Write(*open, console, store.FilmCount() < before);
  }
  console.ExpectDialog("Media", [&](ui::IDialogModel& model) -> std::string {
    auto& dialog = dynamic_cast<ripconfig::CMedia&>(model);
    dialog.Name = verb == "new" ? name : arguments.Value("name").value_or(dialog.Name);
    for (const ripconfig::CMedia::Axis axis : {ripconfig::CMedia::kVertical, ripconfig::CMedia::kHorizontal}) {
      if (!sizes[axis]) continue;
      dialog.Unit[axis] = static_cast<int>(sizes[axis]->first);
      dialog.OnUnitChanged(axis);
      dialog.SizeText[axis] = sizes[axis]->second;
    }
    if (auto polarity = arguments.Value("polarity")) dialog.TypeIndex = *polarity == "negative" ? 1 : 0;
    if (auto curve = arguments.Value("curve")) {
      dialog.CurveIndex = curve->empty() ? 0 : RowNamed(dialog.Curves, *curve);
      if (dialog.CurveIndex < 0) return "there is no platemaking curve " + *curve;
    }
    return {};
  });
  ripconfig::CMedia dialog(open->context, verb == "new" ? EditorMode::New : EditorMode::Modify, name);
  return Write(*open, console, dialog.Run() == ui::DialogResult::Ok);
}

// --- resolutions ---

int RunResolutions(CSession& session, CtlConsole& console, const Arguments& arguments) {
  const std::string verb = Positional(arguments, 1, "list, add, modify or delete");
  if (verb == "list") {
    auto open = Open(session, console, arguments.positionals[0], false);
    if (!open) return kExitFailed;
    const std::optional<std::string> only =
        arguments.positionals.size() > 2 ? std::optional(arguments.positionals[2]) : std::nullopt;
    const bool json = arguments.Has("json");
    std::string out = "[";
    bool first = true;
    for (const ripconfig::ResolutionSet* set : open->handle->Sets()) {
      if (only && !platform::EqualsNoCase(*only, set->name)) continue;
      for (int i = 0; i < set->Count(); ++i) {
        const ripconfig::ResolutionEntry& entry = *set->Entry(i);
        const std::string gamma = entry.useGamma ? ripconfig::FormatDecimal(entry.gamma, 0, std::locale::classic())
                                                 : std::string("OrvaCal");
        if (json) {
          out += std::string(first ? "" : ", ") + "{\"set\": " + JsonString(set->name) +
                 ", \"dpi\": " + Number(entry.dpi) + ", \"gamma\": " + (entry.useGamma ? gamma : "null") + "}";
        } else {
          std::printf("%s  %s  %s\n", set->name.c_str(), Number(entry.dpi).c_str(), gamma.c_str());
        }
        first = false;
      }
    }
    if (json) std::printf("%s]\n", out.c_str());
    return kExitDone;
  }
  const std::string setName = Positional(arguments, 2, "the resolution set");
  const std::string valueText = Positional(arguments, 3, "the resolution");
  const std::optional<double> value = ripconfig::ReadDecimal(valueText, ripconfig::UserLocale());

  auto open = Open(session, console, arguments.positionals[0], true);
  if (!open) return kExitFailed;
  RavlcfgHandle& store = *open->handle;
  const ripconfig::ResolutionSet* set = store.FindSet(setName);
  if (verb != "add" && (set == nullptr || set->Find(*value) == nullptr)) {
    console.Say("dispatcher " + open->dispatcher + " has no resolution " + valueText + " in set " + setName);
    return kExitFailed;
  }
  // The set editor on the set (a set that does not exist yet is made by its first value).
  ripconfig::CResolution editor(open->context, EditorMode::Modify, set != nullptr ? set->name : setName);
  editor.OnInitDialog();
  if (verb != "add") {
    for (int row = 0; row < set->Count(); ++row) {
      if (ripconfig::SameResolution(set->Entry(row)->dpi, *value)) editor.OnSelect(row);
    }
  }
  if (verb == "delete") {
    editor.OnDelete();
    return Write(*open, console, !editor.Log().Changes().empty());
  }
  console.ExpectDialog("ResAndCal", [&](ui::IDialogModel& model) -> std::string {
    auto& dialog = dynamic_cast<ripconfig::CResAndCal&>(model);
    dialog.ResolutionText = verb == "add" ? valueText : arguments.Value("value").value_or(dialog.ResolutionText);
    if (auto gamma = arguments.Value("gamma")) dialog.GammaText = *gamma;
    return {};
  });
  if (verb == "add") {
    editor.OnAdd();
  } else {
    editor.OnModify();
  }
  return Write(*open, console, !editor.Log().Changes().empty());
}

// The verbs, run through the verb table of ravlinctl (verbs.h).
const VerbRegistration kConfigNew{{"config", "new", true, RunConfig, 1, 1}};
const VerbRegistration kConfigModify{{"config", "modify", true, RunConfig, 1, 1}};
const VerbRegistration kConfigShow{{"config", "show", false, RunConfig, 1, 1}};
const VerbRegistration kMediaList{{"media", "list", false, RunMedia, 0, 0}};
const VerbRegistration kMediaNew{{"media", "new", true, RunMedia, 1, 1}};
const VerbRegistration kMediaModify{{"media", "modify", true, RunMedia, 1, 1}};
const VerbRegistration kMediaDelete{{"media", "delete", true, RunMedia, 1, 1}};
const VerbRegistration kResolutionsList{{"resolutions", "list", false, RunResolutions, 0, 1}};
const VerbRegistration kResolutionsAdd{{"resolutions", "add", true, RunResolutions, 2, 2}};
const VerbRegistration kResolutionsModify{{"resolutions", "modify", true, RunResolutions, 2, 2}};
const VerbRegistration kResolutionsDelete{{"resolutions", "delete", true, RunResolutions, 2, 2}};

}  // namespace

std::vector<Subcommand> RipconfigSubcommands() {
  return {
      {"media",
       "media NAME list|new|modify|delete [MEDIA] [--height SIZE] [--width SIZE] [--polarity positive|negative] "
       "[--curve C] [--name NEW] [--json] [--yes]",
       "list, create, change or delete the media of a dispatcher",
       "Works on the media (films and plates) of dispatcher NAME as the Media dialog does, with the\n"
       "same checks and messages. Sizes are in millimetres, or in the unit written after the\n"
       "number: 297mm, 11.7inch (or 11.7in), 11693mil. Decimals take a full stop or the decimal\n"
       "separator of your locale.\n\n"
       "  list                print name, height and width in mil, polarity and curve of each media\n"
       "  new MEDIA           a media named MEDIA (needs --height and --width)\n"
       "  modify MEDIA        change MEDIA; a new name reaches every configuration that uses it\n"
       "  delete MEDIA        delete MEDIA (not the last one, nor one a configuration uses)\n"
       "  --height SIZE       the vertical size\n"
       "  --width SIZE        the horizontal size\n"
       "  --polarity positive|negative\n"
       "  --curve C           the platemaking dot gain curve; \"\" for none\n"
       "  --name NEW          modify: a new name\n"
       "  --json              list: print a JSON array instead\n"
       "  -y, --yes           delete: answer yes to \"Are you sure ...?\"\n",
       {kHelp, kVersion, kJson, kYes, {"height", '\0', true}, {"width", '\0', true}, {"polarity", '\0', true},
        {"curve", '\0', true}, {"name", '\0', true}},
       2,
       3,
       false},
      {"resolutions",
       "resolutions NAME list|add|modify|delete [SET [VALUE]] [--value NEW] [--gamma G] [--json] [--yes]",
       "list, add, change or delete the resolutions of a dispatcher's resolution sets",
       "Works on the resolution sets of dispatcher NAME as the resolution set editor does, with\n"
       "the same checks and messages. VALUE is in dpi; gamma is a whole number.\n\n"
       "  list [SET]          print set, resolution and gamma (\"OrvaCal\": the set's calibration)\n"
       "  add SET VALUE       add VALUE to SET; a SET that does not exist is made\n"
       "  modify SET VALUE    change VALUE of SET (--value, --gamma)\n"
       "  delete SET VALUE    delete VALUE from SET\n"
       "  --value NEW         modify: the new resolution\n"
       "  --gamma G           the gamma of the resolution\n"
       "  --json              list: print a JSON array instead\n"
       "  -y, --yes           delete: answer yes to \"Are you sure ...?\"\n",
       {kHelp, kVersion, kJson, kYes, {"value", '\0', true}, {"gamma", '\0', true}},
       2,
       4,
       false},
  };
}

void CheckRipconfigOptions(const Subcommand& command, const Arguments& arguments) {
  const std::vector<std::string>& words = arguments.positionals;
  const std::string verb = words.size() > 1 ? words[1] : std::string();
  if (command.name == "config") {
    if (verb == "new" && (!arguments.Value("media") || !arguments.Value("resolution-set"))) {
      throw UsageError("config new: --media and --resolution-set are needed");
    }
  } else if (command.name == "media") {
    if (verb == "new" && (!arguments.Value("height") || !arguments.Value("width"))) {
      throw UsageError("media new: --height and --width are needed");
    }
    if (auto polarity = arguments.Value("polarity"); polarity && *polarity != "positive" && *polarity != "negative") {
      throw UsageError("media: --polarity takes positive or negative, not " + *polarity);
    }
  } else if (command.name == "resolutions") {
    if (verb != "list" && words.size() > 3 && !ripconfig::ReadDecimal(words[3], ripconfig::UserLocale())) {
      throw UsageError("resolutions: " + words[3] + " is no resolution");
    }
    if (verb == "modify" && !arguments.Value("value") && !arguments.Value("gamma")) {
      throw UsageError("resolutions modify: give --value, --gamma or both");
    }
  }
}

}  // namespace rvc::ctl
