// rvc_setup: the configurator of a Ravlin installation.
//
// With a job switch it runs one unattended job for an installer and needs no display:
// messages go to standard error and to the job's trace file. The install job then hands
// over to the main window when a display answers (without one it says what it would open). Without one it starts
// interactively: on a display (and in a build with Qt) with its windows, the splash, the
// login and version dialogs and the main window; without a display it says so, asks the
// login and the version choice on the terminal and prints a summary of the flavours and
// their dispatchers on standard output instead of the main window.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "apps/common/installation_layout.h"
#include "apps/rvc_setup/display_probe.h"
#include "apps/rvc_setup/installer_jobs.h"
#include "frame/command_line.h"
#include "frame/login.h"
#include "frame/rvc_app.h"
#include "core/rvc_trace.h"
#include "frame/version_selection.h"
#include "window/main_window.h"
#include "apps/rvc_setup/composition.h"
#include "lifecycle/recovery.h"
#include "platform/environment.h"
#include "ui/console/console_ui.h"

#ifdef RVC_WITH_QT
#include <QAccessible>
#include <QApplication>

#include "gui/application_style.h"
#include "gui/code_prefetch.h"
#include "gui/diagnostics.h"
#include "gui/font_preload.h"
#include "gui/fresh_memory.h"
#include "gui/instance_watch.h"
#include "gui/main_window_view.h"
#include "gui/qt_user_interface.h"
#endif

namespace {

using rvc::frame::CFlavour;
using rvc::frame::FlavourList;
using rvc::frame::MainWindowSettings;

bool IsSet(const char* name) { return !rvc::platform::GetEnv(name).value_or("").empty(); }

bool HasDisplay() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"); }

// A display that windows can be opened on: the X server of DISPLAY answers (the toolkit
// would abort without one), or a Wayland compositor is named.
bool DisplayReachable() { return (IsSet("DISPLAY") && XDisplayProbe().Answers()) || IsSet("WAYLAND_DISPLAY"); }

bool ReadLine(std::string& line, bool hidden = false) {
  termios saved{};
  const bool masked = hidden && ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (masked) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (masked) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
  }
  return read;
}

// The dialogs of the start-up, asked on the terminal. Without a terminal the version
// dialog keeps its first entry and the login dialog is cancelled.
class TerminalDialogs : public rvc::ui::ConsoleUserInterface {
 public:
  rvc::ui::DialogResult RunDialog(rvc::ui::IDialogModel& model) override {
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    // A refused answer (a login that fails) is asked again.
    return rvc::ui::RunUntilAccepted(model, [&model, terminal] {
      if (auto* versions = dynamic_cast<rvc::frame::CVersionSelection*>(&model))
        return ChooseVersion(*versions, terminal);
      if (auto* login = dynamic_cast<rvc::frame::CLoginDialog*>(&model)) return LogIn(*login, terminal);
      return rvc::ui::DialogResult::Cancel;
    });
  }

 private:
  static rvc::ui::DialogResult ChooseVersion(rvc::frame::CVersionSelection& model, bool terminal) {
    std::fprintf(stderr, "%s\n", rvc::frame::CVersionSelection::kTitle);
    for (size_t i = 0; i < model.Entries.size(); ++i)
      std::fprintf(stderr, "  %zu  %s\n", i + 1, model.Entries[i].c_str());
    if (!terminal) return rvc::ui::DialogResult::Ok;
    for (;;) {
      std::fprintf(stderr, "Version to use (1-%zu, empty for 1, q to quit): ", model.Entries.size());
      std::string answer;
      if (!ReadLine(answer) || answer == "q") return rvc::ui::DialogResult::Cancel;
      if (answer.empty()) return rvc::ui::DialogResult::Ok;
      try {
        size_t choice = std::stoul(answer);
        if (choice >= 1 && choice <= model.Entries.size()) {
          model.Selection = static_cast<int>(choice - 1);
          return rvc::ui::DialogResult::Ok;
        }
      } catch (const std::exception&) {
      }
    }
  }

  static rvc::ui::DialogResult LogIn(rvc::frame::CLoginDialog& model, bool terminal) {
    std::fprintf(stderr, "%s\n", rvc::frame::CLoginDialog::kPrompt);
    if (!terminal) {
      std::fprintf(stderr, "No terminal to log in from: run rvc_setup as an administrator.\n");
      return rvc::ui::DialogResult::Cancel;
    }
    std::fprintf(stderr, "[l]og in, [v]iew mode or [c]ancel? ");
    std::string answer;
    if (!ReadLine(answer) || answer.empty() || answer[0] == 'c') return rvc::ui::DialogResult::Cancel;
    if (answer[0] == 'v') {
      model.ChooseViewMode();
      return rvc::ui::DialogResult::Cancel;
    }
    std::fprintf(stderr, "Username: ");
    if (!ReadLine(model.UserName)) return rvc::ui::DialogResult::Cancel;
    std::fprintf(stderr, "Password: ");
    if (!ReadLine(model.Password, true)) return rvc::ui::DialogResult::Cancel;
    return rvc::ui::DialogResult::Ok;
  }
};

