// The state a backup job saves for the update of the next version, in the temporary
// folder ("%TMP%"): temp + Flavor holds a copy of the flavour's data folder with the
// dispatcher list file "rvc1.cfg", one folder per dispatcher and the difference files of
// their resource files; temp + Flavor + "prog" may hold a copy of the old templates.
//
// The saved state is replaced and removed in single renames, so that a job killed at any
// moment leaves either the old saved state or the new one whole, never a mixture, and an
// update can always be run again on it. See docs/installer-jobs.md.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/rvc_utils.h"

namespace rvc::install {

// One "Config<i>" topic of the saved list; an item that is missing stays empty.
struct SavedDispatcher {
  std::optional<std::string> Name;
  std::optional<std::string> Folder;
  std::optional<std::string> Type;
  std::optional<long> Base;
};

// The saved dispatcher list: "Main"/"NrConfigs" (0 when missing), "Main"/"Install" and
// the topics "Config1" to "Config<NrConfigs>", counted from 1.
struct SavedList {
  std::optional<std::string> Install;
  std::vector<SavedDispatcher> Dispatchers;
};

class CSavedState {
 public:
  // `flavor` names the flavour's template folder; temp is ExpandFolder("%TMP%"). A name
  // that is no plain folder name raises 110.
  explicit CSavedState(std::string flavor);

  const std::string& Temp() const { return temp_; }
  // temp + Flavor, ending with the separator.
  std::string Folder() const;
  // temp + Flavor + "prog", ending with the separator.
  std::string TemplateCopy() const;
  bool HasTemplateCopy() const;
  // The saved list file, or "" when the saved state holds none (not backed up).
  std::string ListFile();

  // Where a backup copies the data folder before it takes the place of Folder().
  std::string StagingFolder() const;
  // Puts the complete copy in StagingFolder() in the place of Folder(). An old saved
  // state that holds a dispatcher ini file goes; one that holds none keeps the files the
  // new copy lacks.
  void ReplaceWithStaging();
  // After an update without failures: removes Folder() when it holds "zv*dispatcher.ini"
  // and TemplateCopy() when it holds "zv*dispatcher*.ini". Errors are ignored.
  void RemoveAfterUpdate();
  // Removes what a killed run left beside the saved state (a staging copy, a folder set
  // aside for removal).
  void RemoveLeftovers();

 private:
  bool Holds(const std::string& folder, const std::string& pattern);
  void SetAsideAndRemove(const std::string& folder);

  std::string flavor_;
  std::string temp_;
  store::CRvcUtils utils_;
};

// Reads the saved list file (109 when it cannot be opened).
SavedList ReadSavedList(const std::string& listFile);

}  // namespace rvc::install
