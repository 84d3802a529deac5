// The checks of "ravlinctl doctor". They only read: nothing is created or repaired (loading
// the flavours traces what it rebuilds, as for any listing).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "apps/ravlinctl/console.h"
#include "apps/ravlinctl/doctor.h"
#include "core/rvc_exception.h"
#include "cups/device_uri.h"
#include "cups/hot_folder.h"
#include "cups/print_queues.h"
#include "frame/flavour_catalogue.h"
#include "frame/rvc_app.h"
#include "platform/atomic_file.h"
#include "platform/desktop_entry.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/resource_db.h"

namespace rvc::ctl {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRecover = "ravlinctl recover";

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A configured folder as the programs use it: references expanded, "\" turned into "/".
std::string ConfiguredFolder(const std::string& variable) {
  std::string value = platform::GetEnv(variable).value_or("");
  value = platform::ExpandEnvironmentReferences(value).value_or(value);
  return platform::NativePath(value);
}

class Doctor {
 public:
  explicit Doctor(std::optional<std::string> version) : version_(std::move(version)) {}

  std::vector<Finding> Run() {
    CheckEnvironment();
    CheckProgramFolder();
    if (CheckCatalogue()) {
      for (const std::string& key : FlavourKeys()) CheckFlavour(key);
      CheckCommandPorts();
    }
    CheckLaunchers();
    CheckDebris();
    // Last: reading the hot folders sets the dispatchers' own environment variables.
    CheckQueues();
    return std::move(findings_);
  }

 private:
  void Add(const char* check, std::string file, std::string problem, std::string fix) {
    findings_.push_back({check, std::move(file), std::move(problem), std::move(fix)});
  }

  void CheckEnvironment() {
    envFile_ = platform::EnvironmentFilePath();
    if (!IsFile(envFile_)) {
      Add("environment", envFile_, "the installation's environment file is missing",
          platform::GetEnv("RAVLIN_ENVIRONMENT_FILE")
              ? "correct RAVLIN_ENVIRONMENT_FILE, or create the file (see rvc_setup(1))"
              : "reinstall the package (apt-get install --reinstall ravlin-configurator) or point "
                "RAVLIN_ENVIRONMENT_FILE at the installation's environment file");
    } else if (::access(envFile_.c_str(), R_OK) != 0) {
      Add("environment", envFile_, "the environment file cannot be read", "chmod a+r " + envFile_);
    }
    dataFolder_ = ConfiguredFolder("KW_DATA_RAVLINCONFIG");
    if (dataFolder_.empty()) {
      Add("environment", envFile_, "KW_DATA_RAVLINCONFIG is not set",
          "set KW_DATA_RAVLINCONFIG=<the configurator's data folder> in " + envFile_);
    } else if (!IsFolder(dataFolder_)) {
      Add("environment", dataFolder_, "the folder of KW_DATA_RAVLINCONFIG does not exist",
          "correct KW_DATA_RAVLINCONFIG in " + envFile_ + ", or create the folder: mkdir -p " + dataFolder_);
    }
  }

  void CheckProgramFolder() {
    const std::string folder = ConfiguredFolder("KW_PROG_RAVLINCONFIG");
    for (const char* name : {"dat/templates/PpdInfo.dat", "dat/templates/ravlininf.dat"}) {
      const std::string path = platform::ResolveNoCase(platform::JoinPath(folder, name));
      if (folder.empty() || !IsFile(path)) {
        Add("environment", folder.empty() ? std::string(name) : path,
            "PPD generation needs " + std::string(name) + " of the configurator's program folder",
            "set KW_PROG_RAVLINCONFIG in " + envFile_ +
                " to the folder that holds dat/templates, or unset it to use the installed one");
      }
    }
  }

  bool CheckCatalogue() {
    if (dataFolder_.empty() || !IsFolder(dataFolder_)) return false;
    catalogue_ = frame::CataloguePath(version_ ? "rvc_" + *version_ + ".dat" : "rvc.dat");
    db_ = store::ResourceDb::Open(catalogue_);
    if (!db_) {
      Add("catalogue", catalogue_, "the flavour catalogue is missing or cannot be read",
          "restore it from a backup, or reinstall the RIP's flavours (rvc_setup FLAVOUR -i)");
      return false;
    }
    return true;
  }

