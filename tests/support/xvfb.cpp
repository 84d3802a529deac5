#include "tests/support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace rvc::test {

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

Xvfb::Xvfb() {
  int pipe[2];
  if (::pipe(pipe) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(pipe[0]);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    const std::string fd = std::to_string(pipe[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "800x600x24",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipe[1]);
  std::string number;
  pollfd ready{pipe[0], POLLIN, 0};
  char c = 0;
  while (::poll(&ready, 1, 20000) > 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(pipe[0]);
  if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

}  // namespace rvc::test
