#include "backup/backup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <memory>
#include <optional>

#include "backup/backup_index.h"
#include "backup/external_program.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "frame/flavour_catalogue.h"
#include "frame/rvc_app.h"
#include "platform/atomic_file.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/sync_batch.h"
#include "plugins/type_plugin.h"
#include "store/confinement.h"
#include "store/installation_lock.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::backup {
namespace {

constexpr char kLastBackupItem[] = "LastSuccessfulBackup";
constexpr char kProgressTitle[] = "Backup";

std::string UpToLastSeparator(const std::string& path) {
  const size_t last = path.find_last_of("/\\");
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string Join(const std::string& folder, const std::string& name) {
  return platform::WithTrailingSeparator(folder) + name;
}

// The text of the progress dialog for a step of a flavour.
std::string StepText(const frame::CFlavour& flavour, const std::string& step) { return flavour.DisplayName + ": " + step; }

}  // namespace

std::string BackupFolderName(std::string_view computerName, const std::tm& localTime) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%04d_%02d_%02d_%02d-%02d", localTime.tm_year + 1900, localTime.tm_mon + 1,
                localTime.tm_mday, localTime.tm_hour, localTime.tm_min);
  return "RVC_Backup_" + platform::ToLowerAscii(computerName) + stamp;
}

std::string ComputerName() {
  if (auto name = platform::GetEnv("COMPUTERNAME"); name && !name->empty()) return *name;
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return {};
  return host;
}

std::string BackupProblem(const frame::FlavourList& flavours) {
  for (const auto& flavour : flavours) {
    const std::string where = "the flavour " + store::Printable(flavour->DisplayName);
    if (std::string problem = BackedUpNameProblem(flavour->DisplayName); !problem.empty()) {
      return where + ": its name " + problem;
    }
    if (std::string problem = BackedUpNameProblem(flavour->Key); !problem.empty()) {
      return where + ": its key " + store::Printable(flavour->Key) + " " + problem;
    }
    const store::CDispatcherList& list = *flavour->DispatcherList;
    for (int i = 0; i < list.GetCount(); ++i) {
      const store::DispatcherRecord& record = list.GetAt(i).Record;
      for (const store::RecordText* part : {&record.Name, &record.Folder}) {
        if (std::string problem = BackedUpNameProblem(*part); !problem.empty()) {
          return where + ": the dispatcher " + store::Printable(record.Name) + ": " + store::Printable(*part) + " " +
                 problem;
        }
      }
      for (int j = 0; j < i; ++j) {
        if (platform::EqualsNoCase(list.GetAt(j).Record.Name, record.Name)) {
          return where + ": two dispatchers are named " + store::Printable(record.Name) +
                 " and would share one backup folder";
        }
      }
    }
  }
  return {};
}

CBackup::CBackup(frame::FlavourList& flavours, std::string configurator)
    : flavours_(flavours), configurator_(std::move(configurator)) {}

std::string CBackup::StartFolder() {
  const std::string catalogue = frame::CataloguePath(frame::CRvcApp::CatalogueFileName);
  const store::ResourceDb db = store::ResourceDb::OpenOrThrow(catalogue);
  if (const auto last = db.Find(kInternalTopic, kLastBackupItem)) return UpToLastSeparator(*last);
  return UpToLastSeparator(platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or(""));
}

void CBackup::OnBackup() {
  const std::string start = StartFolder();
  const std::string chosen = store::CRvcUtils::BrowseForFolder("Please browse to a folder for Backup", start);
  if (chosen.empty()) return;
  BackupInto(chosen);
}