  std::vector<std::string> FlavourKeys() {
    std::vector<std::string> keys;
    for (int i = 0; i < db_->TopicCount(); ++i) {
      std::optional<std::string> topic = db_->TopicAt(i);
      if (topic && !platform::EqualsNoCase(*topic, "_internal_")) keys.push_back(*topic);
    }
    if (keys.empty()) {
      Add("catalogue", catalogue_, "the catalogue lists no flavour",
          "install a flavour of the RIP (rvc_setup FLAVOUR -i)");
    }
    return keys;
  }

  // Loads one flavour as rvc_setup does, with every message caught rather than shown.
  void CheckFlavour(const std::string& key) {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    CtlConsole console(CtlConsole::Questions::Refuse, quiet != nullptr ? quiet : stderr);
    frame::FlavourList loaded;
    std::vector<frame::BrokenFlavour> broken;
    std::string failure;
    {
      ui::ScopedUserInterface ui(console);
      frame::CatalogueOptions options;
      options.interactive = false;
      options.brokenFlavours = &broken;
      try {
        frame::LoadFlavourCatalogue(catalogue_, key, options, loaded);
      } catch (const CRvcException& error) {
        failure = error.Message();
      } catch (const std::exception& error) {
        failure = error.what();
      }
    }
    if (quiet != nullptr) std::fclose(quiet);
    for (const frame::BrokenFlavour& flavour : broken) failure += (failure.empty() ? "" : "; ") + flavour.Reason;
    if (failure.empty() && loaded.empty() && !console.Shown().empty()) failure = console.Shown().back();
    if (!failure.empty() || loaded.empty()) {
      Add("flavour", catalogue_,
          "flavour " + key + " cannot be loaded: " + store::Printable(failure.empty() ? "?" : failure),
          "check the progdir and datadir items of [" + key + "] in " + catalogue_ +
              " and the list files they lead to; restore the flavour's folders from a backup");
      return;
    }
    CheckTypes(*loaded.front());
    CheckDispatchers(*loaded.front());
    flavours_.push_back(std::move(loaded.front()));
  }

  void CheckTypes(const frame::CFlavour& flavour) {
    const store::CTemplateList& types = *flavour.TemplateList;
    for (int i = 0; i < types.GetCount(); ++i) {
      const store::CTemplate& type = *types.GetAt(i);
      // The ini template is searched for below the templates, not read from one place.
      for (const std::string_view file : {type.FID, type.Config, type.Recorder, type.PlateOrFilmFile}) {
        if (file.empty()) continue;
        const std::string path = platform::ResolveNoCase(types.TemplatePath(file));
        if (!IsFile(path)) {
          Add("flavour", path,
              "device type " + std::string(type.Name) + " of flavour " + flavour.Key + " lists a template that is not on disk",
              "restore the template from the RIP's installation media, or correct " + types.ListFile());
        }
      }
    }
  }

