#include "cups/backend.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>

#include "core/rvc_exception.h"
#include "cups/device_uri.h"
#include "cups/hot_folder.h"
#include "frame/rvc_app.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/unique_fd.h"
#include "store/dispatcher_list.h"
#include "ui/console/console_ui.h"

namespace rvc::cups {
namespace {

volatile std::sig_atomic_t cancelled = 0;

void OnTerminate(int) { cancelled = 1; }

// One message to CUPS: every line with the prefix that gives it its level.
void Tell(std::string_view level, std::string_view text) {
  std::string out;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) out += std::string(level) + ": " + std::string(text.substr(at, end - at)) + "\n";
    at = end + 1;
  }
  std::fputs(out.c_str(), stderr);
  std::fflush(stderr);
}

// Messages of the installation's code (loading the catalogue) reach the job's log: errors
// as CUPS errors, the rest as information. Questions take their default answer.
class BackendMessages : public ui::ConsoleUserInterface {
 public:
  ui::Answer ShowMessage(const ui::Message& message) override {
    const bool error = message.icon == ui::Icon::Error || message.title == "Error";
    Tell(error ? "ERROR" : "INFO", message.text);
    return message.buttons == ui::Buttons::YesNo ? ui::Answer::Yes : ui::Answer::Ok;
  }
};

int Stop(const std::string& reason) {
  Tell("ERROR", reason);
  return kBackendStop;
}

int DeliverJobOf(const DispatcherAddress& address, const std::vector<std::string>& arguments) {
  frame::CRvcApp app;
  if (!address.version.empty()) {
    frame::CRvcApp::ProductVersion = address.version;
    frame::CRvcApp::CatalogueFileName = "rvc_" + address.version + ".dat";
  }
  if (!app.LoadFlavourCatalogue(address.flavour) || app.Flavours.empty()) {
    return Stop("The installation has no flavour " + address.flavour + " that can be loaded (catalogue " +
                frame::CRvcApp::CatalogueFileName + ")");
  }
  const store::CDispatcherList& list = *app.Flavours.front()->DispatcherList;
  const store::CDispatcher* dispatcher = nullptr;
  for (int row = 0; row < list.GetCount(); ++row) {
    if (platform::EqualsNoCase(list.GetAt(row).Record.Name, address.name)) dispatcher = &list.GetAt(row);
  }
  if (dispatcher == nullptr) {
    return Stop("Flavour " + address.flavour + " has no dispatcher " + address.name +
                " (deleted or renamed?); publish the dispatcher again with ravlinctl publish, or remove this queue");
  }
  std::string problem;
  const std::string folder = HotFolderOf(list.IniFileOf(dispatcher->Record.Folder), problem);
  if (!problem.empty()) return Stop("No hot folder for dispatcher " + address.name + ": " + problem);

  platform::UniqueFd file;
  int input = STDIN_FILENO;
  if (arguments.size() == 6) {
    file = platform::UniqueFd(::open(arguments[5].c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
      Tell("ERROR", "Cannot open the job file " + arguments[5] + ": " + std::strerror(errno));
      return kBackendFailed;
    }
    input = file.get();
  }
  const std::string name = JobFileName(arguments[2], arguments[0]);
  Tell("INFO", "Writing the job into the hot folder of " + address.flavour + "/" + address.name);
  const std::string failure = DeliverJob(folder, name, input, &cancelled);
  if (cancelled != 0) return kBackendFailed;
  if (!failure.empty()) return Stop("Hot folder of dispatcher " + address.name + ": " + failure);
  Tell("INFO", "Job written to " + folder + name);
  return kBackendOk;
}

}  // namespace

int RunBackend(const std::vector<std::string>& arguments, const std::string& deviceUri) {
  if (arguments.empty()) {
    std::printf("direct %s \"Unknown\" \"Ravlin dispatcher (hot folder)\"\n", std::string(kScheme).c_str());
    return kBackendOk;
  }
  if (arguments.size() != 5 && arguments.size() != 6) {
    std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", std::string(kScheme).c_str());
    return kBackendFailed;
  }
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
  // Printing continues where CUPS writes to a closed pipe.
  std::signal(SIGPIPE, SIG_IGN);

  const std::optional<DispatcherAddress> address = ParseDeviceUri(deviceUri);
  if (!address) {
    return Stop("The device URI " + deviceUri + " names no dispatcher; it reads ravlin:/FLAVOUR/DISPATCHER");
  }
  BackendMessages messages;
  ui::ScopedUserInterface scope(messages);
  std::setlocale(LC_NUMERIC, "C");
  platform::KW_EnvironmentSetupEx();
  if (const std::optional<std::string> problem = platform::EnvironmentFileProblem()) return Stop(*problem);
  if (const std::optional<std::string> missing = platform::MissingEnvironmentFile()) return Stop(*missing);
  try {
    return DeliverJobOf(*address, arguments);
  } catch (const CRvcException& error) {
    return Stop(error.Message());
  } catch (const std::exception& error) {
    return Stop(error.what());
  }
}

}  // namespace rvc::cups
