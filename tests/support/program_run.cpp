#include "tests/support/program_run.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_support.h"

extern "C" char** environ;

namespace rvc::test {
namespace {

std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const size_t equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "kw_norvc", "KW_DATA_RAVLINCONFIG", "TMP", "RAVLIN_OEM"}) {
    variables.erase(name);
  }
  for (const auto& [name, value] : extra) variables[name] = value;
  std::vector<std::string> texts;
  for (const auto& [name, value] : variables) texts.push_back(name + "=" + value);
  return texts;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProgramResult RunProgram(const ProgramRun& run) {
  std::vector<std::string> variables = ChildEnvironment(run.environment);
  std::vector<std::string> args{run.program};
  args.insert(args.end(), run.arguments.begin(), run.arguments.end());
  std::vector<char*> envp = Pointers(variables);
  std::vector<char*> argv = Pointers(args);

  int master = -1, slave = -1;
  if (run.terminal != nullptr) {
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
    const std::string& typed = *run.terminal;
    if (::write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) return {};
  }
  int errorMaster = -1, errorSlave = -1;
  if (run.errorOnTerminal && ::openpty(&errorMaster, &errorSlave, nullptr, nullptr, nullptr) != 0) return {};
  const std::string out = run.scratch + "stdout", err = run.scratch + "stderr";
  const pid_t child = ::fork();
  if (child == 0) {
    const int in = run.terminal != nullptr ? slave : ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = run.errorOnTerminal ? errorSlave : ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    if (run.uid >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(static_cast<gid_t>(run.uid)) != 0 ||
                         ::setuid(static_cast<uid_t>(run.uid)) != 0)) {
      ::_exit(126);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ProgramResult result;
  if (run.errorOnTerminal) {
    // Read while the program runs, so that it never blocks on a full terminal; reading
    // ends with an error once no process holds the terminal any more.
    ::close(errorSlave);
    char buffer[4096];
    for (ssize_t n; (n = ::read(errorMaster, buffer, sizeof buffer)) > 0;) {
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] != '\r') result.err += buffer[i];
      }
    }
    ::close(errorMaster);
  }
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (run.terminal != nullptr) {
    ::close(slave);
    ::close(master);
  }
  result.out = ReadFile(out);
  if (!run.errorOnTerminal) result.err = ReadFile(err);
  return result;
}

}  // namespace rvc::test
