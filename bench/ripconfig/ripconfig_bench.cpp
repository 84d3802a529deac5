// The RIP configuration editor on a large configuration, side by side with plain file
// access in one run (bench/ripconfig/run.sh):
//
//   open   the configuration dialog's opening (CConfiguration::OnInitDialog in modify
//          mode) on the handle that the General page holds open with the write lock, as
//          the dialog always finds it, against reading the bytes of the four
//          configuration files. Opening the files themselves is the General page's work
//          and counts in the Modify dialog's load (bench/settings); it is shown below
//          the goal, with the dialog on top, for the reader (docs/ripconfig.md).
//   write  one resolution value changed and ravlcfg_write, against writing the bytes that
//          write stores through the atomic-file component.
//
// Each round calls both sides in turn, a batch of times, and keeps the mean time per call
// of each. A goal's figures are the medians over the rounds and its spread is
// the min-max of the per-round ratios. Loading works in memory and in the page cache, so
// its goal counts the thread's CPU time, which other processes on a busy machine do not
// inflate; writing waits for the disk (fsync), so its goal counts wall time. The other
// kind is printed below each goal. Each goal prints one line
//   GOAL|name|ours|reference|unit|ratio|spread|limit|met or MISSED
//
//   ripconfig_bench [--quick] [--folder DIR]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ctime>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "ripconfig/configuration_dialog.h"
#include "ripconfig/ravlcfg.h"

