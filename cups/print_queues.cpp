#include "cups/print_queues.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/plugin_library.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace rvc::cups {
namespace {

// Runs lpadmin with `arguments`; "" when it succeeded, else its output (or why it could
// not run).
std::string RunLpadmin(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"lpadmin"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return std::string("cannot run lpadmin: ") + std::strerror(errno);
  platform::UniqueFd reader(pipeEnds[0]);
  platform::UniqueFd writer(pipeEnds[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, writer.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, writer.get(), STDERR_FILENO);
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, "lpadmin", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    return std::string("cannot run lpadmin (package cups-client): ") + std::strerror(spawned);
  }
  writer = platform::UniqueFd();
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(reader.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    output.append(buffer, static_cast<size_t>(got));
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output.empty() ? "lpadmin failed" : output;
}

// The scheduler's interface of libcups, loaded when the queues are first listed rather
// than with the program: libcups pulls in GnuTLS, Kerberos and Avahi, whose loading and
// initialisation every start would otherwise pay. It stays loaded for the rest of the
// process (unloading libraries that set up their own global state is unsafe).
struct CupsClient {
  decltype(&::httpConnect2) Connect = nullptr;
  decltype(&::httpClose) Close = nullptr;
  decltype(&::cupsServer) Server = nullptr;
  decltype(&::ippPort) Port = nullptr;
  decltype(&::cupsEncryption) Encryption = nullptr;
  decltype(&::ippNewRequest) NewRequest = nullptr;
  decltype(&::ippAddStrings) AddStrings = nullptr;
  decltype(&::cupsDoRequest) DoRequest = nullptr;
  decltype(&::ippDelete) Delete = nullptr;
  decltype(&::cupsLastError) LastError = nullptr;
  decltype(&::cupsLastErrorString) LastErrorString = nullptr;
  decltype(&::ippFirstAttribute) FirstAttribute = nullptr;
  decltype(&::ippNextAttribute) NextAttribute = nullptr;
  decltype(&::ippGetName) GetName = nullptr;
  decltype(&::ippGetGroupTag) GetGroupTag = nullptr;
  decltype(&::ippGetString) GetString = nullptr;
};

std::optional<CupsClient> LoadCupsClient(std::string& problem) {
  const auto library = platform::PluginLibrary::Load("libcups.so.2", &problem);
  if (!library) return std::nullopt;
  CupsClient c;
  if (!library->Bind("httpConnect2", c.Connect) || !library->Bind("httpClose", c.Close) ||
      !library->Bind("cupsServer", c.Server) || !library->Bind("ippPort", c.Port) ||
      !library->Bind("cupsEncryption", c.Encryption) || !library->Bind("ippNewRequest", c.NewRequest) ||
      !library->Bind("ippAddStrings", c.AddStrings) || !library->Bind("cupsDoRequest", c.DoRequest) ||
      !library->Bind("ippDelete", c.Delete) || !library->Bind("cupsLastError", c.LastError) ||
      !library->Bind("cupsLastErrorString", c.LastErrorString) ||
      !library->Bind("ippFirstAttribute", c.FirstAttribute) || !library->Bind("ippNextAttribute", c.NextAttribute) ||
      !library->Bind("ippGetName", c.GetName) || !library->Bind("ippGetGroupTag", c.GetGroupTag) ||
      !library->Bind("ippGetString", c.GetString)) {
    problem = "libcups.so.2 lacks its scheduler interface";
    return std::nullopt;
  }
  library->KeepLoaded();
  return c;
}

// Nothing when libcups cannot be loaded; `problem` then says why.
const CupsClient* Cups(std::string& problem) {
  static std::string reason;
  static const std::optional<CupsClient> cups = LoadCupsClient(reason);
  if (!cups) problem = "cannot load libcups.so.2: " + reason;
  return cups ? &*cups : nullptr;
}

bool ForbiddenInQueueName(unsigned char c) {
  return c <= 0x20 || c == 0x7f || std::strchr("/\\?'\"#", c) != nullptr;
}

}  // namespace

std::optional<std::vector<PrintQueue>> ListPrintQueues(std::string* problem) {
  std::string unavailable;
  const CupsClient* cups = Cups(unavailable);
  if (cups == nullptr) {
    if (problem != nullptr) *problem = unavailable;
    return std::nullopt;
  }
  std::unique_ptr<http_t, void (*)(http_t*)> http(
      cups->Connect(cups->Server(), cups->Port(), nullptr, AF_UNSPEC, cups->Encryption(), 1, 5000, nullptr),
      cups->Close);
  if (!http) {
    if (problem != nullptr) *problem = std::string("the CUPS scheduler at ") + cups->Server() + " cannot be reached";
    return std::nullopt;
  }
  ipp_t* request = cups->NewRequest(IPP_OP_CUPS_GET_PRINTERS);
  static const char* const kAttributes[] = {"printer-name", "device-uri"};
  cups->AddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, kAttributes);
  std::unique_ptr<ipp_t, void (*)(ipp_t*)> response(cups->DoRequest(http.get(), request, "/"), cups->Delete);
  std::vector<PrintQueue> queues;
  // A scheduler without queues answers "not found".
  if (cups->LastError() == IPP_STATUS_ERROR_NOT_FOUND) return queues;
  if (!response || cups->LastError() > IPP_STATUS_OK_CONFLICTING) {
    if (problem != nullptr) *problem = std::string("CUPS: ") + cups->LastErrorString();
    return std::nullopt;
  }
  PrintQueue queue;
  auto flush = [&] {
    if (!queue.name.empty()) queues.push_back(queue);
    queue = PrintQueue();
  };
  for (ipp_attribute_t* attribute = cups->FirstAttribute(response.get()); attribute != nullptr;
       attribute = cups->NextAttribute(response.get())) {
    const char* name = cups->GetName(attribute);
    if (name == nullptr || cups->GetGroupTag(attribute) != IPP_TAG_PRINTER) {
      flush();
      continue;
    }
    const char* value = cups->GetString(attribute, 0, nullptr);
    if (value == nullptr) continue;
    if (std::strcmp(name, "printer-name") == 0) queue.name = value;
    if (std::strcmp(name, "device-uri") == 0) queue.deviceUri = value;
  }
  flush();
  return queues;
}

