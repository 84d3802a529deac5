#include "backup/external_program.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/environment.h"

extern char** environ;

namespace rvc::backup {
namespace {

constexpr char kConfiguratorName[] = "rvc_setup";

bool IsExecutableFile(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string ExecutableFolder() {
  std::string buffer(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return {};
  buffer.resize(static_cast<size_t>(length));
  return buffer.substr(0, buffer.rfind('/'));
}

}  // namespace

int RunAndWait(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
  if (arguments.empty()) return -1;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** variable = environ; *variable != nullptr; ++variable) envp.push_back(*variable);
  for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FindConfigurator() {
  if (const std::string folder = ExecutableFolder(); !folder.empty()) {
    const std::string beside = folder + "/" + kConfiguratorName;
    if (IsExecutableFile(beside)) return beside;
  }
  const std::string path = platform::GetEnv("PATH").value_or("");
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + kConfiguratorName;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace rvc::backup
