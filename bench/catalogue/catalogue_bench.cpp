// Loading a flavour catalogue of 10 flavours with 10 dispatchers each, against reading the
// bytes of the files that load reads, in one run and both on a warm page cache:
//
//   Load/list            LoadFlavourCatalogue (headless user interface) when every flavour
//                        has its list files: "rvc2.cfg" in its program folder, "rvc1.cfg"
//                        in its data folder
//   ReadTouched/list     the files that load reads (the catalogue and the 20 list files),
//                        each opened and read whole with one read()
//   ReadTree/list        every file below the flavours' program and data folders, and the
//                        catalogue, read the same way
//   ReadAndList/list     ReadTouched plus listing each folder the load searches, once: a
//                        list file is found by the pattern "rvc*.cfg", so the load reads
//                        the entries of each flavour's program and data folder (open,
//                        getdents64 to the end, close)
//   Load/rebuild         the same installation without list files: the device types are
//                        collected from the ".fid" templates, the dispatchers from their
//                        ini files, ".fid" files (compared with the type templates) and
//                        "zv_config.res" files
//   ReadTouched/rebuild  the files that load reads, each once: the catalogue, the ini,
//                        ".fid" and "zv_config.res" files of the dispatchers, the ".fid"
//                        and "zv_config_*.res" templates, and the installation's
//                        environment file, which the trace reads (the load itself reads
//                        some of them several times, and appends to the trace file)
//   ReadTree/rebuild     as for list
//   ReadAndList/rebuild  ReadTouched plus listing every folder below the flavours' program
//                        and data folders: proving that no "rvc*.cfg" exists walks them all
//
// A load includes releasing the previous load's flavour list (the loader clears the list
// it fills). Counters: files and bytes read; for loads, flavours, dispatchers, types,
// peak_heap_KiB (the most heap in use during one load before timing, counted by the
// allocator of heap_counter.h, which the timed loads run without),
// retained_KiB (heap held by the loaded list) and maxrss_KiB. At the end a summary gives
// the medians per load and the ratios load / read, against the files alone and against the
// files and the folders (the goal, which run.sh checks).
//
// The installation is generated from the bundled sample: its Tiffmono flavour, multiplied
// into flavours Tiff00 to Tiff09 with dispatchers of port separators 0 to 9, once with the
// list files ("list") and once without them, the templates laid out for a rebuild
// ("rebuild"). Every load is checked once against what was generated before timing.
//
//   catalogue_bench [--root=DIR] [--keep] [--load-once=list|rebuild] [benchmark flags]
//     --root       where to generate (missing or empty; default: a new temporary folder)
//     --keep       leave the generated installation in place
//     --load-once  load that variant once, print the process's resident size before and
//                  after and the load's peak heap, and stop (no benchmarks)
//
//   bench/catalogue/run.sh   builds Release in build-bench-catalogue and runs this
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "heap_counter.h"
#include "frame/flavour_catalogue.h"
#include "core/rvc_trace.h"
#include "platform/environment.h"
#include "ui/headless/headless_ui.h"
#include "ui/user_interface.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFlavours = 10;
constexpr int kDispatchers = 10;
constexpr const char* kVariants[] = {"list", "rebuild"};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "catalogue_bench: %s\n", what.c_str());
  std::exit(1);
}

// ---------------------------------------------------------------------------------------
// The generated installation.

// The sample's Tiffmono dispatchers that the generated ones are copied from, by type.
struct Model {
  const char* folder;
  const char* name;
  const char* type;
};
constexpr Model kModels[] = {
    {"Tiffmono", "Mono", "Imagesetter_Film"},
    {"CtP_platedriver", "Mono1", "CtP_platedriver"},
    {"Generic_FromPPD", "Mono3_OrvaTiffsetter", "Generic_FromPPD"},
};