// The user interface of the jobs: messages go to standard error and to the job's trace.
// Reported errors (titled "Error") are in the trace already.
class JobConsole : public rvc::ui::ConsoleUserInterface {
 public:
  rvc::ui::Answer ShowMessage(const rvc::ui::Message& message) override {
    if (message.title != "Error") {
      rvc::CRvcTrace trace("");
      trace.Trace(message.text);
    }
    return ConsoleUserInterface::ShowMessage(message);
  }
};

// Stands in for the main window: prints what it would show.
class SummaryWindow : public rvc::frame::IMainWindow {
 public:
  SummaryWindow(FlavourList& flavours, MainWindowSettings settings)
      : flavours_(flavours), settings_(std::move(settings)), model_(flavours, settings_.FlavourIndex, TheCommands()) {}

  void RunModal() override {
    if (settings_.OpenModifyAtStart) {
      // The install job hands over to the main window with the modify dialog of the first
      // dispatcher; without a display that is only told.
      const CFlavour& flavour = *flavours_[settings_.FlavourIndex];
      const auto& list = *flavour.DispatcherList;
      std::fprintf(stderr,
                   "No display: with one, the main window would open on flavour %s with the modify dialog of its "
                   "first dispatcher%s%s.\n",
                   flavour.DisplayName.c_str(), list.GetCount() > 0 ? ", " : "",
                   list.GetCount() > 0 ? list.GetAt(0).Record.Name.c_str() : "");
      return;
    }
    std::printf("%s\n%s%s\n", rvc::frame::CRvcApp::WindowTitle().c_str(), settings_.FlavourLabel.c_str(),
                settings_.ViewOnly ? " (view mode)" : "");
    for (size_t i = 0; i < flavours_.size(); ++i) {
      const CFlavour& flavour = *flavours_[i];
      std::printf("%c %s [%s] %s\n", static_cast<int>(i) == settings_.FlavourIndex ? '*' : ' ',
                  flavour.DisplayName.c_str(), flavour.Key.c_str(), flavour.Version.c_str());
      std::printf("    program folder: %s (%d device types)\n", flavour.TemplateList->ProgramFolder().c_str(),
                  flavour.TemplateList->GetCount());
      std::printf("    data folder:    %s\n", flavour.DispatcherList->DataFolder().c_str());
      for (int d = 0; d < flavour.DispatcherList->GetCount(); ++d) {
        const auto& record = flavour.DispatcherList->GetAt(d).Record;
        std::printf("      %-20s type %-20s folder %-12s port separator %d  command port %d\n", record.Name.c_str(),
                    record.Type.c_str(), record.Folder.c_str(), record.Base, record.CommandPort);
      }
    }
    std::fflush(stdout);
  }

  // The update job's PPDs are made through the main window's model, without a window;
  // each is a step of the job, traced and shown like the installer's.
  void RegeneratePpd(int dispatcherIndex) override {
    const auto& list = *flavours_[settings_.FlavourIndex]->DispatcherList;
    if (dispatcherIndex < 0 || dispatcherIndex >= list.GetCount()) return;
    const rvc::install::JobStep step{list.GetAt(dispatcherIndex).Record.Name, dispatcherIndex + 1, list.GetCount(),
                                     "Making the PPD"};
    rvc::CRvcTrace("").Trace(step.dispatcher + ": " + step.text);
    ShowJobStep(step);
    model_.RegeneratePpd(dispatcherIndex);
  }

 private:
  FlavourList& flavours_;
  MainWindowSettings settings_;
  rvc::window::CRvcDlg model_;
};

class SummaryWindows : public rvc::frame::IMainWindowFactory {
 public:
  std::unique_ptr<rvc::frame::IMainWindow> Create(FlavourList& flavours, const MainWindowSettings& settings) override {
    if (settings.Mode == rvc::frame::kModeInteractive) {
      if (!HasDisplay()) {
        std::fprintf(stderr,
                     "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so no main window; here is a summary "
                     "instead.\n");
      } else if (!DisplayReachable()) {
        std::fprintf(stderr, "No display: %s cannot be opened, so no main window; here is a summary instead.\n",
                     rvc::platform::GetEnv("DISPLAY").value_or("").c_str());
      } else {
        std::fprintf(stderr, "The main window is not part of this build; here is a summary instead.\n");
      }
    }
    return std::make_unique<SummaryWindow>(flavours, settings);
  }
};

