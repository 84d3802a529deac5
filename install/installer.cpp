#include "install/installer.h"

#include <filesystem>
#include <map>
#include <optional>
#include <span>

#include "backup/backup.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "frame/rvc_app.h"
#include "install/configuration_check.h"
#include "install/job_shortcuts.h"
#include "install/legacy_types.h"
#include "install/saved_state.h"
#include "install/template_sources.h"
#include "install/update_steps.h"
#include "lifecycle/intent_journal.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/sync_batch.h"
#include "store/confinement.h"
#include "store/installation_lock.h"
#include "store/resource_db.h"
#include "ui/user_interface.h"

namespace rvc::install {
namespace {

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

lifecycle::IntentRecord JobRecord(const char* job, const std::string& dataFolder, const std::string& label,
                                  const std::string& flavour) {
  lifecycle::IntentRecord record;
  record.operation = std::string(job) + "-job";
  record.dataFolder = dataFolder;
  record.label = label;
  record.name = flavour;
  return record;
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

CRvcInstaller::CRvcInstaller(const store::CTemplateList& templateList, store::CDispatcherList& dispatcherList,
                             InstallerOptions options)
    : DispatcherList(dispatcherList), TemplateList(templateList), options_(std::move(options)) {}

CRvcInstaller::~CRvcInstaller() = default;

void CRvcInstaller::Step(const std::string& text) {
  Trace(text);
  if (options_.progress) options_.progress({"", 0, 0, text});
}

void CRvcInstaller::Step(const std::string& dispatcher, const std::string& text) {
  Trace(dispatcher + ": " + text);
  if (options_.progress) options_.progress({dispatcher, number_, count_, text});
}

// --- Install ---

void CRvcInstaller::InstallShortcuts() {
  CJobShortcuts shortcuts(options_.label, DispatcherList.DataFolder(), TemplateList.ProgramFolder());
  for (bool desktop : {true, false}) {
    if (!shortcuts.KeepCopy(desktop)) {
      Trace(std::string("No ") + (desktop ? "desktop" : "program menu") + " shortcut starts from " +
            TemplateList.ProgramFolder() + "; none kept");
    }
  }
}

void CRvcInstaller::Install() {
  store::CInstallationLock lock("rvc_setup install");
  lifecycle::CIntentJournal journal(JobRecord("install", DispatcherList.DataFolder(), options_.label, TemplateList.Key()));
  Step("Keeping copies of the original dispatcher's shortcuts");
  InstallShortcuts();
  journal.Finish();
}

// --- Backup ---

// The dispatcher copies of a backup that started this job (backup/backup.h): a file
// "<Folder>/data/<path>" of the data folder may lie there as "<Name>/<path>".
std::function<std::string(const std::string&)> CRvcInstaller::DispatcherCopies() const {
  const std::string copies = platform::GetEnv(backup::kDispatcherCopiesVariable).value_or("");
  if (copies.empty() || copies.front() != platform::kSeparator) return {};
  std::map<std::string, std::string> names;  // folder in lower case -> name
  for (int i = 0; i < DispatcherList.GetCount(); ++i) {
    const store::DispatcherRecord& record = DispatcherList.GetAt(i).Record;
    if (store::FolderNameProblem(record.Folder).empty() && store::FolderNameProblem(record.Name).empty()) {
      names.emplace(platform::ToLowerAscii(record.Folder), record.Name);
    }
  }
  return [copies = platform::WithTrailingSeparator(copies), names = std::move(names)](const std::string& relative) {
    const size_t folderEnd = relative.find('/');
    if (folderEnd == std::string::npos) return std::string();
    const auto name = names.find(platform::ToLowerAscii(relative.substr(0, folderEnd)));
    constexpr std::string_view kData = "data/";
    const std::string rest = relative.substr(folderEnd + 1);
    if (name == names.end() || rest.size() <= kData.size() || !platform::EqualsNoCase(rest.substr(0, kData.size()), kData)) {
      return std::string();
    }
    return copies + name->second + platform::kSeparator + rest.substr(kData.size());
  };
}

void CRvcInstaller::Backup() {
  store::CInstallationLock lock("rvc_setup backup");
  lifecycle::CIntentJournal journal(JobRecord("backup", DispatcherList.DataFolder(), options_.label, TemplateList.Key()));
  Step("Saving the dispatcher list");
  // A list that cannot be saved has been reported; without it the saved state would be
  // of no use to an update.
  if (!DispatcherList.Save()) {
    Step("The backup stopped: the dispatcher list could not be saved");
    journal.Finish();
    return;
  }

  CSavedState saved(TemplateList.Flavor());
  saved.RemoveLeftovers();
  CTemplateSources sources(TemplateList, saved.HasTemplateCopy() ? saved.TemplateCopy() : std::string());
  const std::string datadir = platform::WithTrailingSeparator(DispatcherList.DataFolder());
  count_ = DispatcherList.GetCount();
  // The difference files and the copy that takes them are made durable together.
  std::optional<platform::SyncBatch> batch(std::in_place);
  for (int i = 0; i < DispatcherList.GetCount(); ++i) {
    number_ = i + 1;
    const store::DispatcherRecord& record = DispatcherList.GetAt(i).Record;
    Step(record.Name, "Recording the customisations against the templates");
    const store::CTemplate* type = TemplateList.GetAt(TemplateList.FindType(record.Type));
    const std::string data = platform::ResolveNoCase(datadir + record.Folder + "/data") + "/";
    auto difference = [&](const std::string& templateFile, const std::string& file) {
      if (templateFile.empty() || !Exists(file)) {
        Trace(record.Name + ": no template or no file for " + file + "; no difference file");
        return;
      }
      utils_.MakeDifferenceFile(templateFile, file);
    };
    difference(sources.Resource(type->FID), platform::ResolveNoCase(data + TemplateList.FIDbase() + ".fid"));
    difference(sources.Resource(type->PlateOrFilmFile),
               platform::ResolveNoCase(data + (type->IsFilm() ? "zv_film.res" : "zv_plate.res")));
    difference(sources.Resource(type->Recorder), platform::ResolveNoCase(data + "zv_recorder.res"));
    difference(sources.Resource(type->Config), platform::ResolveNoCase(data + "zv_config.res"));
    std::string ini = "zv*dispatcher.ini";
    if (utils_.FindNewestFile(datadir + record.Folder, ini, false)) difference(sources.DispatcherIni(*type), ini);
  }

  number_ = 0;
  Step("Copying the data folder to " + saved.Folder());
  store::CopyOptions copy;
  copy.stopAtErrors = false;
  copy.skipNames = {"ppd",       "TransScript_dev1", "TransScript_dev2", "Tmp",      "Logging",
                    "LocalDir1", "LocalDir2",        "SwapFiles",        "HotFolder", "Hot Folder"};
  // The staging folder is the job's own until it is renamed into place, after the flush:
  // its files need no replacement each of their own.
  copy.privateTarget = true;
  copy.twin = DispatcherCopies();
  utils_.DeleteTree(saved.StagingFolder(), true, true);
  utils_.CopyTree(datadir, saved.StagingFolder(), copy);
  // The difference files and the staged copy reach the disk before the swap.
  batch.reset();
  saved.ReplaceWithStaging();
  if (saved.HasTemplateCopy()) {
    std::string ini = "zv*dispatcher*.ini";
    if (utils_.FindNewestFile(saved.TemplateCopy(), ini, false)) utils_.DeleteTree(saved.TemplateCopy(), true, true);
  }

  Step("Removing the list file " + DispatcherList.ListFile());
  utils_.DeleteTree(DispatcherList.ListFile(), true, true);
  journal.Finish();
}

// --- Delete ---

void CRvcInstaller::Delete() {
  store::CInstallationLock lock("rvc_setup delete");
  lifecycle::CIntentJournal journal(JobRecord("delete", DispatcherList.DataFolder(), options_.label, TemplateList.Key()));
  CJobShortcuts shortcuts(options_.label, DispatcherList.DataFolder(), TemplateList.ProgramFolder());
  count_ = DispatcherList.GetCount();
  for (int i = 1; i < DispatcherList.GetCount(); ++i) {
    number_ = i + 1;
    const store::DispatcherRecord& record = DispatcherList.GetAt(i).Record;
    Step(record.Name, "Removing the shortcuts");
    shortcuts.Remove(record.Name);
  }
  if (DispatcherList.GetCount() > 0) {
    const store::DispatcherRecord& original = DispatcherList.GetAt(0).Record;
    number_ = 1;
    for (bool desktop : {true, false}) {
      if (shortcuts.RestoreFromCopy(original.Folder, original.Name, desktop)) {
        Step(original.Name, std::string("Restored the ") + (desktop ? "desktop" : "program menu") +
                                " shortcut from its copy");
      }
    }
  }
  journal.Finish();
}

// --- Update ---

struct CRvcInstaller::UpdateRun {
  UpdateContext context;
  store::DispatcherRecord work;
  std::string mainName;
  bool mainSeen = true;
  std::string firstFolder;
  std::string firstName;
  std::string originalName;
  CJobShortcuts* shortcuts = nullptr;
};

bool CRvcInstaller::Update() {
  store::CInstallationLock lock("rvc_setup update");
  UpdateRun run;
  CSavedState saved(TemplateList.Flavor());

  Step("Keeping copies of the original dispatcher's shortcuts");
  InstallShortcuts();

  const std::string datadir = platform::WithTrailingSeparator(DispatcherList.DataFolder());
  CJobShortcuts shortcuts(options_.label, datadir, TemplateList.ProgramFolder());
  run.shortcuts = &shortcuts;
  if (const std::string copy = shortcuts.FindCopy(true); !copy.empty()) {
    run.mainName = CJobShortcuts::CopyOwner(copy);
    run.mainSeen = false;
  }

  const std::string listFile = saved.ListFile();
  if (listFile.empty()) {
    throw CRvcException(msg::kApplicationStopped, "Ravlin Configurator cannot update a not-backed-up flavour");
  }
  lifecycle::CIntentJournal journal(JobRecord("update", datadir, options_.label, TemplateList.Key()));
  saved.RemoveLeftovers();
  const SavedList list = ReadSavedList(listFile);

  run.context.dataFolder = datadir;
  run.context.savedFolder = saved.Folder();
  run.context.install = list.Install.value_or(datadir);
  run.context.flavor = TemplateList.Flavor();
  run.context.label = options_.label;
  run.context.templates = &TemplateList;
  if (DispatcherList.GetCount() > 0) run.originalName = DispatcherList.GetAt(0).Record.Name;

  bool complete = false;
  count_ = static_cast<int>(list.Dispatchers.size());
  // The migration's files are made durable together when the loop ends: until the saved
  // state is removed below, running the update again repairs what a power loss lost.
  std::optional<platform::SyncBatch> batch(std::in_place);
  try {
    for (int i = 0; i < count_; ++i) {
      number_ = i + 1;
      const SavedDispatcher& entry = list.Dispatchers[i];
      DispatcherFailed = false;
      if (entry.Name) run.work.Name = *entry.Name;
      if (entry.Folder) run.work.Folder = *entry.Folder;
      if (entry.Type) run.work.Type = RenameLegacyType(*entry.Type);
      // A port separator is one digit, as the list reads it (a Base of 13 is 3).
      if (entry.Base) run.work.Base = static_cast<int>(((*entry.Base % 10) + 10) % 10);
      MigrateDispatcher(run, i);
    }
    number_ = 0;
    if (!AnyFailed) {
      if (!run.mainSeen) {
        Step(run.mainName, "Removing the shortcuts of the previous default dispatcher");
        shortcuts.Remove(run.mainName);
      }
      shortcuts.RemoveProgramFolderShortcuts();
    }
    complete = true;
  } catch (const CRvcException& error) {
    error.Report();
  } catch (const std::exception& error) {
    Trace(std::string("Update ended: ") + error.what());
  }

  batch.reset();
  number_ = 0;
  // A run that an error ended early keeps the saved state too: the dispatchers after the
  // error have not been migrated yet, and the update must be able to run again.
  if (complete && !AnyFailed) {
    Step("Removing the saved state " + saved.Folder());
    saved.RemoveAfterUpdate();
  } else {
    Step("The update did not finish for every dispatcher; the saved state stays in " + saved.Folder());
  }
  journal.Finish();
  return Succeeded;
}

void CRvcInstaller::MigrateDispatcher(UpdateRun& run, int index) {
  store::DispatcherRecord& work = run.work;
  const UpdateContext& context = run.context;
  const std::string& name = work.Name;
  if (!run.mainName.empty() && platform::EqualsNoCase(name, run.mainName)) run.mainSeen = true;
  if (const std::string problem = store::FolderNameProblem(work.Folder); !problem.empty()) {
    throw CRvcException(msg::kConfigurationFailed, "of saved dispatcher " + store::Printable(name) + ": its folder " + problem);
  }

  Step(name, "Copying the saved folder");
  CopySavedFolder(context, work.Folder);
  Step(name, "Rewriting paths and company names");
  RewriteSavedTexts(context, work.Folder);
  std::string servers = "servers.ini";
  if (HotFoldersTakePdf(options_.label) && utils_.FindNewestFile(context.dataFolder + work.Folder, servers, false)) {
    Step(name, "Letting hot folders take PDF jobs");
    AddPdfToHotFolders(servers);
  }
  Step(name, "Refreshing the templates of type " + work.Type);
  const store::CTemplate* type = TemplateList.GetAt(TemplateList.FindType(work.Type));
  RefreshTemplates(context, work.Folder, *type);

  Step(name, "Cleaning the environment settings");
  const std::string ini = DispatcherIni(context, work.Folder);
  {
    std::optional<store::ResourceDb> db = store::ResourceDb::Open(ini);
    if (!db) throw CRvcException(msg::kResourceDbError, ini);
    CleanEnvironment(*db);
    ApplyFlavourSettings(context, *db);
    db->Flush();
  }
  Step(name, "Setting the command ports for port separator " + std::to_string(work.Base));
  utils_.SetIniCommandPort(ini, work.Base);
  if (index == 0) {
    run.firstFolder = work.Folder;
    run.firstName = name;
  } else {
    Step(name, "Copying what the first dispatcher has beside its data folder");
    CopyFromFirst(context, run.firstFolder, work.Folder);
  }

  Step(name, "Checking the configuration");
  const bool original = platform::EqualsNoCase(name, run.originalName);
  const CheckResult check = CheckConfiguration(context.dataFolder + work.Folder + "/data/zv_config.res", name,
                                               ReducesFilms(context.flavor));
  if (check != CheckResult::Passed) {
    const std::string arguments[] = {name, name};
    ui::ShowMessage(MessageText(original ? msg::kUpdateOriginalCorrupt : msg::kUpdateCloneCorrupt, arguments),
                    frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
    DispatcherFailed = true;
    AnyFailed = true;
  }
  if (DispatcherFailed) {
    if (original) {
      Succeeded = false;
      Step(name, "The original dispatcher could not be migrated");
    } else {
      Step(name, "Dropped: its configuration cannot be read");
      utils_.DeleteTreeInside(context.dataFolder, context.dataFolder + work.Folder, true, true);
      run.shortcuts->Remove(name);
    }
    return;
  }

  if (!run.mainSeen) {
    const std::string printer = PrinterName(ini);
    if (!platform::EqualsNoCase(printer, name + "_AT")) {
      Step(name, "Renaming the printer names from " + run.mainName);
      utils_.RenameIniDispatcher(ini, run.mainName, name);
    }
  }
  Step(name, "Registering it with the flavour");
  Register(context, work.Folder);
  Step(name, "Making the shortcuts");
  const std::string firstModel = index == 0 ? std::string() : run.firstName;
  for (bool desktop : {true, false}) {
    if (!run.shortcuts->Migrate(work.Folder, name, firstModel, run.originalName, desktop)) Trace("Cannot create icon");
  }
}

}  // namespace rvc::install