std::string CBackup::BackupInto(const std::string& chosenFolder) {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  ::localtime_r(&now, &local);
  // The catalogue must be readable before anything is written.
  const std::string catalogue = frame::CataloguePath(frame::CRvcApp::CatalogueFileName);
  store::ResourceDb::OpenOrThrow(catalogue);

  const std::string folder = platform::WithTrailingSeparator(chosenFolder) + BackupFolderName(ComputerName(), local);
  if (std::string problem = BackupProblem(flavours_); !problem.empty()) {
    throw CRvcException(msg::kCreateFailed, folder + " (" + problem + ")");
  }
  store::CRvcUtils utils;
  utils.CreateFolderTree(folder);
  if (!BackupFlavours("All", folder)) {
    if (cancelled_) {
      ui::ShowMessage("The backup was cancelled. What was copied so far stays in " + folder, frame::kApplicationName,
                      ui::Buttons::Ok, ui::Icon::Information);
      CRvcTrace(std::string()).Trace("Backup cancelled; incomplete backup in " + folder);
    }
    return {};
  }
  ui::ShowMessage("Backup operation is performed successfully.\nBacked-up data can be found at " + folder,
                  frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Information);
  {
    CRvcTrace trace(std::string{});
    trace.Trace("Backup operation is performed successfully.");
    trace.Trace("Backup location:" + folder);
  }
  // One change of one file: the lock keeps it from crossing another writer's.
  store::CInstallationLock lock("backup");
  store::ResourceDb db = store::ResourceDb::OpenOrThrow(catalogue);
  if (!db.Modify(kInternalTopic, kLastBackupItem, folder) && !db.AddItem(kInternalTopic, kLastBackupItem, folder)) {
    db.AddTopic(kInternalTopic);
    db.AddItem(kInternalTopic, kLastBackupItem, folder);
  }
  db.Flush();
  return folder;
}

bool CBackup::Stop() {
  if (progress_ != nullptr && progress_->Cancelled()) cancelled_ = true;
  return cancelled_;
}

bool CBackup::BackupFlavours(const std::string& selector, const std::string& destination) {
  cancelled_ = false;
  if (destination.empty()) {
    ui::ShowMessage("Destination folder is not specified", frame::kApplicationName);
    return false;
  }
  if (std::string problem = BackupProblem(flavours_); !problem.empty()) {
    throw CRvcException(msg::kCreateFailed, destination + " (" + problem + ")");
  }
  BackupIndexWriter index(destination);
  store::CRvcUtils utils;
  // The copies are flushed together, before the index: a backup folder without its index
  // is refused by the restore, so a power loss before the flush leaves no backup that
  // could be used with lost files in it.
  std::optional<platform::SyncBatch> batch(std::in_place);
  if (platform::EqualsNoCase(selector, "All")) {
    int total = 0;
    for (const auto& flavour : flavours_) total += flavour->DispatcherList->GetCount() + 1;
    const std::unique_ptr<ui::IProgress> progress = ui::Current().BeginCancellableProgress(kProgressTitle, total);
    progress_ = progress.get();
    for (const auto& flavour : flavours_) {
      const int count = flavour->DispatcherList->GetCount();
      if (count > 0) utils.CreateFolderTree(Join(destination, flavour->DisplayName));
      index.AddFlavour(flavour->DisplayName);
      for (int i = 0; i < count; ++i) {
        if (Stop()) break;
        progress_->SetText(StepText(*flavour, flavour->DispatcherList->GetAt(i).Record.Name));
        BackupDispatcher(*flavour, i, destination);
        const store::DispatcherRecord& record = flavour->DispatcherList->GetAt(i).Record;
        const std::string source = Join(flavour->DispatcherList->DataFolder() + record.Folder, "data");
        IndexEntry entry;
        entry.Flavour = flavour->DisplayName;
        entry.Version = flavour->Version;
        entry.Name = record.Name;
        entry.Original = i == 0;
        entry.Folder = record.Folder;
        entry.Type = record.Type;
        if (IsPpdBasedType(record.Type)) {
          std::string found = "*.ppd";
          if (utils.FindNewestFile(source, found, false)) {
            const std::string prefix = platform::ResolveNoCase(source) + platform::kSeparator;
            entry.PpdUsed = found.rfind(prefix, 0) == 0 ? found.substr(prefix.size()) : found;
          }
        }
        entry.Base = record.Base;
        entry.Port = utils.GetPavoNetCommandPort(flavour->DispatcherList->IniFileOf(record.Folder));
        index.AddDispatcher(entry);
        progress_->Step();
      }
      if (Stop()) break;
      progress_->SetText(StepText(*flavour, "configurator backup job"));
      RunConfiguratorJob(*flavour, destination);
      progress_->Step();
    }
    progress_ = nullptr;
    if (cancelled_) return false;
  }
  batch.reset();
  index.Write();
  return true;
}

