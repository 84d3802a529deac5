// The records of a dispatcher's RIP configuration as the configuration library hands them
// out. Callers read them and fill or change them in place; the library stores whatever
// they hold when it writes. Sizes are in mil (thousandths of an inch), resolutions in dpi.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace rvc::ripconfig {

// The lists of the configuration at a glance, refreshed by SetLists() (ravlcfg_set_lists).
struct BaseRecord {
  std::string usedConf;   // the configuration in use
  std::string confNames;  // configuration names joined by single blanks
  int nrConfs = 0;
  std::string filmNames;  // media names joined by commas
  int nrFilms = 0;
  std::string setNames;  // resolution set names joined by commas
  int nrSets = 0;
  std::string origin;  // where the configuration came from, e.g. "FROM_PPD_<ppd name>"

  bool operator==(const BaseRecord&) const = default;
};

// The output device's limits.
struct RecorderRecord {
  double maxWidth = 0;   // horizontal
  double maxHeight = 0;  // vertical
  double pixelClock = 0;
  double perimeter = 0;  // drum perimeter; 0 for a flatbed device

  bool operator==(const RecorderRecord&) const = default;
};

// A film or plate.
struct FilmRecord {
  std::string name;
  double verticalSize = 0;    // the media height
  double horizontalSize = 0;  // the media width
  int polarity = 1;           // 0 negative, 1 positive
  std::string sizeText;       // e.g. 11.0" x 8.5"
  int flag = 0;
  std::string curve;  // platemaking dot gain curve; empty for none

  bool operator==(const FilmRecord&) const = default;
};

// One resolution of a set. When gamma is not used the set's calibration applies.
struct ResolutionEntry {
  std::string set;  // name of the set holding the entry
  double dpi = 0;
  int enabled = 1;
  double gamma = 0;
  bool useGamma = false;
  // Two lower and two upper calibration points.
  std::array<double, 4> calibration{0.0, 0.0, 1000.0, 1000.0};

  bool operator==(const ResolutionEntry&) const = default;
};

// A named list of resolutions. Entries are held by pointer so that an entry handed out
// stays where it is while others are added or deleted.
struct ResolutionSet {
  std::string name;
  std::vector<std::unique_ptr<ResolutionEntry>> entries;

  int Count() const { return static_cast<int>(entries.size()); }
  ResolutionEntry* Entry(int index) const { return entries.at(index).get(); }
  // The entry with that resolution, or nullptr.
  ResolutionEntry* Find(double dpi) const;
};

// Two resolutions closer than this are the same resolution.
bool SameResolution(double a, double b);

// A RIP configuration: which media and resolution set the RIP uses and where its output
// goes. The media-dependent values are the RIP's copy of the film's; a new configuration
// takes them from its film (TakeMediaValues).
struct ConfigRecord {
  std::string name;
  std::string film;
  std::string set;
  std::string output;  // output folder; may be empty
  double verticalSize = 0;
  double horizontalSize = 0;
  int polarity = 1;
  std::string curve;

  void TakeMediaValues(const FilmRecord& film);

  bool operator==(const ConfigRecord&) const = default;
};

// A name that the resource files reserve (names the RIP keeps for its own records):
// configurations, media and resolution sets must not take it.
struct NameRecord {
  std::string name;

  bool operator==(const NameRecord&) const = default;
};

}  // namespace rvc::ripconfig
