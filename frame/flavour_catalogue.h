// The flavour catalogue "rvc.dat" / "rvc_<version>.dat" in the folder of
// KW_DATA_RAVLINCONFIG: one topic per flavour (the topic "_internal_" holds the user's
// preferences and is no flavour) with the items "name", "Version", "progdir" and
// "datadir".
//
// The program and the data folder of a flavour are found through their list files
// ("rvc*.cfg"). Where a folder holds none, its list is rebuilt from the files on disk;
// when the folder holds no "*.ini" file either (in it or below it), the user is asked
// for the folder. Loading never writes a list file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/flavour.h"

namespace rvc::frame {

struct CatalogueOptions {
  // Interactive runs tell the user when the catalogue holds no flavour.
  bool interactive = true;
  // Job modes may name the folders on the command line instead of "progdir" and "datadir".
  std::optional<std::string> programFolder;
  std::optional<std::string> dataFolder;
  // Where a flavour that cannot be loaded is recorded (and traced) while the others load;
  // nullptr lets its failure through.
  std::vector<BrokenFlavour>* brokenFlavours = nullptr;
};

// The catalogue file: the folder of KW_DATA_RAVLINCONFIG + `catalogueFileName`.
std::string CataloguePath(const std::string& catalogueFileName);

// Replaces `flavours` with the flavours of the catalogue at `path` whose key equals
// `filter` ignoring case (every flavour when `filter` is empty). True when at least one
// was loaded. Raises 109 when the catalogue cannot be opened; the failures of the
// flavours' lists (123 for a flavour without dispatchers) go to options.brokenFlavours,
// or through when it is not given.
bool LoadFlavourCatalogue(const std::string& path, const std::string& filter, const CatalogueOptions& options,
                          FlavourList& flavours);

// What the load of the catalogue left out, one line each ("" when nothing): the broken
// flavours and the broken dispatchers of the loaded ones, with their reasons.
std::string LoadProblems(const FlavourList& flavours, const std::vector<BrokenFlavour>& brokenFlavours);

struct ListFileChoice {
  std::string file;
  bool rebuild = false;
};

// The list file of a flavour folder. `value` is the configured folder or a file in it (a
// file's name is searched for instead of "rvc*.cfg"); the folder and then its subfolders
// are searched. Without a list file the folder is kept when "*.ini" files are in or below
// it, else the user chooses one in a folder dialog titled `browseTitle` + `titleEnd` (put
// together only then); the list is then rebuilt into folder + `rebuiltName`. A configured
// folder that is not absolute counts as missing; a dialog that is cancelled or gives no
// absolute folder raises 123: the working directory is never searched.
ListFileChoice FindListFile(std::string_view value, std::string_view browseTitle, const std::string& rebuiltName,
                            std::string_view titleEnd = {});

// Inserts `flavour` in the order of DisplayName (case-sensitive). A flavour whose name
// equals names already listed goes after them, so flavours of equal names keep the order
// of the catalogue.
void InsertByDisplayName(FlavourList& flavours, std::unique_ptr<CFlavour> flavour);

}  // namespace rvc::frame
