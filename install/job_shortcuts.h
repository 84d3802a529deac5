// The shortcuts of the installer's jobs: the ".bak" copies of the original dispatcher's
// launchers that survive a re-installation, their use when the flavour is removed, and
// the launchers of migrated dispatchers.
//
// The copies lie in the flavour's data folder: the launcher's name part + "Desktop.bak"
// (desktop) or + "StartProgram.bak" (program menu), e.g. "Mono 10.1 dispatcherDesktop.bak";
// the dispatcher they belong to is the name part up to its first blank.
#pragma once

#include <string>

#include "store/shortcuts.h"

namespace rvc::install {

class CJobShortcuts {
 public:
  // `label` is the flavour's version label, `dataFolder` and `programFolder` end with the
  // separator.
  CJobShortcuts(std::string label, std::string dataFolder, std::string programFolder);

  static const char* CopySuffix(bool desktop) { return desktop ? "Desktop.bak" : "StartProgram.bak"; }
  // The newest copy of that kind in the data folder, or "".
  std::string FindCopy(bool desktop);
  // The dispatcher name a copy belongs to.
  static std::string CopyOwner(const std::string& copy);

  // Keeps a copy of the launcher that starts from the program folder unless a copy
  // exists already; false when there was nothing to copy.
  bool KeepCopy(bool desktop);
  // Makes the dispatcher's launcher from the kept copy; false without a copy.
  bool RestoreFromCopy(const std::string& folder, const std::string& name, bool desktop);
  void Remove(const std::string& name, bool desktop);
  void Remove(const std::string& name);
  // The launchers of the program folder itself (no dispatcher named) go.
  void RemoveProgramFolderShortcuts();
  // Makes the launcher of a migrated dispatcher from its own previous one, else from that
  // of each model in turn ("" models are skipped); false when every attempt failed.
  bool Migrate(const std::string& folder, const std::string& name, const std::string& firstModel,
               const std::string& secondModel, bool desktop);

 private:
  std::string label_;
  std::string dataFolder_;
  std::string programFolder_;
  store::CShortcuts shortcuts_;
  store::CRvcUtils utils_;
};

}  // namespace rvc::install