std::string TwoDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string Key(int flavour) { return "Tiff" + TwoDigits(flavour); }
std::string DisplayName(int flavour) { return "Ravlin Tiff " + TwoDigits(flavour); }
int PortBase(int flavour) { return 20000 + 1000 * flavour; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

struct Dispatcher {
  const Model* model;
  std::string folder;
  std::string name;
  std::string type;
  int base;
  int commandPort;
};

// Dispatcher `d` of flavour `f`: the first one lives in the folder named after the flavour,
// the others in folders named after their type and number; separator d.
Dispatcher Expected(int f, int d) {
  const Model& model = kModels[d % 3];
  Dispatcher x;
  x.model = &model;
  x.folder = d == 0 ? Key(f) : std::string(model.type) + std::to_string(d);
  x.name = "T" + TwoDigits(f) + "Mono" + std::to_string(d) + (d % 3 == 2 ? "_OrvaTiffsetter" : "");
  x.type = model.type;
  x.base = d;
  x.commandPort = PortBase(f) + 100 * d + 4;
  return x;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

struct Rewrite {
  std::vector<std::pair<std::string, std::string>> text;   // in file contents, in order
  std::vector<std::pair<std::string, std::string>> names;  // in file and folder names
  int portBase = -1;  // >= 0: port lines move to portBase + 100 * separator + their offset
  int separator = 0;
};

bool IsPortItem(const std::string& item) {
  const std::string lower = Lower(item);
  return lower == "commandport" || lower == "tcp_status" || lower == "tcp_preview" || lower == "tcp_pap";
}

std::string Apply(const std::string& content, const Rewrite& rewrite) {
  std::string text = content;
  for (const auto& [from, to] : rewrite.text) text = ReplaceAll(text, from, to);
  if (rewrite.portBase < 0) return text;
  std::string out;
  out.reserve(text.size());
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && IsPortItem(line.substr(0, eq)) && eq + 1 < line.size() &&
        std::isdigit(static_cast<unsigned char>(line[eq + 1]))) {
      const long port = std::strtol(line.c_str() + eq + 1, nullptr, 10);
      line = line.substr(0, eq + 1) + std::to_string(rewrite.portBase + 100 * rewrite.separator + port % 100);
    }
    out += line;
    out += '\n';
  }
  return out;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) Fail("cannot write " + path.string());
}

// Copies the tree `from` to `to`, rewriting names and contents (every sample file is text).
void CopyTree(const fs::path& from, const fs::path& to, const Rewrite& rewrite) {
  fs::create_directories(to);
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    std::string relative = entry.path().lexically_relative(from).string();
    for (const auto& [old, now] : rewrite.names) relative = ReplaceAll(relative, old, now);
    const fs::path target = to / relative;
    if (entry.is_directory()) {
      fs::create_directories(target);
    } else if (entry.is_regular_file()) {
      WriteFile(target, Apply(ReadFile(entry.path()), rewrite));
    }
  }
}

// The rewrites that move the sample's Tiffmono flavour to flavour `key` of `variant`.
void AddFlavourRewrite(Rewrite& rewrite, const std::string& variant, const std::string& key) {
  rewrite.text.emplace_back("\\prog\\Tiffmono", "\\" + variant + "\\prog\\" + key);
  rewrite.text.emplace_back("\\data\\Tiffmono", "\\" + variant + "\\data\\" + key);
  rewrite.text.emplace_back("Tiffmono", key);
  rewrite.names.emplace_back("Tiffmono", key);
}

std::string CatalogueFile(const fs::path& root, const std::string& variant) {
  return (root / "config" / ("rvc_" + variant + ".dat")).string();
}