std::string QueueNameProblem(std::string_view name) {
  if (name.empty()) return "a queue name cannot be empty";
  if (name.size() > 127) return "a queue name has at most 127 characters";
  for (unsigned char c : name) {
    if (ForbiddenInQueueName(c)) {
      return "a queue name may not hold blanks, control characters or any of / \\ ? ' \" #";
    }
  }
  return "";
}

std::string DefaultQueueName(std::string_view flavour, std::string_view name) {
  std::string queue = std::string(flavour) + "-" + std::string(name);
  for (char& c : queue) {
    if (ForbiddenInQueueName(static_cast<unsigned char>(c))) c = '_';
  }
  if (queue.size() > 127) queue.resize(127);
  return queue;
}

std::string PublishQueue(const QueueSettings& settings) {
  return RunLpadmin({"-p", settings.name, "-E", "-v", settings.deviceUri, "-P", settings.ppd, "-D",
                     settings.description, "-o",
                     std::string("printer-is-shared=") + (settings.shared ? "true" : "false")});
}

std::string SetQueuePpd(const std::string& queue, const std::string& ppd) { return RunLpadmin({"-p", queue, "-P", ppd}); }

std::string SetQueueDevice(const std::string& queue, const std::string& deviceUri, const std::string& ppd) {
  return RunLpadmin({"-p", queue, "-v", deviceUri, "-P", ppd});
}

std::string RemoveQueue(const std::string& queue) { return RunLpadmin({"-x", queue}); }

std::string RemoveCommand(const std::string& queue) { return "lpadmin -x " + queue; }

}  // namespace rvc::cups
