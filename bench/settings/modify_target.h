// The dispatcher both settings drivers open: the installation of RAVLIN_ENVIRONMENT_FILE
// loaded as the program loads it (without a person to answer), and one dispatcher of it
// found by name.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/flavour_catalogue.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ui/headless/headless_ui.h"

namespace rvc::bench {

inline double NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Prints the goal line of the benchmark convention from per-round timings taken in
// alternation: the medians, their ratio and the min-max of the per-round ratios.
inline void PrintGoal(const std::string& goal, const std::vector<double>& ours, const std::vector<double>& reference,
                      double limit) {
  std::vector<double> ratios;
  for (size_t i = 0; i < ours.size() && i < reference.size(); ++i) ratios.push_back(ours[i] / reference[i]);
  const double a = Median(ours), b = Median(reference), ratio = a / b;
  std::printf("GOAL|%s|%.3f|%.3f|ms|%.2f|%.2f-%.2f|%.1f|%s\n", goal.c_str(), a, b, ratio,
              *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()), limit,
              ratio <= limit ? "met" : "MISSED");
}

struct ModifyTarget {
  // Messages would be answered without a person; none is expected.
  ui::HeadlessUserInterface ui;
  ui::ScopedUserInterface scopedUi{ui};
  frame::FlavourList flavours;
  frame::CFlavour* flavour = nullptr;
  int row = -1;
};

// Loads the catalogue and finds dispatcher `name`; ends the program when it cannot.
inline void FindTarget(ModifyTarget& target, const std::string& name) {
  platform::KW_EnvironmentSetupEx();
  frame::CatalogueOptions options;
  options.interactive = false;
  if (!frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), "", options, target.flavours)) {
    std::fprintf(stderr, "the installation's catalogue did not load\n");
    std::exit(1);
  }
  for (auto& flavour : target.flavours) {
    const store::CDispatcherList& list = *flavour->DispatcherList;
    for (int i = 0; i < list.GetCount(); ++i) {
      if (list.GetAt(i).Record.Name != name) continue;
      target.flavour = flavour.get();
      target.row = i;
      return;
    }
  }
  std::fprintf(stderr, "no dispatcher named %s\n", name.c_str());
  std::exit(1);
}

}  // namespace rvc::bench