  void CheckDispatchers(const frame::CFlavour& flavour) {
    const store::CDispatcherList& list = *flavour.DispatcherList;
    std::map<int, std::string> separators;
    std::vector<std::string> listedInis;
    for (int row = 0; row < list.GetCount(); ++row) {
      const store::DispatcherRecord& record = list.GetAt(row).Record;
      const std::string reference = flavour.Key + "/" + record.Name;
      const std::string folder = platform::ResolveNoCase(list.DataFolder() + record.Folder);
      const std::string ini = platform::ResolveNoCase(list.IniFileOf(record.Folder));
      listedInis.push_back(ini);
      if (!IsFolder(folder)) {
        Add("dispatcher", folder, "dispatcher " + reference + " is listed but its folder is missing",
            "restore the folder from a backup, or remove the dispatcher: ravlinctl delete " + reference);
      }
      if (!IsFile(ini)) {
        Add("dispatcher", ini, "dispatcher " + reference + " is listed but its ini file is missing",
            "restore the ini file from a backup, or remove the dispatcher: ravlinctl delete " + reference);
      } else if (!store::ResourceDb::Open(ini)) {
        Add("dispatcher", ini, "the ini file of dispatcher " + reference + " cannot be read",
            "check its permissions (chmod a+r " + ini + ") or restore it from a backup");
      }
      if (flavour.TemplateList->GetCount() > 0 && !HasType(*flavour.TemplateList, record.Type)) {
        Add("dispatcher", list.ListFile(), "dispatcher " + reference + " has the unknown device type " + record.Type,
            "give it a type of the flavour: ravlinctl change-type " + reference + " --type TYPE");
      }
      auto [other, fresh] = separators.emplace(record.Base, record.Name);
      if (!fresh) {
        Add("ports", list.ListFile(),
            "dispatchers " + flavour.Key + "/" + other->second + " and " + reference + " share port separator " +
                std::to_string(record.Base),
            "give " + reference +
                " a free port separator in its properties (rvc_setup), or recreate it with "
                "ravlinctl create");
      }
      if (record.CommandPort >= 0) ports_.push_back({record.CommandPort, reference, list.ListFile()});
    }
    for (const store::BrokenDispatcher& broken : list.Broken()) {
      listedInis.push_back(platform::ResolveNoCase(list.IniFileOf(broken.Folder)));
      Add("dispatcher", list.ListFile(),
          "dispatcher " + flavour.Key + "/" + store::Printable(broken.Name) +
              " cannot be loaded: " + store::Printable(broken.Reason),
          "restore the file the reason names from a backup; " + std::string(kRecover) +
              " when an operation was interrupted");
    }
    // Dispatcher ini files on disk that the list does not hold: left by an interrupted
    // create or delete.
    const std::string iniFolder = platform::ResolveNoCase(list.DataFolder() + "data");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(iniFolder, error)) {
      const std::string name = entry.path().filename().string();
      if (!platform::MatchesPatternNoCase(name, "zv*_dispatcher.ini")) continue;
      bool listed = false;
      for (const std::string& ini : listedInis) listed = listed || fs::equivalent(ini, entry.path(), error);
      if (!listed) {
        Add("dispatcher", entry.path().string(), "a dispatcher ini file of flavour " + flavour.Key + " is not listed",
            std::string(kRecover) + " (finishes or undoes the interrupted operation)");
      }
    }
  }

  static bool HasType(const store::CTemplateList& types, const std::string& name) {
    for (int i = 0; i < types.GetCount(); ++i) {
      if (platform::EqualsNoCase(types.GetAt(i)->Name, name)) return true;
    }
    return false;
  }

  // Command ports are the RIP's listening ports: two dispatchers on one port cannot both run.
  void CheckCommandPorts() {
    std::map<int, const PortUse*> seen;
    for (const PortUse& use : ports_) {
      auto [other, fresh] = seen.emplace(use.port, &use);
      if (!fresh) {
        Add("ports", use.listFile,
            "dispatchers " + other->second->reference + " and " + use.reference + " use command port " +
                std::to_string(use.port),
            "give " + use.reference + " another port separator in its properties (rvc_setup)");
      }
    }
  }

