// Holds a single instance for the tests, as the first interactive rvc_setup does: prints
// "ready" once it holds the instance, then "activated" for every request of a later start,
// until its standard input closes.
//
//   rvc_instance_holder FOLDER NAME
#include <poll.h>
#include <unistd.h>

#include <cstdio>

#include "frame/single_instance.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  rvc::frame::CSingleInstance instance(
      argv[2],
      [] {
        std::puts("activated");
        std::fflush(stdout);
      },
      argv[1]);
  if (!instance.IsFirst() || instance.ListenHandle() < 0) return 1;
  std::puts("ready");
  std::fflush(stdout);
  pollfd watched[2] = {{instance.ListenHandle(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  for (;;) {
    if (::poll(watched, 2, -1) < 0) continue;
    if (watched[1].revents != 0) return 0;
    if ((watched[0].revents & POLLIN) != 0) instance.ServePending();
  }
}
