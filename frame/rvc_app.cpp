#include "frame/rvc_app.h"

#include <clocale>
#include <exception>
#include <stdexcept>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "frame/flavour_catalogue.h"
#include "frame/version_selection.h"
#include "platform/environment.h"
#include "platform/oem.h"
#include "platform/path.h"
#include "store/installation_lock.h"
#include "store/shortcuts.h"

namespace rvc::frame {
namespace {

void Trace(const std::string& text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

}  // namespace

CRvcApp::CRvcApp(StartupServices services) : services_(std::move(services)) {
  ProductVersion = "10.1";
  CatalogueFileName = "rvc.dat";
  LogonToken.reset();
  if (services_.accounts == nullptr) {
    systemAccounts_ = std::make_unique<CSystemAccounts>();
    services_.accounts = systemAccounts_.get();
  }
  if (!services_.oemParty) services_.oemParty = platform::GetOemParty;
}

CRvcApp::~CRvcApp() = default;

std::string CRvcApp::InstanceName() {
  std::string name = "RVC";
  for (char c : VersionText) {
    if (c != '.') name += c;
  }
  return name;
}

// Both name the version whose flavours are shown: the one chosen at start-up (or given to
// a job), not the version this program was built as.
std::string CRvcApp::WindowTitle() { return std::string(kApplicationName) + " " + ProductVersion; }

std::string CRvcApp::FlavourLabel() { return "Installed Flavours (Ravlin " + ProductVersion + "):"; }

int CRvcApp::Run(const std::vector<std::string>& arguments) {
  InitInstance(arguments);
  return ExitInstance();
}

bool CRvcApp::InitInstance(const std::vector<std::string>& arguments) {
  std::setlocale(LC_ALL, "");
  // Numbers in the installation's files are written and read in the C notation.
  std::setlocale(LC_NUMERIC, "C");
  // Resources are built into the program: there is no resource library to load.

  // Set by an installer that wants the configurator left out; nothing may be touched.
  if (platform::GetEnv("kw_norvc")) return false;

  std::unique_ptr<CRvcTrace> modeTrace;
  try {
    Line = ParseCommandLine(arguments);
    Mode = Line.Mode;
    PreferredFlavourGiven = Line.PreferredFlavourGiven;
    PreferredFlavour = Line.PreferredFlavour;
    if (Line.Version) {
      ProductVersion = *Line.Version;
      CatalogueFileName = "rvc_" + *Line.Version + ".dat";
    }

    if (services_.oemParty() == 1) {
      PreferredFlavour = "Dedezi";
      PreferredFlavourGiven = true;
    }

    if ((arguments.empty() || Mode == kModeInteractive) && services_.mainWindows != nullptr) {
      services_.mainWindows->ShowSplash(PreferredFlavour);
    }

    platform::KW_EnvironmentSetupEx();
    if (const std::optional<std::string> problem = platform::EnvironmentFileProblem()) {
      ui::ShowMessage(*problem, kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
      return false;
    }

    if (Mode != kModeInteractive) {
      // Created before anything else traces, so that every line of the job lands here.
      modeTrace = std::make_unique<CRvcTrace>(CRvcTrace::DefaultTraceFolder() + TraceFileName(Mode));
      modeTrace->Trace("Start");
    }

    if (Mode == kModeInteractive) {
      RunInteractive();
    } else {
      RunJob();
    }
  } catch (const CRvcException& error) {
    error.Report();
  } catch (const store::CInstallationBusy& busy) {
    Trace(busy.what());
    ui::ShowMessage(std::string(busy.what()), kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
  } catch (const std::exception& error) {
    CRvcException(msg::kInternalError, error.what()).Report();
  }

  if (modeTrace) {
    modeTrace->Trace("Stop");
    modeTrace.reset();
  }
  return false;
}

int CRvcApp::ExitInstance() {
  Flavours.clear();
  instance_.reset();
  return UpdateFailed ? 1 : 0;
}

bool CRvcApp::LoadFlavourCatalogue(const std::string& filter) {
  CatalogueOptions options;
  options.interactive = Mode == kModeInteractive;
  options.programFolder = Line.ProgramFolder();
  options.dataFolder = Line.DataFolder();
  BrokenFlavours.clear();
  if (filter.empty()) options.brokenFlavours = &BrokenFlavours;
  try {
    return frame::LoadFlavourCatalogue(CataloguePath(CatalogueFileName), filter, options, Flavours);
  } catch (const CRvcException&) {
    // Without its environment file the installation is not found; that is said first, in
    // plain words, before the error about the catalogue it leads to.
    if (const std::optional<std::string> missing = platform::MissingEnvironmentFile()) {
      ui::ShowMessage(*missing, kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
    }
    throw;
  }
}

bool CRvcApp::RecoverAndLoad(const std::string& filter) {
  store::CInstallationLock lock(std::string("rvc_setup ") + (Mode == kModeInteractive ? "start" : ModeName(Mode)));
  if (services_.recovery != nullptr) services_.recovery->BeforeLoad();
  if (!LoadFlavourCatalogue(filter)) return false;
  if (services_.recovery != nullptr) services_.recovery->AfterLoad(Flavours);
  return true;
}

int CRvcApp::PreferredFlavourIndex() {
  if (!PreferredFlavourGiven) return 0;
  for (size_t i = 0; i < Flavours.size(); ++i) {
    if (platform::EqualsNoCase(Flavours[i]->Key, PreferredFlavour)) return static_cast<int>(i);
  }
  ui::ShowMessage("Preferred flavour " + PreferredFlavour + " does not exist\nSwitching to first one found",
                  kApplicationName);
  return 0;
}

void CRvcApp::RunInteractive() {
  instance_ = std::make_unique<CSingleInstance>(InstanceName(), services_.activate, services_.instanceFolder);
  if (!instance_->IsFirst() && instance_->ActivateFirst()) return;

  IAccountServices& accounts = *services_.accounts;
  if (!accounts.IsAdministrator(nullptr)) {
    CLoginDialog login(accounts);
    switch (login.Run()) {
      case CLoginDialog::Result::Cancel:
        return;
      case CLoginDialog::Result::ViewMode:
        ViewOnly = true;
        break;
      case CLoginDialog::Result::Ok:
        break;
    }
  }
  // From here on folder dialogs run with the interactive user's own rights.
  CImpersonationAwareUserInterface folderGuard(ui::Current(), accounts);
  ui::ScopedUserInterface guarded(folderGuard);

  CVersionSelection selection;
  if (selection.Run() != ui::DialogResult::Ok) return;
  ProductVersion = selection.ChosenVersion;
  CatalogueFileName = selection.ChosenCatalogue;

  CRvcTrace trace("");
  trace.Trace("Start");

  // A view-only run changes nothing, recovery included; and one that finds another
  // program at work starts without recovering.
  bool loaded = false;
  bool recovered = false;
  if (!ViewOnly) {
    try {
      loaded = RecoverAndLoad({});
      recovered = true;
    } catch (const std::runtime_error& busy) {  // another program at work, or no lock to take
      Trace(busy.what());
    }
  }
  if (!recovered) loaded = LoadFlavourCatalogue({});
  // What cannot be loaded is left out of the window; the operator is told once.
  if (const std::string problems = LoadProblems(Flavours, BrokenFlavours); !problems.empty()) {
    ui::ShowMessage(problems + "See " + CRvcTrace::CurrentFile() + " for details.", kApplicationName, ui::Buttons::Ok,
                    ui::Icon::Exclamation);
  }
  if (!loaded) return;

  MainWindowSettings settings;
  settings.FlavourIndex = PreferredFlavourIndex();
  settings.ViewOnly = ViewOnly;
  if (PreferredFlavourGiven) settings.PreferredFlavour = PreferredFlavour;
  settings.FlavourLabel = FlavourLabel();
  settings.Mode = Mode;
  if (services_.mainWindows == nullptr) return;
  services_.mainWindows->Create(Flavours, settings)->RunModal();
}

void CRvcApp::RunJob() {
  // A job changes the installation from its first read to its last write.
  std::optional<store::CInstallationLock> lock(std::in_place, std::string("rvc_setup ") + ModeName(Mode));
  if (!RecoverAndLoad(PreferredFlavour)) return;
  if (Mode == kModeVersion) {
    RefreshShortcuts(*Flavours.front());
    return;
  }
  if (services_.installer == nullptr) {
    Trace(std::string(ModeName(Mode)) + " job is not available in this build");
    return;
  }

  const bool succeeded = services_.installer->Run(Mode, *Flavours.front());

  MainWindowSettings settings;
  settings.Mode = Mode;
  if (PreferredFlavourGiven) settings.PreferredFlavour = PreferredFlavour;
  settings.FlavourLabel = FlavourLabel();
  if (Mode == kModeInstall) {
    settings.OpenModifyAtStart = true;
    // The job is over: the window's commands take the lock for themselves, as in an
    // interactive run, and other programs are not refused while the operator works.
    lock.reset();
    if (services_.mainWindows != nullptr) services_.mainWindows->Create(Flavours, settings)->RunModal();
  } else if (Mode == kModeUpdate) {
    if (!succeeded) UpdateFailed = true;
    // The update changed the flavour's files: read them again before regenerating the PPDs.
    if (!LoadFlavourCatalogue(PreferredFlavour)) return;
    if (services_.mainWindows == nullptr) return;
    auto window = services_.mainWindows->Create(Flavours, settings);
    const int count = Flavours.front()->DispatcherList->GetCount();
    for (int i = 0; i < count; ++i) window->RegeneratePpd(i);
  }
}

void CRvcApp::RefreshShortcuts(CFlavour& flavour) {
  store::CShortcuts shortcuts;
  // False, or an error (traced), when the shortcut could not be rewritten.
  auto refresh = [&](const store::DispatcherRecord& record, const std::string& arguments, bool desktop) {
    try {
      return shortcuts.RefreshDispatcherShortcut(flavour.Version, record.Name, arguments, desktop);
    } catch (const CRvcException& error) {
      Trace(error.Message());
      return false;
    }
  };
  const store::CDispatcherList& list = *flavour.DispatcherList;
  for (int i = 0; i < list.GetCount(); ++i) {
    const store::DispatcherRecord& record = list.GetAt(i).Record;
    const std::string arguments = store::CShortcuts::DispatcherArguments(record.Folder, record.Name);
    if (!refresh(record, arguments, true)) {
      Trace("Cannot modify desktop short cut : " + flavour.DisplayName + " : " + record.Name + " !");
    }
    if (!refresh(record, arguments, false)) {
      Trace("Cannot modify program short cut for: " + flavour.DisplayName + " : " + record.Name + " !");
    }
  }
}

}  // namespace rvc::frame
