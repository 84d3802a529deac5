// The application object: the start-up of rvc_setup, interactive or as one unattended
// job for an installer (see frame/command_line.h), and the process-wide values.
//
// The platform's windows stay outside: the start-up hands over to a main window made by
// an IMainWindowFactory, and runs the installer's jobs through IInstallerJobs. Both are
// given by main(); without them the start-up still runs every step up to the hand-over.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/command_line.h"
#include "frame/flavour.h"
#include "frame/login.h"
#include "frame/single_instance.h"
#include "store/rvc_utils.h"

namespace rvc::frame {

inline constexpr const char* kApplicationName = "Ravlin Configurator";

// What the start-up tells the main window.
struct MainWindowSettings {
  int FlavourIndex = 0;  // the flavour shown first
  bool ViewOnly = false;
  std::optional<std::string> PreferredFlavour;  // set when a preferred flavour was given
  std::string FlavourLabel;                     // "Installed Flavours (Ravlin 10.1):"
  int Mode = kModeInteractive;
  bool OpenModifyAtStart = false;  // install job: modify the first dispatcher at once
};

class IMainWindow {
 public:
  virtual ~IMainWindow() = default;
  // Shows the window and returns when it closes.
  virtual void RunModal() = 0;
  // After the update job, without showing the window: opens the configuration file of
  // dispatcher `dispatcherIndex` of the shown flavour (its Folder + "\data\zv_config.res")
  // through the configuration library and, when it opens, generates the dispatcher's PPD
  // file and closes the configuration again.
  virtual void RegeneratePpd(int dispatcherIndex) = 0;
};

class IMainWindowFactory {
 public:
  virtual ~IMainWindowFactory() = default;
  // The splash of an interactive start, painted for the preferred flavour ("Dedezi"
  // has a picture of its own).
  virtual void ShowSplash(const std::string& preferredFlavour) { (void)preferredFlavour; }
  // The main window over `flavours`, which outlive it.
  virtual std::unique_ptr<IMainWindow> Create(FlavourList& flavours, const MainWindowSettings& settings) = 0;
};

// The flavour installation engine (CRvcInstaller) behind the job modes 1 to 4.
class IInstallerJobs {
 public:
  virtual ~IInstallerJobs() = default;
  // Runs the job of `mode` on `flavour`; false when the job failed.
  virtual bool Run(int mode, CFlavour& flavour) = 0;
};

// Crash recovery around the loading of the catalogue (lifecycle/recovery.h), run with the
// installation lock held.
class IRecovery {
 public:
  virtual ~IRecovery() = default;
  // Before the catalogue is loaded: completes or rolls back an interrupted operation.
  virtual void BeforeLoad() = 0;
  // After it was loaded: what needs the flavours (a pending PPD, the debris).
  virtual void AfterLoad(FlavourList& flavours) = 0;
};

struct StartupServices {
  IAccountServices* accounts = nullptr;       // nullptr: the system's (CSystemAccounts)
  IMainWindowFactory* mainWindows = nullptr;  // nullptr: no main window; runs end at the hand-over
  IInstallerJobs* installer = nullptr;        // nullptr: the jobs of modes 1 to 4 are not available
  IRecovery* recovery = nullptr;              // nullptr: no recovery at start
  std::function<int()> oemParty;              // empty: platform::GetOemParty
  std::string instanceFolder;                 // folder of the single-instance lock ("" default)
  // A later interactive start asks this instance to come to the front.
  std::function<void()> activate;
};

class CRvcApp {
 public:
  // Creating the application object starts the process-wide values afresh.
  explicit CRvcApp(StartupServices services = {});
  ~CRvcApp();
  CRvcApp(const CRvcApp&) = delete;
  CRvcApp& operator=(const CRvcApp&) = delete;

  // The whole program: the start routine, then ExitInstance. `arguments` leave out the
  // program path. Returns the process exit code.
  int Run(const std::vector<std::string>& arguments);

  // The start routine. Every step runs under one handler that reports a CRvcException;
  // the mode's trace then still gets its "Stop". Always false: the program ends after it.
  bool InitInstance(const std::vector<std::string>& arguments);
  // Destroys the flavours; 1 after a failed update, else 0.
  int ExitInstance();

  // Replaces Flavours with the catalogue's flavours whose key equals `filter` (all for an
  // empty filter); false when none was loaded. Loading them all, a flavour that cannot be
  // loaded goes to BrokenFlavours and the others load; one named by `filter` fails the
  // load as before.
  bool LoadFlavourCatalogue(const std::string& filter);
  // The same after the recovery of an interrupted operation, with the installation lock
  // held (raises store::CInstallationBusy when another program holds it).
  bool RecoverAndLoad(const std::string& filter);

  // The single-instance object of an interactive run (for the event loop to watch its
  // socket), or nullptr.
  CSingleInstance* Instance() const { return instance_.get(); }

  FlavourList Flavours;
  // The flavours that the last load of the whole catalogue left out (see CatalogueOptions).
  std::vector<BrokenFlavour> BrokenFlavours;
  bool UpdateFailed = false;
  bool ViewOnly = false;
  int Mode = kModeInteractive;
  bool PreferredFlavourGiven = false;
  std::string PreferredFlavour;
  CommandLine Line;
  store::CRvcUtils Utils;

  // Process-wide values.
  static inline std::string ProductVersion = "10.1";
  static inline std::string CatalogueFileName = "rvc.dat";
  static inline const std::string VersionText = "10.1";
  static inline std::optional<AccountToken> LogonToken;

  // "RVC101": the name of the single instance.
  static std::string InstanceName();
  // "Ravlin Configurator " + ProductVersion, e.g. "Ravlin Configurator 9.0".
  static std::string WindowTitle();
  // "Installed Flavours (Ravlin " + ProductVersion + "):".
  static std::string FlavourLabel();

 private:
  void RunInteractive();
  void RunJob();
  void RefreshShortcuts(CFlavour& flavour);
  int PreferredFlavourIndex();

  StartupServices services_;
  std::unique_ptr<IAccountServices> systemAccounts_;
  std::unique_ptr<CSingleInstance> instance_;
};

}  // namespace rvc::frame