void GenerateFlavour(const fs::path& sample, const fs::path& root, const std::string& variant, int f) {
  const std::string key = Key(f);
  const bool rebuild = variant == "rebuild";

  // Program folder: device types and templates.
  const fs::path prog = root / variant / "prog" / key;
  Rewrite flavourRewrite;
  AddFlavourRewrite(flavourRewrite, variant, key);
  CopyTree(sample / "prog" / "Tiffmono", prog, flavourRewrite);
  if (rebuild) {
    // Without "rvc2.cfg" the types are collected from the ".fid" files in dat/templates/,
    // where a rebuilt flavour keeps its templates and ini templates.
    fs::remove(prog / "rvc2.cfg");
    const fs::path templates = prog / "dat" / "templates";
    for (const auto& entry : fs::directory_iterator(templates / key)) {
      fs::rename(entry.path(), templates / entry.path().filename());
    }
    fs::remove(templates / key);
    for (const auto& entry : fs::directory_iterator(templates / "inifiles")) {
      fs::copy_file(entry.path(), templates / entry.path().filename());
    }
  }

  // Data folder: the dispatchers, each copied from the sample dispatcher of its type.
  const fs::path data = root / variant / "data" / key;
  std::ostringstream list;
  list << "; Dispatchers of the " << key << " flavour\n\n[Main]\nInstall=%RAVLIN_SAMPLE_ROOT%\\" << variant
       << "\\data\\" << key << "\\\nNrConfigs=" << kDispatchers << "\n";
  for (int d = 0; d < kDispatchers; ++d) {
    const Dispatcher x = Expected(f, d);
    const Model& m = *x.model;
    Rewrite rewrite;
    rewrite.text = {
        {"\\" + std::string(m.folder) + "\\", "\\" + x.folder + "\\"},
        {"\\" + Lower(m.folder) + "\\", "\\" + Lower(x.folder) + "\\"},
        {"flavor=" + std::string(m.folder) + "\n", "flavor=" + x.folder + "\n"},
        {std::string(m.name) + "_AT", x.name + "_AT"},
        {std::string(m.name) + "_pipe", x.name + "_pipe"},
        {"kw_cpu=" + std::string(m.name) + "\n", "kw_cpu=" + x.name + "\n"},
    };
    rewrite.names = {{"zv" + std::string(m.folder) + "_dispatcher.ini", "zv" + x.folder + "_dispatcher.ini"}};
    AddFlavourRewrite(rewrite, variant, key);
    rewrite.portBase = PortBase(f);
    rewrite.separator = d;
    CopyTree(sample / "data" / "Tiffmono" / m.folder, data / x.folder, rewrite);
    // The rebuild and the list save find the ini files in the data folder's "data".
    const std::string ini = "zv" + x.folder + "_dispatcher.ini";
    WriteFile(data / "data" / ini, ReadFile(data / x.folder / "data" / ini));

    list << "\n[Config" << d + 1 << "]\nName=" << x.name << "\nType=" << x.type << "\nFolder=" << x.folder
         << "\nBase=" << x.base << "\nCommandPort=" << x.commandPort << "\nFlavour=" << key << "\n";
  }
  if (!rebuild) WriteFile(data / "rvc1.cfg", list.str());
}

void Generate(const fs::path& sample, const fs::path& root) {
  if (!fs::is_directory(sample / "prog" / "Tiffmono")) Fail("no sample installation in " + sample.string());
  for (const std::string variant : kVariants) {
    std::ostringstream catalogue;
    catalogue << "; Flavour catalogue of the generated installation (" << variant << ")\n\n"
              << "[_internal_]\nIncludeDGCInPPD=1\nIncludeDotJobInPPD=0\nExtraPPDLocation=\n";
    for (int f = 0; f < kFlavours; ++f) {
      GenerateFlavour(sample, root, variant, f);
      catalogue << "\n[" << Key(f) << "]\nname=" << DisplayName(f) << "\nVersion=10.1\nprogdir=%RAVLIN_SAMPLE_ROOT%\\"
                << variant << "\\prog\\" << Key(f) << "\\\ndatadir=%RAVLIN_SAMPLE_ROOT%\\" << variant << "\\data\\"
                << Key(f) << "\\\n";
    }
    WriteFile(CatalogueFile(root, variant), catalogue.str());
  }
  fs::create_directories(root / "tmp");
  const std::string r = root.string();
  WriteFile(root / "environment",
            "# Environment of the generated installation of catalogue_bench\n"
            "RAVLIN_SAMPLE_ROOT=" +
                r + "\nKW_DATA_RAVLINCONFIG=" + r + "/config\nTMP=" + r + "/tmp\n");
  // The process's own values win over the file's: set them here as well.
  rvc::platform::SetEnv("RAVLIN_ENVIRONMENT_FILE", r + "/environment");
  rvc::platform::SetEnv("RAVLIN_SAMPLE_ROOT", r);
  rvc::platform::SetEnv("KW_DATA_RAVLINCONFIG", r + "/config");
  rvc::platform::SetEnv("TMP", r + "/tmp");
  rvc::platform::KW_EnvironmentSetupEx();
}