  // The dispatchers' launchers: their program and working folder must exist.
  void CheckLaunchers() {
    for (const std::string& folder : LauncherFolders()) {
      std::error_code error;
      for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string path = entry.path().string();
        if (!entry.is_regular_file(error) ||
            !platform::MatchesPatternNoCase(entry.path().filename().string(), "*patcher.desktop"))
          continue;
        platform::DesktopEntry launcher;
        std::string program, arguments, reason;
        if (!platform::LoadDesktopEntry(path, launcher, &reason) || !launcher.GetCommand(program, arguments, &reason)) {
          Add("launcher", path, "the launcher cannot be read: " + reason,
              "rvc_setup FLAVOUR -v (rewrites the launchers)");
          continue;
        }
        if (!program.empty() && program.find('/') != std::string::npos && !IsFile(program)) {
          Add("launcher", path, "the launcher starts " + program + ", which does not exist",
              "reinstall the RIP, or delete the launcher when its dispatcher is gone: rm '" + path + "'");
        }
        const std::string working = launcher.WorkingFolder();
        if (!working.empty() && !IsFolder(platform::NativePath(working))) {
          Add("launcher", path, "the launcher's working folder " + working + " does not exist",
              "rvc_setup FLAVOUR -v (rewrites the launchers), or delete it: rm '" + path + "'");
        }
      }
    }
  }

  static std::vector<std::string> LauncherFolders() {
    auto folder = [](const char* variable, const char* fallback) {
      std::string value = platform::GetEnv(variable).value_or("");
      return platform::NativePath(value.empty() ? fallback : value);
    };
    const std::string desktop = folder("RAVLIN_DESKTOP_DIR", "/etc/skel/Desktop");
    const std::string programs = folder("RAVLIN_PROGRAMS_DIR", "/usr/local/share/applications");
    return {desktop, platform::JoinPath(programs, "Orva"), platform::JoinPath(programs, "Orva-Graphics")};
  }

  // Files an interrupted write or operation leaves behind: temporaries of the atomic file
  // replacement (platform::IsAtomicFileTemporary), and those of launchers ("NAME.desktop." +
  // 6) and the swap-file rewrite that earlier versions left.
  static bool IsDebris(const std::string& name) {
    if (platform::IsAtomicFileTemporary(name)) return true;
    const size_t desktop = name.rfind(".desktop.");
    if (desktop != std::string::npos && name.size() == desktop + 9 + 6) return true;
    return name == "swap_0.tmp";
  }

  void CheckDebris() {
    std::vector<std::string> roots;
    if (!dataFolder_.empty()) roots.push_back(dataFolder_);
    for (const auto& flavour : flavours_) {
      roots.push_back(flavour->DispatcherList->DataFolder());
      roots.push_back(flavour->TemplateList->ProgramFolder());
    }
    for (const std::string& folder : LauncherFolders()) roots.push_back(folder);
    std::vector<fs::path> seen;
    for (const std::string& root : roots) {
      std::error_code error;
      const fs::path canonical = fs::weakly_canonical(root, error);
      bool inside = false;
      for (const fs::path& done : seen) {
        const auto rest = canonical.lexically_relative(done);
        inside = inside || (!rest.empty() && *rest.begin() != "..");
      }
      if (inside || error) continue;
      seen.push_back(canonical);
      for (auto it = fs::recursive_directory_iterator(canonical, fs::directory_options::skip_permission_denied, error);
           it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) break;
        if (IsDebris(it->path().filename().string())) {
          Add("debris", it->path().string(), "left behind by an interrupted operation",
              std::string(kRecover) + " (finishes or undoes what was interrupted)");
        }
      }
    }
  }

  // Print queues of CUPS that feed dispatchers (docs/cups.md): the dispatcher and its hot
  // folder must exist, or the queue stops at its next job. Without a scheduler there are none.
  void CheckQueues() {
    const auto queues = cups::ListPrintQueues();
    if (!queues) return;
    for (const cups::PrintQueue& queue : *queues) {
      const auto address = cups::ParseDeviceUri(queue.deviceUri);
      if (!address || address->version != version_.value_or("")) continue;
      const std::string reference = address->flavour + "/" + address->name;
      const store::CDispatcherList* list = nullptr;
      for (const auto& flavour : flavours_) {
        if (platform::EqualsNoCase(flavour->Key, address->flavour)) list = flavour->DispatcherList.get();
      }
      const store::CDispatcher* dispatcher = nullptr;
      for (int row = 0; list != nullptr && row < list->GetCount(); ++row) {
        if (platform::EqualsNoCase(list->GetAt(row).Record.Name, address->name)) dispatcher = &list->GetAt(row);
      }
      if (dispatcher == nullptr) {
        Add("queues", queue.name, "print queue " + queue.name + " prints to dispatcher " + reference + ", which does not exist",
            "ravlinctl unpublish " + reference + " (after a rename: ravlinctl publish FLAVOUR/NEWNAME)");
        continue;
      }
      const std::string ini = list->IniFileOf(dispatcher->Record.Folder);
      std::string problem;
      std::string folder;
      try {
        folder = cups::HotFolderOf(ini, problem);
      } catch (const CRvcException& error) {
        problem = error.Message();
      }
      if (!problem.empty()) {
        Add("queues", ini, "print queue " + queue.name + " has no hot folder to write to: " + problem,
            "set [folder] hotfolder in " + ini);
      } else if (!IsFolder(folder)) {
        Add("queues", folder,
            "the hot folder of " + reference + " does not exist: print queue " + queue.name +
                " stops at its next job",
            "start the dispatcher once, or mkdir -p '" + folder + "'");
      }
    }
  }

  struct PortUse {
    int port;
    std::string reference;
    std::string listFile;
  };

  std::optional<std::string> version_;
  std::vector<Finding> findings_;
  std::string envFile_;
  std::string dataFolder_;
  std::string catalogue_;
  std::optional<store::ResourceDb> db_;
  frame::FlavourList flavours_;
  std::vector<PortUse> ports_;
};

}  // namespace

std::vector<Finding> CheckInstallation(const std::optional<std::string>& version) { return Doctor(version).Run(); }

}  // namespace rvc::ctl
