// The Modify dialog's model load against reading the bytes of the files it reads.
//
//   settings_model_bench grow CONFIG_PATH CONFIGURATIONS MEDIA SETS
//       adds configurations, media and resolution sets to the RIP configuration
//       CONFIG_PATH ("zv_config.res") until it holds that many of each, as the editors do;
//   settings_model_bench load [--runs N] DISPATCHER
//       times, in alternation and in one process, the opening of the Modify dialog's
//       model for DISPATCHER (the dialog object and OnInitDialog with the built-in General,
//       Setup and Swapfiles pages loaded, the plug-in pages left out: they come with the
//       view) and the reading of every file that opening reads (open, read to the end,
//       close), and prints the convention's goal line.
//
// The installation is RAVLIN_ENVIRONMENT_FILE's; the flavour list is loaded once before
// the rounds, as the main window has it loaded when Modify is clicked. The file list was
// taken with strace -e trace=openat from the model's opening; the driver checks that each
// file exists, so a renamed file cannot make the reference cheaper unnoticed.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "modify_target.h"
#include "ripconfig/ravlcfg.h"
#include "settings/dispatcher_pages.h"
#include "settings/modify_dispatcher.h"

namespace {

using namespace rvc;

int Usage() {
  std::fprintf(stderr,
               "usage: settings_model_bench grow CONFIG_PATH CONFIGURATIONS MEDIA SETS\n"
               "       settings_model_bench load [--runs N] DISPATCHER\n");
  return 2;
}

int Grow(const std::string& path, int configurations, int media, int sets) {
  ripconfig::RavlcfgHandle* handle = ripconfig::ravlcfg_open(path);
  if (handle == nullptr || ripconfig::ravlcfg_gain_writelock(handle, 5) != 1) {
    std::fprintf(stderr, "cannot open %s for writing\n", path.c_str());
    return 1;
  }
  std::string film, set;
  for (int i = ripconfig::ravlcfg_get_nrfilms(handle); i < media; ++i) {
    ripconfig::FilmRecord* added = ripconfig::ravlcfg_add_film(handle);
    film = "Bench media " + std::to_string(i);
    *added = ripconfig::FilmRecord{film, 11000.0 + i, 8500, 1, "11.0\" x 8.5\"", 0, ""};
  }
  for (int i = ripconfig::ravlcfg_get_nrsets(handle); i < sets; ++i) {
    ripconfig::ResolutionSet* added = ripconfig::ravlcfg_get_new_set(handle, 4);
    set = added->name = "bench_set_" + std::to_string(i);
    for (int k = 0; k < added->Count(); ++k) added->entries[k]->dpi = 1200.0 + 600 * k;
  }
  const std::vector<ripconfig::FilmRecord*> films = ripconfig::ravlcfg_get_films(handle);
  const std::vector<ripconfig::ResolutionSet*> allSets = ripconfig::ravlcfg_get_sets(handle);
  for (int i = ripconfig::ravlcfg_get_nrconfs(handle); i < configurations; ++i) {
    ripconfig::ConfigRecord* conf = ripconfig::ravlcfg_get_new_conf(handle);
    const ripconfig::FilmRecord& withFilm = *films[static_cast<size_t>(i) % films.size()];
    conf->name = "Bench_configuration_" + std::to_string(i);
    conf->film = withFilm.name;
    conf->set = allSets[static_cast<size_t>(i) % allSets.size()]->name;
    conf->output = "/out/bench" + std::to_string(i);
    conf->TakeMediaValues(withFilm);
  }
  const bool written = ripconfig::ravlcfg_write(handle) == 1;
  for (const std::string& error : ripconfig::ravlcfg_get_errormessages(handle)) std::fprintf(stderr, "%s\n", error.c_str());
  ripconfig::ravlcfg_release_writelock(handle);
  ripconfig::ravlcfg_close(&handle);
  return written ? 0 : 1;
}

// The files the model's opening reads, below the dispatcher folder: the configuration
// library's resource files (media in "zv_film.res" or "zv_plate.res", by device type),
// the Setup page's ini file and the Swapfiles page's three files.
std::vector<std::string> FilesRead(const std::string& folder, const std::string& name) {
  std::vector<std::string> files;
  for (const char* relative : {"zv_config.res", "zv_recorder.res", "data/zv_names.res", "swap_0.sfd", "swap_1.sfd",
                               "swap_2.sfd"}) {
    files.push_back(folder + "/data/" + relative);
  }
  files.push_back(folder + "/data/zv" + name + "_dispatcher.ini");
  for (const std::string& file : files) {
    if (::access(file.c_str(), R_OK) != 0) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), std::strerror(errno));
      std::exit(1);
    }
  }
  for (const char* media : {"zv_film.res", "zv_plate.res"}) {
    if (::access((folder + "/data/" + media).c_str(), R_OK) == 0) files.push_back(folder + "/data/" + media);
  }
  return files;
}

size_t ReadAll(const std::vector<std::string>& files) {
  static char buffer[1 << 16];
  size_t total = 0;
  for (const std::string& file : files) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::exit(1);
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) total += static_cast<size_t>(got);
    ::close(fd);
  }
  return total;
}

int Load(int runs, const std::string& name) {
  bench::ModifyTarget target;
  bench::FindTarget(target, name);
  const store::CDispatcherList& list = *target.flavour->DispatcherList;
  const store::DispatcherRecord& record = list.GetAt(target.row).Record;
  const std::vector<std::string> files =
      FilesRead(platform::WithTrailingSeparator(list.DataFolder()) + record.Folder, record.Folder);

  std::vector<double> ours, reference;
  size_t bytes = 0;
  int configurations = 0;
  for (int round = -1; round < runs; ++round) {  // round -1 warms the caches
    double start = bench::NowMs();
    bytes = ReadAll(files);
    const double read = bench::NowMs() - start;

    start = bench::NowMs();
    {
      settings::CDispatcher dialog(list, target.row, {&list}, false, settings::BuiltInPageFactory(), {});
      dialog.OnInitDialog();
      const double opened = bench::NowMs() - start;
      if (round >= 0) {
        ours.push_back(opened);
        reference.push_back(read);
      }
      const auto* general = dynamic_cast<const settings::CGeneral*>(dialog.PageOf(settings::PageKind::General));
      configurations = general != nullptr ? static_cast<int>(general->Configurations().size()) : 0;
    }
  }
  std::printf("%s: %zu files, %zu bytes, %d configurations listed; medians over %d rounds: model %.3f ms, reading %.3f ms\n",
              name.c_str(), files.size(), bytes, configurations, runs, bench::Median(ours), bench::Median(reference));
  bench::PrintGoal("Modify model load vs reading its files", ours, reference, 2.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 5 && args[0] == "grow") {
    return Grow(args[1], std::stoi(args[2]), std::stoi(args[3]), std::stoi(args[4]));
  }
  if (!args.empty() && args[0] == "load") {
    int runs = 20;
    size_t at = 1;
    if (args.size() > 2 && args[1] == "--runs") {
      runs = std::stoi(args[2]);
      at = 3;
    }
    if (args.size() == at + 1 && runs > 0) return Load(runs, args[at]);
  }
  return Usage();
}