// Files of the installation, computed by listing it.
std::vector<std::string> Matching(const fs::path& folder, const std::string& prefix, const std::string& suffix) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.size() >= prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The files that loading `variant` reads, each once.
std::vector<std::string> TouchedFiles(const fs::path& root, const std::string& variant) {
  std::vector<std::string> files{CatalogueFile(root, variant)};
  auto add = [&files](const std::vector<std::string>& more) { files.insert(files.end(), more.begin(), more.end()); };
  for (int f = 0; f < kFlavours; ++f) {
    const fs::path prog = root / variant / "prog" / Key(f);
    const fs::path data = root / variant / "data" / Key(f);
    if (variant == "list") {
      add(Matching(prog, "rvc", ".cfg"));
      add(Matching(data, "rvc", ".cfg"));
      continue;
    }
    // Each trace of the rebuild looks up its folder in the installation's environment file.
    if (f == 0) add({(root / "environment").string()});
    add(Matching(prog / "dat" / "templates", "", ".fid"));
    add(Matching(prog / "dat" / "templates", "zv_config_", ".res"));
    add(Matching(data / "data", "zv", "dispatcher.ini"));
    for (int d = 0; d < kDispatchers; ++d) {
      const fs::path own = data / Expected(f, d).folder / "data";
      add(Matching(own, "", ".fid"));
      add({(own / "zv_config.res").string()});
    }
  }
  return files;
}

// The folders the load lists: those its searches for "rvc*.cfg" cover.
std::vector<std::string> TouchedFolders(const fs::path& root, const std::string& variant) {
  std::vector<std::string> folders;
  for (int f = 0; f < kFlavours; ++f) {
    for (const char* side : {"prog", "data"}) {
      const fs::path top = root / variant / side / Key(f);
      folders.push_back(top.string());
      if (variant == "list") continue;  // found at the top
      for (const auto& entry : fs::recursive_directory_iterator(top)) {
        if (entry.is_directory()) folders.push_back(entry.path().string());
      }
    }
  }
  return folders;
}

// Every file below the flavours' program and data folders, and the catalogue.
std::vector<std::string> TreeFiles(const fs::path& root, const std::string& variant) {
  std::vector<std::string> files{CatalogueFile(root, variant)};
  for (int f = 0; f < kFlavours; ++f) {
    for (const char* side : {"prog", "data"}) {
      for (const auto& entry : fs::recursive_directory_iterator(root / variant / side / Key(f))) {
        if (entry.is_regular_file()) files.push_back(entry.path().string());
      }
    }
  }
  return files;
}

// Number of files and allocated bytes below `root`.
std::pair<size_t, uintmax_t> Footprint(const fs::path& root) {
  size_t files = 0;
  uintmax_t allocated = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0) continue;
    allocated += static_cast<uintmax_t>(st.st_blocks) * 512;
    files += S_ISREG(st.st_mode) ? 1 : 0;
  }
  return {files, allocated};
}

// ---------------------------------------------------------------------------------------
// Loading and reading.

struct Installation {
  fs::path root;
  std::map<std::string, std::vector<std::string>> touched;
  std::map<std::string, std::vector<std::string>> folders;
  std::map<std::string, std::vector<std::string>> tree;
};

Installation& Current() {
  static Installation installation;
  return installation;
}

bool Load(const std::string& variant, rvc::frame::FlavourList& flavours) {
  rvc::frame::CatalogueOptions options;
  return rvc::frame::LoadFlavourCatalogue(CatalogueFile(Current().root, variant), "", options, flavours);
}

long MaxRssKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Checks one load of `variant` against what was generated.
void Verify(const std::string& variant) {
  rvc::ui::HeadlessUserInterface ui;
  rvc::ui::ScopedUserInterface scoped(ui);
  rvc::frame::FlavourList flavours;
  if (!Load(variant, flavours)) Fail(variant + ": no flavour loaded");
  if (!ui.Messages().empty() || !ui.FolderTitles().empty()) {
    Fail(variant + ": the load asked the user something: " +
         (ui.Messages().empty() ? ui.FolderTitles().front() : ui.MessageTexts().front()));
  }
  if (flavours.size() != kFlavours) Fail(variant + ": " + std::to_string(flavours.size()) + " flavours loaded");
  for (int f = 0; f < kFlavours; ++f) {
    const rvc::frame::CFlavour& flavour = *flavours[static_cast<size_t>(f)];
    const std::string where = variant + " " + Key(f) + ": ";
    if (flavour.Key != Key(f) || flavour.DisplayName != DisplayName(f) || flavour.Version != "10.1") {
      Fail(where + "flavour " + flavour.Key + " \"" + flavour.DisplayName + "\" out of place");
    }
    if (flavour.TemplateList->GetCount() != 3)
      Fail(where + "types: " + std::to_string(flavour.TemplateList->GetCount()));
    const rvc::store::CDispatcherList& list = *flavour.DispatcherList;
    if (list.GetCount() != kDispatchers) Fail(where + "dispatchers: " + std::to_string(list.GetCount()));
    if (list.GetAt(0).Record.Folder != Key(f)) Fail(where + "the main dispatcher is not first");
    for (int d = 0; d < kDispatchers; ++d) {
      const Dispatcher x = Expected(f, d);
      bool found = false;
      for (int i = 0; i < list.GetCount(); ++i) {
        const rvc::store::DispatcherRecord& r = list.GetAt(i).Record;
        if (r.Folder != x.folder) continue;
        found = true;
        if (r.Name != x.name || r.Type != x.type || r.Base != x.base || r.CommandPort != x.commandPort ||
            r.Flavour != Key(f)) {
          Fail(where + x.folder + ": loaded as " + r.Name + " " + r.Type + " " + std::to_string(r.Base) + " " +
               std::to_string(r.CommandPort) + " " + r.Flavour);
        }
      }
      if (!found) Fail(where + "dispatcher " + x.folder + " missing");
    }
  }
  // A rebuild traces what it could not match with the templates.
  const std::string trace = rvc::CRvcTrace::DefaultTraceFolder() + "trace_rvc.txt";
  if (fs::exists(trace) && ReadFile(trace).find("Inconsistent") != std::string::npos) {
    Fail(variant + ": the rebuild found inconsistent configurations (see " + trace + ")");
  }
}

size_t ReadWhole(const std::vector<std::string>& files, std::vector<char>& buffer) {
  size_t total = 0;
  for (const std::string& path : files) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("cannot open " + path);
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    if (n < 0 || static_cast<size_t>(n) == buffer.size()) Fail("cannot read " + path + " with one read");
    total += static_cast<size_t>(n);
  }
  return total;
}

// Lists each folder as the loader does: its entries read to the end with getdents64.
size_t ListWhole(const std::vector<std::string>& folders, std::vector<char>& buffer) {
  size_t entries = 0;
  for (const std::string& path : folders) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd < 0) Fail("cannot open " + path);
    for (;;) {
      const long n = ::syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
      if (n < 0) Fail("cannot list " + path);
      if (n == 0) break;
      entries += static_cast<size_t>(n);
    }
    ::close(fd);
  }
  return entries;
}