void CBackup::BackupDispatcher(const frame::CFlavour& flavour, int index, const std::string& destination) {
  const store::DispatcherRecord& record = flavour.DispatcherList->GetAt(index).Record;
  const std::string dataFolder = flavour.DispatcherList->DataFolder();
  const std::string source = Join(dataFolder + record.Folder, "data");
  const std::string target = Join(Join(destination, flavour.DisplayName), record.Name);
  store::CopyOptions copy;
  copy.stopAtErrors = false;
  copy.showProgress = false;
  store::CRvcUtils().CopyTree(source, target, copy);

  const plugins::TypePlugin plugin =
      plugins::TypePlugin::Load(flavour.TemplateList->ProgramFolder(), record.Type, plugins::kBackupDll);
  plugin.Call<RvcBackupFn, RvcBackupTraceFn>("Backup", dataFolder.c_str(), target.c_str(),
                                              flavour.DisplayName.c_str(), record.Type.c_str(),
                                              flavour.TemplateList->ProgramFolder().c_str());
}

void CBackup::RunConfiguratorJob(const frame::CFlavour& flavour, const std::string& destination) {
  store::CRvcUtils utils;
  const std::string temp = utils.ExpandFolder("%TMP%");
  const std::string programFolder = platform::WithTrailingSeparator(flavour.TemplateList->ProgramFolder());
  const std::string dataFolder = platform::WithTrailingSeparator(flavour.DispatcherList->DataFolder());

  store::CopyOptions templates;
  templates.stopAtErrors = false;
  templates.showProgress = false;
  templates.skipNames = {"ppd"};
  utils.CopyTree(programFolder + "dat/templates", temp + flavour.Key + "prog", templates);

  const std::string configurator = configurator_.empty() ? FindConfigurator() : configurator_;
  if (configurator.empty()) {
    CRvcTrace(std::string()).Trace("Backup: no rvc_setup beside this program or on PATH; the backup job of " +
                                   flavour.DisplayName + " did not run");
  } else {
    // Each folder with one more separator, as the job's command line has always had them.
    RunAndWait({configurator, flavour.Key, programFolder + platform::kSeparator, dataFolder + platform::kSeparator,
                "-b", frame::CRvcApp::ProductVersion},
               {std::string(kDispatcherCopiesVariable) + "=" + Join(destination, flavour.DisplayName)});
  }

  // The job's output holds the whole flavour: it is moved in one rename where it can be
  // (the same file system, nothing of that name in the backup yet), else copied and removed.
  const std::string output = temp + flavour.Key;
  const std::string saved = Join(Join(destination, flavour.DisplayName), flavour.Key);
  struct stat info {};
  bool moved = false;
  if (::lstat(output.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::lstat(saved.c_str(), &info) != 0 &&
      errno == ENOENT) {
    utils.CreateFolderTree(Join(destination, flavour.DisplayName));
    moved = ::rename(output.c_str(), saved.c_str()) == 0;
    if (moved) {
      platform::SyncFolderOf(saved);
      platform::SyncFolderOf(output);
    }
  }
  if (!moved) {
    store::CopyOptions copy;
    copy.stopAtErrors = false;
    copy.showProgress = false;
    utils.CopyTree(output, saved, copy);
    utils.DeleteTree(output, true, false);
  }

  if (platform::EqualsNoCase(flavour.Key, "Proof")) {
    const std::string tool = programFolder + "bin_ix86/cfgbackuprestore_setup";
    if (::access(platform::ResolveNoCase(tool).c_str(), X_OK) == 0) {
      RunAndWait({platform::ResolveNoCase(tool), "backup", Join(destination, "Proof/ProofServer.BackUp"),
                  Join(destination, "Proof/") + platform::kSeparator});
    } else {
      CRvcTrace(std::string()).Trace("Backup: the proof server's tool " + tool + " is not installed");
    }
  }
}

}  // namespace rvc::backup
