// PPD generation against writing the same bytes through one buffered stream, in one run:
//   Generate/<n>        CCreatePpd on a template with the resolution list, halftone,
//                       screening and end comments placeholders, for n resolutions in
//                       binary screening (n = 100: about 80,000 lines, 5.7 MB): open,
//                       sections, close
//   BufferedStream/<n>  the bytes of that very PPD, one fwrite per line through one
//                       std::FILE with its default buffer, fopen to fclose
//   BufferedStream64K/<n>  the same with a 64 KB buffer, the size of the engine's own
// Counters: bytes and lines of the PPD; peak_heap_KiB, the most heap in use during one
// generation (counted by the allocator below), which must not grow with n; maxrss_KiB,
// the process's peak resident size so far (run a Generate/<n> alone, as run.sh does, for
// the resident size of generating only: the stream baseline holds its lines in memory).
//
//   bench/ppd/run.sh        builds Release in build-bench-ppd and runs this
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "heap_counter.h"
#include "platform/environment.h"
#include "ppd/create_ppd.h"

namespace {

namespace fs = std::filesystem;
using rvc::ppd::CCreatePpd;

// The scratch folder with the template, and the environment that keeps traces in it.
class Workspace {
 public:
  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "rvc-ppd-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern + "/";
    rvc::platform::SetEnv("RAVLIN_ENVIRONMENT_FILE", folder_ + "no-environment");
    rvc::platform::SetEnv("KW_DATA_RAVLINCONFIG", folder_);
    std::ofstream(folder_ + "template.ppd") << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n"
                                               "*OpenUI *Resolution: PickOne\n<Add Resolution List>\n"
                                               "*CloseUI: *Resolution\n<Add Halftone Information>\n"
                                               "<Add Screening information>\n*DefaultFont: Courier\n"
                                               "<Add End Comments>\n";
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
};

Workspace& Scratch() {
  static Workspace workspace;
  return workspace;
}

std::vector<double> Resolutions(int count) {
  std::vector<double> resolutions;
  for (int i = 0; i < count; ++i) resolutions.push_back(1000 + 25 * i);
  return resolutions;
}

// One generation; the PPD's path.
std::string Generate(const std::vector<double>& resolutions) {
  CCreatePpd ppd;
  if (ppd.OpenFiles(Scratch().Folder() + "template.ppd", Scratch().Folder(), "Generic", "Ravlin", 3,
                    rvc::ppd::ScreenMode::Binary) != 1) {
    std::abort();
  }
  ppd.AddResolutionList(resolutions, 0);
  ppd.AddHalftoneInformation(resolutions);
  ppd.AddScreeningInformation(resolutions);
  ppd.AddEndComments();
  ppd.Close();
  return ppd.PpdPath();
}

// The lines (with their breaks) of the PPD for `count` resolutions, made once.
const std::vector<std::string>& PpdLines(int count) {
  static std::map<int, std::vector<std::string>> cache;
  auto& lines = cache[count];
  if (lines.empty()) {
    std::ifstream in(Generate(Resolutions(count)));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line + "\n");
  }
  return lines;
}

long MaxRssKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Bytes and lines of the file at `path`, read in pieces.
std::pair<size_t, size_t> Measure(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) std::abort();
  size_t bytes = 0;
  size_t lines = 0;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes += n;
    for (size_t i = 0; i < n; ++i) lines += buffer[i] == '\n';
  }
  std::fclose(file);
  return {bytes, lines};
}

void SetCounters(benchmark::State& state, size_t bytes, size_t lines) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["maxrss_KiB"] = static_cast<double>(MaxRssKiB());
}

void BM_Generate(benchmark::State& state) {
  const std::vector<double> resolutions = Resolutions(static_cast<int>(state.range(0)));
  std::string path;
  size_t peak = 0;
  for (auto _ : state) {
    const size_t before = rvc::bench::MarkHeapPeak();
    path = Generate(resolutions);
    peak = std::max(peak, rvc::bench::HeapPeak() - before);
  }
  auto [bytes, lines] = Measure(path);
  SetCounters(state, bytes, lines);
  state.counters["peak_heap_KiB"] = static_cast<double>(peak) / 1024;
}

// `buffer` 0: the stream's default buffer (BUFSIZ); else a buffer of that size, as large
// as the engine's own.
void StreamLines(benchmark::State& state, size_t buffer) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<std::string>& lines = PpdLines(count);
  const std::string path = Scratch().Folder() + "stream.ppd";
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) std::abort();
    if (buffer != 0) std::setvbuf(file, nullptr, _IOFBF, buffer);
    for (const std::string& line : lines) std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
  auto [bytes, count_lines] = Measure(path);
  SetCounters(state, bytes, count_lines);
}

void BM_BufferedStream(benchmark::State& state) { StreamLines(state, 0); }
void BM_BufferedStream64K(benchmark::State& state) { StreamLines(state, 64 * 1024); }

}  // namespace

// Each size's two writers run one after the other, so that both meet the same state of
// the page cache and of the disk.
int main(int argc, char** argv) {
  for (int count : {10, 100, 400}) {
    benchmark::RegisterBenchmark("Generate", BM_Generate)->Arg(count)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BufferedStream", BM_BufferedStream)
        ->Arg(count)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BufferedStream64K", BM_BufferedStream64K)
        ->Arg(count)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