// What a killed run left unfinished is completed or rolled back before the catalogue is
// loaded; a recovery that fails is told, and the start goes on.
class StartRecovery : public rvc::frame::IRecovery {
 public:
  void BeforeLoad() override { outcome_ = rvc::lifecycle::RecoverInterruptedOperation(); }
  void AfterLoad(FlavourList& flavours) override {
    rvc::lifecycle::FinishRecovery(flavours, outcome_);
    if (!outcome_.problem.empty()) {
      rvc::ui::ShowMessage("Recovery of an interrupted change failed: " + outcome_.problem,
                           rvc::frame::kApplicationName, rvc::ui::Buttons::Ok, rvc::ui::Icon::Exclamation);
    }
  }

 private:
  rvc::lifecycle::RecoveryOutcome outcome_;
};

#ifdef RVC_WITH_QT
// About what the main thread's heap grows by from QApplication's start to the main
// window's first paint (900 KB on the sample installation).
constexpr std::size_t kHeapOfTheStart = std::size_t{1} << 20;

// The interactive program with its windows. `probe` holds the display until the
// toolkit's own connection is made; `fonts` reads the font configuration meanwhile.
int RunWindows(int argc, char** argv, const std::vector<std::string>& arguments, std::optional<XDisplayProbe>& probe,
               rvc::ui::CFontConfigurationPreload& fonts) {
  // The heap is made present for QApplication's start, and again once the accessibility
  // bridge stands: made when first asked for, it connects to the session bus, and where
  // there is none, the bus library forks a child to launch one, after which each page
  // the program writes first faults to be copied. Asked for here rather than by the
  // splash's show, the fork comes before the heap is made present for the rest of the start.
  rvc::ui::MakeHeapPresent(kHeapOfTheStart);
  QApplication application(argc, argv);
  probe.reset();
  QAccessible::isActive();
  rvc::ui::MakeHeapPresent(kHeapOfTheStart);
  fonts.Wait();
  // Of the code the windows run, what the start has not run yet is read in on an idle core.
  const rvc::ui::CCodePrefetch prefetch;
  QApplication::setApplicationName(QString::fromUtf8(rvc::frame::kApplicationName));
  rvc::ui::InstallApplicationStyle();
  rvc::ui::InstallDiagnostics();
  RegisterTheViews();

  rvc::frame::CRvcApp* running = nullptr;
  // A later start asks this one to come to the front through the single-instance socket,
  // which exists once the start-up has taken the instance.
  rvc::ui::CInstanceWatch watch([&running] { return running != nullptr ? running->Instance() : nullptr; });
  auto beforeShow = [&watch] {
    rvc::ui::CloseSplash();
    watch.Ensure();
  };
  rvc::ui::CQtUserInterface windows;
  windows.SetBeforeShow(beforeShow);
  rvc::ui::ScopedUserInterface ui(windows);

  rvc::ui::CQtMainWindowFactory factory(TheCommands(), beforeShow);
  rvc::frame::StartupServices services;
  services.mainWindows = &factory;
  InstallerJobs installer;
  services.installer = &installer;
  services.activate = &rvc::ui::CInstanceWatch::BringToFront;
  StartRecovery recovery;
  services.recovery = &recovery;
  rvc::frame::CRvcApp app(services);
  running = &app;
  const int code = app.Run(arguments);
  rvc::ui::CloseSplash();
  return code;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // Alone on the command line these two are no job switches ("--version" holds an "i").
  if (arguments.size() == 1 && (arguments[0] == "--version" || arguments[0] == "--help")) {
    if (arguments[0] == "--version") {
      std::printf("rvc_setup (%s) %s\n", rvc::frame::kApplicationName, rvc::app::BuildVersion());
    } else {
      std::printf("usage: rvc_setup [flavour] [-i|-u|-b|-d|-v] [-f] [version]\n"
                  "       rvc_setup flavour progdir datadir -i|-u|-b|-d|-v [version]\n"
                  "Without a job switch the configurator starts interactively. See rvc_setup(1).\n");
    }
    return 0;
  }
  rvc::app::UseOwnFolders();
  const int mode = rvc::frame::ParseCommandLine(arguments).Mode;
  const bool job = mode != rvc::frame::kModeInteractive;

#ifdef RVC_WITH_QT
  // The install job ends in the main window, with the modify dialog of the first dispatcher.
  if (!job || mode == rvc::frame::kModeInstall) {
    std::optional<XDisplayProbe> probe;
    if (IsSet("DISPLAY")) probe.emplace();
    if ((probe && probe->Answers()) || IsSet("WAYLAND_DISPLAY")) {
      rvc::ui::CFontConfigurationPreload fonts;
      return RunWindows(argc, argv, arguments, probe, fonts);
    }
  }
#endif

  JobConsole console;
  TerminalDialogs terminal;
  rvc::ui::ScopedUserInterface ui(job ? static_cast<rvc::ui::IUserInterface&>(console) : terminal);

  SummaryWindows windows;
  StartRecovery recovery;
  InstallerJobs installer;
  rvc::frame::StartupServices services;
  services.mainWindows = &windows;
  services.installer = &installer;
  services.recovery = &recovery;
  rvc::frame::CRvcApp app(services);
  return app.Run(arguments);
}