namespace {

namespace fs = std::filesystem;
using namespace rvc::ripconfig;

struct Size {
  int confs, media, sets, resolutions, rounds;
};

void Put(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  if (!rvc::platform::WriteFileAtomically(path.string(), bytes)) std::abort();
}

std::string Read(const fs::path& path) {
  std::string bytes;
  if (!rvc::platform::ReadWholeFile(path.string(), bytes)) std::abort();
  return bytes;
}

// A dispatcher's data folder with `size` configurations, media and sets; the path of its
// zv_config.res.
fs::path LayOut(const fs::path& folder, const Size& size) {
  std::string config = "; RIP configurations\n[Main]\nconfs=";
  for (int i = 0; i < size.confs; ++i) config += (i ? " conf_" : "conf_") + std::to_string(i);
  config += "\nsets=";
  for (int i = 0; i < size.sets; ++i) config += (i ? " set_" : "set_") + std::to_string(i);
  config += "\nused=conf_0\norigin=DEFAULT\n";
  for (int i = 0; i < size.confs; ++i) {
    const std::string name = "conf_" + std::to_string(i);
    config += "\n[" + name + "]\nname=" + name + "\nfilm=media_" + std::to_string(i * 3 % size.media) +
              "\nset=set_" + std::to_string(i % size.sets) + "\noutput=\nvsize=11693\nhsize=8268\npolarity=1\ncurve=\n";
  }
  for (int s = 0; s < size.sets; ++s) {
    const std::string name = "set_" + std::to_string(s);
    config += "\n[" + name + "]\nname=" + name + "\n";
    for (int r = 0; r < size.resolutions; ++r) {
      config += "res" + std::to_string(r + 1) + "=" + std::to_string(600 + 25 * r + s) + "," +
                (r % 3 ? "1,55,1" : "1,0,0") + ",0.0,0.0,1000.0,1000.0\n";
    }
  }
  std::string films;
  for (int m = 0; m < size.media; ++m) {
    films += (m ? "\n[media_" : "[media_") + std::to_string(m) + "]\nvsize=" + std::to_string(10000 + m) +
             "\nhsize=8000\npolarity=" + std::to_string(m % 2) + "\nsizetext=10.0\" x 8.0\"\nflag=0\ncurve=\n";
  }
  Put(folder / "zv_config.res", config);
  Put(folder / "zv_film.res", films);
  Put(folder / "zv_recorder.res", "[Recorder]\nmaxwidth=14000\nmaxheight=20000\npixelclock=120.5\nperimeter=0\n");
  Put(folder / "data" / "zv_names.res", "[Names]\nname1=Default\nname2=PavoNet\n");
  return folder / "zv_config.res";
}

// Keeps the timed work from being optimised away.
volatile size_t sink = 0;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Time of one call, in microseconds: wall and the thread's CPU.
struct Time {
  double wall, cpu;
};

double CpuMicroseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

Time Timed(const std::function<void()>& run) {
  const double cpu = CpuMicroseconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  const double wall = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  return {wall, CpuMicroseconds() - cpu};
}

struct Figures {
  std::vector<Time> ours, reference;
};

// `rounds` rounds of `batch` calls of each side, one of each in turn (the first side
// alternating), so that both meet the same state of a busy machine and disk.
Figures Compare(const std::function<void()>& ours, const std::function<void()>& reference, int rounds, int batch) {
  Figures figures;
  ours();  // warm: caches, the first allocations
  reference();
  for (int round = 0; round < rounds; ++round) {
    Time a{0, 0}, b{0, 0};
    for (int i = 0; i < batch; ++i) {
      const bool oursFirst = (round + i) % 2 == 0;
      const Time first = Timed(oursFirst ? ours : reference), second = Timed(oursFirst ? reference : ours);
      const Time& mine = oursFirst ? first : second;
      const Time& theirs = oursFirst ? second : first;
      a = {a.wall + mine.wall / batch, a.cpu + mine.cpu / batch};
      b = {b.wall + theirs.wall / batch, b.cpu + theirs.cpu / batch};
    }
    figures.ours.push_back(a);
    figures.reference.push_back(b);
  }
  return figures;
}

std::vector<double> Pick(const std::vector<Time>& times, double Time::*which) {
  std::vector<double> values;
  for (const Time& time : times) values.push_back(time.*which);
  return values;
}

// Prints the goal's line from the times `which` (wall or CPU); `scale` turns microseconds
// into `unit`. Below it, for the reader, the medians of the other kind of time.
void Goal(const char* name, const Figures& f, double Time::*which, const char* unit, double scale, double limit) {
  const std::vector<double> ours = Pick(f.ours, which), reference = Pick(f.reference, which);
  std::vector<double> ratios;
  for (size_t i = 0; i < ours.size(); ++i) ratios.push_back(ours[i] / reference[i]);
  const double ratio = Median(ours) / Median(reference);
  std::printf("GOAL|%s|%.3f|%.3f|%s|%.2f|%.2f-%.2f|%.1f|%s\n", name, Median(ours) * scale, Median(reference) * scale,
              unit, ratio, *std::min_element(ratios.begin(), ratios.end()),
              *std::max_element(ratios.begin(), ratios.end()), limit, ratio <= limit ? "met" : "MISSED");
  const bool wall = which == &Time::wall;
  double Time::*other = wall ? &Time::cpu : &Time::wall;
  std::printf("  (%s time above; %s time: ours %.3f, reference %.3f %s, ratio %.2f)\n", wall ? "wall" : "CPU",
              wall ? "CPU" : "wall", Median(Pick(f.ours, other)) * scale, Median(Pick(f.reference, other)) * scale,
              unit, Median(Pick(f.ours, other)) / Median(Pick(f.reference, other)));
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  fs::path parent = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      quick = true;
    } else if (arg == "--folder" && i + 1 < argc) {
      parent = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--quick] [--folder DIR]\n", argv[0]);
      return 2;
    }
  }
  const Size size = quick ? Size{5, 20, 4, 10, 5} : Size{50, 200, 40, 100, 21};
  std::string pattern = (parent / "rvc-ripconfig-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path work = pattern;
  const fs::path configPath = LayOut(work / "data", size);
  const fs::path folder = configPath.parent_path();
  std::printf("%d configurations, %d media, %d sets of %d resolutions: %ju bytes of zv_config.res, %ju of "
              "zv_film.res, in %s\n",
              size.confs, size.media, size.sets, size.resolutions, static_cast<uintmax_t>(fs::file_size(configPath)),
              static_cast<uintmax_t>(fs::file_size(folder / "zv_film.res")), work.c_str());

  RavlcfgHandle* handle = ravlcfg_open(configPath.string());
  if (handle == nullptr || ravlcfg_get_nr_errors(handle) != 0 || ravlcfg_gain_writelock(handle, 0) != 1) return 1;
  EditorContext context;
  context.handle = handle;
  context.configPath = configPath.string();
  const std::string opened = "conf_" + std::to_string(size.confs / 2);

  // --- Opening ---
  const std::vector<fs::path> files = {configPath, folder / "zv_film.res", folder / "zv_recorder.res",
                                       folder / "data" / "zv_names.res"};
  const auto readBytes = [&] {
    for (const fs::path& file : files) sink = sink + Read(file).size();
  };
  const auto dialogLoad = [&] {
    CConfiguration dialog(context, EditorMode::Modify, opened);
    dialog.OnInitDialog();
    sink = sink + dialog.Media.names.size() + static_cast<size_t>(dialog.Sets.used);
  };
  const auto openAndLoad = [&] {
    RavlcfgHandle* own = ravlcfg_open(configPath.string());
    EditorContext ownContext = context;
    ownContext.handle = own;
    CConfiguration dialog(ownContext, EditorMode::Modify, opened);
    dialog.OnInitDialog();
    sink = sink + dialog.Media.names.size();
    ravlcfg_close(&own);
  };
  const Figures load = Compare(dialogLoad, readBytes, size.rounds, 50);
  Goal("configuration dialog opening on the General page's handle vs reading the configuration files", load,
       &Time::cpu, "us", 1, 2.0);
  const Figures full = Compare(openAndLoad, readBytes, size.rounds, 10);
  const double opening = Median(Pick(full.ours, &Time::cpu)), reading = Median(Pick(full.reference, &Time::cpu));
  std::printf("  (the configuration library's opening of the files and the dialog on top: %.1f us CPU, reading the "
              "files %.1f us, ratio %.2f)\n",
              opening, reading, opening / reading);

  // --- Writing ---
  // One value of a set in the middle toggles between two resolutions, so that every write
  // stores a change; the reference writes the same two versions of the file in turn.
  ResolutionEntry* entry = ravlcfg_get_set(handle, "set_" + std::to_string(size.sets / 2))->Entry(size.resolutions / 2);
  const double first = entry->dpi, second = entry->dpi + 0.5;
  std::string versions[2];
  for (int i = 0; i < 2; ++i) {
    entry->dpi = i ? second : first;
    if (ravlcfg_write(handle) != 1) return 1;
    versions[i] = Read(configPath);
  }
  int turn = 0;
  const auto writeChange = [&] {
    entry->dpi = entry->dpi == first ? second : first;
    if (ravlcfg_write(handle) != 1) std::abort();
  };
  const fs::path copy = folder / "zv_copy.res";
  const auto writeBytes = [&] {
    if (!rvc::platform::WriteFileAtomically(copy.string(), versions[turn++ % 2])) std::abort();
  };
  const Figures write = Compare(writeChange, writeBytes, size.rounds, quick ? 2 : 5);
  Goal("write after one change vs atomic write of the same bytes", write, &Time::wall, "ms", 1e-3, 1.2);

  ravlcfg_release_writelock(handle);
  ravlcfg_close(&handle);
  fs::remove_all(work);
  return 0;
}