void BM_Load(benchmark::State& state, const std::string& variant) {
  rvc::ui::HeadlessUserInterface ui;
  rvc::ui::ScopedUserInterface scoped(ui);
  size_t peak = 0, retained = 0, dispatchers = 0, types = 0, flavourCount = 0;
  {
    // Warm-up and memory: one load with the heap counted.
    rvc::frame::FlavourList flavours;
    const size_t before = rvc::bench::MarkHeapPeak();
    Load(variant, flavours);
    peak = rvc::bench::HeapPeak() - before;
    retained = rvc::bench::HeapInUse() - before;
    flavourCount = flavours.size();
    for (const auto& flavour : flavours) {
      dispatchers += static_cast<size_t>(flavour->DispatcherList->GetCount());
      types += static_cast<size_t>(flavour->TemplateList->GetCount());
    }
  }
  rvc::frame::FlavourList flavours;
  // The timed loads allocate as the program does, without the counting.
  rvc::bench::CountHeap(false);
  for (auto _ : state) {
    if (!Load(variant, flavours)) state.SkipWithError("no flavour loaded");
    benchmark::DoNotOptimize(flavours.data());
  }
  flavours.clear();
  rvc::bench::CountHeap(true);
  ui.Clear();
  std::vector<char> buffer(1 << 20);
  const std::vector<std::string>& touched = Current().touched[variant];
  state.counters["files"] = static_cast<double>(touched.size());
  state.counters["bytes"] = static_cast<double>(ReadWhole(touched, buffer));
  state.counters["flavours"] = static_cast<double>(flavourCount);
  state.counters["dispatchers"] = static_cast<double>(dispatchers);
  state.counters["types"] = static_cast<double>(types);
  state.counters["peak_heap_KiB"] = static_cast<double>(peak) / 1024;
  state.counters["retained_KiB"] = static_cast<double>(retained) / 1024;
  state.counters["maxrss_KiB"] = static_cast<double>(MaxRssKiB());
}

void BM_Read(benchmark::State& state, const std::vector<std::string>* files) {
  std::vector<char> buffer(1 << 20);
  size_t bytes = ReadWhole(*files, buffer);  // warm-up
  for (auto _ : state) {
    bytes = ReadWhole(*files, buffer);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["files"] = static_cast<double>(files->size());
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ReadAndList(benchmark::State& state, const std::string& variant) {
  const std::vector<std::string>& files = Current().touched[variant];
  const std::vector<std::string>& folders = Current().folders[variant];
  std::vector<char> buffer(1 << 20);
  std::vector<char> listing(1 << 14);
  ReadWhole(files, buffer);  // warm-up
  ListWhole(folders, listing);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadWhole(files, buffer) + ListWhole(folders, listing));
  }
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["folders"] = static_cast<double>(folders.size());
}

// ---------------------------------------------------------------------------------------
// Summary: the medians of the repetitions (or the single run) and the ratios.

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  // With --benchmark_display_aggregates_only only the aggregates arrive here; the
  // "median" aggregate then stands for the repetitions.
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      Entry& entry = entries_[run.run_name.function_name];
      if (median) {
        entry.hasMedian = true;
        entry.real.clear();
        entry.cpu.clear();
      }
      if (median || !entry.hasMedian) {
        entry.real.push_back(run.GetAdjustedRealTime());
        entry.cpu.push_back(run.GetAdjustedCPUTime());
        for (const auto& [name, counter] : run.counters) entry.counters[name] = counter.value;
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[512];
    out << "\nSummary (medians, microseconds; ratio = load / reference)\n";
    std::snprintf(line, sizeof line, "%-8s %6s %7s %8s %10s | %10s %6s | %10s %6s %6s | %10s %6s | %9s %9s %9s\n",
                  "variant", "files", "folders", "KiB", "load", "read", "ratio", "read+list", "ratio", "cpu", "read tree",
                  "ratio", "peak KiB", "kept KiB", "maxrss");
    out << line;
    for (const std::string variant : kVariants) {
      const Entry* load = Find("Load/" + variant);
      const Entry* read = Find("ReadTouched/" + variant);
      const Entry* both = Find("ReadAndList/" + variant);
      const Entry* tree = Find("ReadTree/" + variant);
      if (load == nullptr || read == nullptr || both == nullptr) continue;
      const double ratio = Median(load->real) / Median(both->real);
      std::snprintf(line, sizeof line,
                    "%-8s %6.0f %7.0f %8.1f %10.1f | %10.1f %6.2f | %10.1f %6.2f %6.2f | %10.1f %6.2f | %9.1f %9.1f "
                    "%9.0f\n",
                    variant.c_str(), read->counters.at("files"), both->counters.at("folders"),
                    read->counters.at("bytes") / 1024, Median(load->real), Median(read->real),
                    Median(load->real) / Median(read->real), Median(both->real), ratio,
                    Median(load->cpu) / Median(both->cpu), tree ? Median(tree->real) : 0.0,
                    tree ? Median(load->real) / Median(tree->real) : 0.0, load->counters.at("peak_heap_KiB"),
                    load->counters.at("retained_KiB"), load->counters.at("maxrss_KiB"));
      out << line;
    }
    out << "read: the files the load reads; read+list: those files and the folders it lists (cpu: the same ratio of\n"
           "CPU time); read tree: every file below the flavours' folders.\n";
  }

 private:
  struct Entry {
    bool hasMedian = false;
    std::vector<double> real, cpu;
    std::map<std::string, double> counters;
  };
  const Entry* Find(const std::string& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() || it->second.real.empty() ? nullptr : &it->second;
  }
  static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }
  std::map<std::string, Entry> entries_;
};

}  // namespace

