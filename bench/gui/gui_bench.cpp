// Times programs from their start to the first paint of their window, in turns, on the
// display the driver itself runs on, and reports the peak resident size of each.
//
//   gui_bench [--runs N] NAME=PROGRAM [NAME=PROGRAM...]
//
// Each program is started with RVC_FIRST_PAINT=1 and must print "first-paint <ns>"
// (CLOCK_MONOTONIC) on standard output at its first paint and then end. The clock starts
// just before the fork. One untimed round warms the file cache; then the programs take
// turns, in changing order, so that both see the same machine. The first program is the
// baseline of the ratios. Then one line per pair of programs, "spread A B <lowest>
// <highest>": the range of A's time over B's within the same round.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Program {
  std::string name;
  std::string path;
  std::vector<double> firstPaintMs;
  std::vector<double> exitMs;
  std::vector<double> byRound;  // first paint per round, NaN where the run failed
  long maxRssKiB = 0;
  int failures = 0;
};

long long Now() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One start of `program`; false when it failed to report its first paint.
bool RunOnce(Program& program, bool record) {
  int output[2];
  if (::pipe(output) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  posix_spawn_file_actions_addclose(&actions, output[1]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<std::string> variables{"RVC_FIRST_PAINT=1"};
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "RVC_FIRST_PAINT=", 16) != 0) variables.emplace_back(*entry);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string path = program.path;
  char* argv[] = {path.data(), nullptr};

  const long long start = Now();
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, path.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(output[1]);
  if (spawned != 0) {
    ::close(output[0]);
    std::fprintf(stderr, "%s: cannot start %s: %s\n", program.name.c_str(), path.c_str(), std::strerror(spawned));
    return false;
  }

  std::string text;
  char buffer[256];
  for (;;) {
    const ssize_t got = ::read(output[0], buffer, sizeof buffer);
    if (got > 0) {
      text.append(buffer, static_cast<size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    break;
  }
  ::close(output[0]);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const long long end = Now();

  const size_t at = text.find("first-paint ");
  if (at == std::string::npos || !WIFEXITED(status)) {
    std::fprintf(stderr, "%s: no first paint reported (status %d)\n", program.name.c_str(), status);
    return false;
  }
  const long long painted = std::atoll(text.c_str() + at + 12);
  if (record) {
    program.firstPaintMs.push_back(static_cast<double>(painted - start) / 1e6);
    program.byRound.back() = program.firstPaintMs.back();
    program.exitMs.push_back(static_cast<double>(end - start) / 1e6);
    program.maxRssKiB = std::max(program.maxRssKiB, usage.ru_maxrss);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 20;
  std::vector<Program> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (const size_t equals = argument.find('='); equals != std::string::npos) {
      programs.push_back({argument.substr(0, equals), argument.substr(equals + 1), {}, {}, {}, 0, 0});
    } else {
      std::fprintf(stderr, "usage: %s [--runs N] NAME=PROGRAM [NAME=PROGRAM...]\n", argv[0]);
      return 2;
    }
  }
  if (programs.empty()) {
    std::fprintf(stderr, "usage: %s [--runs N] NAME=PROGRAM [NAME=PROGRAM...]\n", argv[0]);
    return 2;
  }

  for (Program& program : programs) {
    if (!RunOnce(program, false)) return 1;
  }
  for (int run = 0; run < runs; ++run) {
    for (size_t k = 0; k < programs.size(); ++k) {
      Program& program = programs[(k + static_cast<size_t>(run)) % programs.size()];
      program.byRound.push_back(std::nan(""));
      if (!RunOnce(program, true)) ++program.failures;
    }
  }

  const double baseline = Median(programs.front().firstPaintMs);
  std::printf("%-12s %5s %14s %14s %14s %14s %8s %12s\n", "program", "runs", "first paint ms", "min ms", "max ms",
              "to exit ms", "ratio", "max RSS MiB");
  for (const Program& program : programs) {
    const auto [low, high] = std::minmax_element(program.firstPaintMs.begin(), program.firstPaintMs.end());
    const double median = Median(program.firstPaintMs);
    std::printf("%-12s %5zu %14.1f %14.1f %14.1f %14.1f %8.2f %12.1f\n", program.name.c_str(),
                program.firstPaintMs.size(), median, program.firstPaintMs.empty() ? 0 : *low,
                program.firstPaintMs.empty() ? 0 : *high, Median(program.exitMs), baseline > 0 ? median / baseline : 0,
                static_cast<double>(program.maxRssKiB) / 1024.0);
    if (program.failures > 0) std::printf("  %d failed runs\n", program.failures);
  }
  for (const Program& a : programs) {
    for (const Program& b : programs) {
      double low = 0, high = 0;
      bool any = false;
      for (size_t round = 0; round < a.byRound.size() && round < b.byRound.size(); ++round) {
        const double ratio = a.byRound[round] / b.byRound[round];
        if (&a == &b || std::isnan(ratio)) continue;
        low = any ? std::min(low, ratio) : ratio;
        high = any ? std::max(high, ratio) : ratio;
        any = true;
      }
      if (any) std::printf("spread %s %s %.2f %.2f\n", a.name.c_str(), b.name.c_str(), low, high);
    }
  }
  return 0;
}
