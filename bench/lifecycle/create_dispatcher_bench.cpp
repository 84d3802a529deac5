// Driver of bench/lifecycle/run.sh.
//
//   create_dispatcher_bench generate FOLDER MB    writes MB megabytes of incompressible
//                                                 files below FOLDER: of every five files
//                                                 four of 200 KB and one of 40 KB
//   create_dispatcher_bench create KEY FOLDER     creates a dispatcher of flavour KEY in
//                                                 FOLDER from its first dispatcher, with
//                                                 that dispatcher's queue setup; prints the
//                                                 time CreateDispatcher took
//
// The installation is found through the environment (RAVLIN_ENVIRONMENT_FILE).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <map>
#include <vector>

#include "frame/flavour_catalogue.h"
#include "lifecycle/dispatcher_creation.h"
#include "platform/environment.h"
#include "ui/headless/headless_ui.h"

namespace {

int Generate(const std::string& folder, long megabytes) {
  const long total = megabytes * 1024 * 1024;
  const long large = 200 * 1024, small = 40 * 1024;
  std::mt19937_64 random(42);
  std::vector<char> bytes(static_cast<size_t>(large));
  long written = 0;
  for (int n = 0; written < total; ++n) {
    const long size = std::min(total - written, (n % 5 == 4) ? small : large);
    const std::string sub = folder + "/jobs" + std::to_string(n / 500);
    std::filesystem::create_directories(sub);
    for (auto& b : bytes) b = static_cast<char>(random());
    std::ofstream out(sub + "/job" + std::to_string(n) + ".dat", std::ios::binary);
    out.write(bytes.data(), size);
    if (!out) return 1;
    written += size;
  }
  return 0;
}

int Create(const std::string& key, const std::string& folder) {
  rvc::platform::KW_EnvironmentSetupEx();
  rvc::ui::HeadlessUserInterface ui;
  rvc::ui::ScopedUserInterface scoped(ui);
  rvc::frame::FlavourList flavours;
  rvc::frame::CatalogueOptions options;
  options.interactive = false;
  if (!rvc::frame::LoadFlavourCatalogue(rvc::frame::CataloguePath("rvc.dat"), key, options, flavours)) return 1;
  rvc::frame::CFlavour& flavour = *flavours.front();
  rvc::store::CDispatcherList& list = *flavour.DispatcherList;
  const rvc::store::CDispatcher& source = list.GetAt(0);
  rvc::store::CDispatcher target(source);
  target.Record.Name = "Bench";
  target.Record.Folder = folder;
  target.Record.Base = list.LowestFreeSeparator();
  target.Record.CommandPort =
      target.Record.CommandPort / 1000 * 1000 + target.Record.Base * 100 + target.Record.CommandPort % 100;

  rvc::lifecycle::CreateDispatcherInputs in;
  in.source = &source;
  in.target = &target;
  in.dispatchers = &list;
  in.templates = flavour.TemplateList.get();
  in.label = flavour.Version;
  in.announce = false;
  in.renumberHotFolders = true;
  // The start of each step, to tell the copy of the source folder from the rest.
  using Clock = std::chrono::steady_clock;
  std::map<rvc::lifecycle::CreationStep, Clock::time_point> steps;
  in.stepHook = [&steps](rvc::lifecycle::CreationStep step) { steps[step] = Clock::now(); };
  const auto start = Clock::now();
  const bool created = rvc::lifecycle::CreateDispatcher(in);
  const auto end = Clock::now();
  auto ms = [](Clock::duration d) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
  };
  // Total, checks, the copy of the source folder, the other building steps, PPD part.
  const Clock::time_point copy = steps[rvc::lifecycle::CreationStep::CopySourceFolder];
  const Clock::time_point rest = steps[rvc::lifecycle::CreationStep::EmptyWorkFolders];
  const Clock::time_point built = steps[rvc::lifecycle::CreationStep::Built];
  std::printf("%lld %lld %lld %lld %lld\n", ms(end - start), ms(copy - start), ms(rest - copy), ms(built - rest),
              ms(end - built));
  for (const std::string& text : ui.MessageTexts()) std::fprintf(stderr, "message: %s\n", text.c_str());
  return created ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "generate") return Generate(args[1], std::atol(args[2].c_str()));
  if (args.size() == 3 && args[0] == "create") return Create(args[1], args[2]);
  std::fprintf(stderr, "usage: %s generate FOLDER MB | create KEY FOLDER\n", argv[0]);
  return 2;
}