int main(int argc, char** argv) {
  std::string rootArg, loadOnce;
  bool keep = false;
  // Our own flags; the rest go to the benchmark library.
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--root=", 0) == 0) {
      rootArg = arg.substr(7);
    } else if (arg == "--keep") {
      keep = true;
    } else if (arg.rfind("--load-once=", 0) == 0) {
      loadOnce = arg.substr(12);
      if (loadOnce != "list" && loadOnce != "rebuild") Fail("--load-once takes list or rebuild");
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  fs::path root;
  if (rootArg.empty()) {
    std::string pattern = (fs::temp_directory_path() / "rvc-catalogue-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot create a temporary folder");
    root = pattern;
  } else {
    root = fs::absolute(rootArg).lexically_normal();
    if (fs::exists(root) && !fs::is_empty(root)) Fail(root.string() + " is not empty");
    fs::create_directories(root);
  }
  // Configured paths expand into at most 260 characters.
  if (root.string().size() > 150) Fail(root.string() + " is too long");
  Installation& installation = Current();
  installation.root = root;
  struct Cleanup {
    fs::path root;
    bool keep;
    ~Cleanup() {
      std::error_code ignored;
      if (!keep) fs::remove_all(root, ignored);
    }
  } cleanup{root, keep};

  Generate(RVC_SAMPLE_DIR, root);
  const auto [fileCount, allocated] = Footprint(root);
  for (const std::string variant : kVariants) {
    installation.touched[variant] = TouchedFiles(root, variant);
    installation.folders[variant] = TouchedFolders(root, variant);
    installation.tree[variant] = TreeFiles(root, variant);
  }

  if (!loadOnce.empty()) {
    rvc::ui::HeadlessUserInterface ui;
    rvc::ui::ScopedUserInterface scoped(ui);
    const long rssBefore = MaxRssKiB();
    rvc::frame::FlavourList flavours;
    const size_t before = rvc::bench::MarkHeapPeak();
    if (!Load(loadOnce, flavours)) Fail("no flavour loaded");
    std::printf("%s: maxrss_before_KiB %ld maxrss_after_KiB %ld peak_heap_KiB %.1f retained_KiB %.1f\n",
                loadOnce.c_str(), rssBefore, MaxRssKiB(), static_cast<double>(rvc::bench::HeapPeak() - before) / 1024,
                static_cast<double>(rvc::bench::HeapInUse() - before) / 1024);
    return 0;
  }

  for (const std::string variant : kVariants) Verify(variant);
  std::printf("installation in %s: %zu files, %.1f MB allocated; %d flavours x %d dispatchers per variant%s\n",
              root.c_str(), fileCount, static_cast<double>(allocated) / 1e6, kFlavours, kDispatchers,
              keep ? " (kept)" : "");
  for (const std::string variant : kVariants) {
    std::printf("%s: the load reads %zu files and lists %zu folders; %zu files below the flavours' folders\n",
                variant.c_str(), installation.touched[variant].size(), installation.folders[variant].size(),
                installation.tree[variant].size());
  }
  std::fflush(stdout);

  // Each variant's load and reads run one after the other, on the same warm page cache.
  for (const std::string variant : kVariants) {
    benchmark::RegisterBenchmark(("Load/" + variant).c_str(), BM_Load, variant)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("ReadTouched/" + variant).c_str(), BM_Read, &installation.touched[variant])
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("ReadAndList/" + variant).c_str(), BM_ReadAndList, variant)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("ReadTree/" + variant).c_str(), BM_Read, &installation.tree[variant])
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
