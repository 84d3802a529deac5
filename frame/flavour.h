// One installed flavour: its names, its device types (from the program folder) and its
// dispatchers (from the data folder).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/dispatcher_list.h"
#include "store/template_list.h"

namespace rvc::frame {

class CFlavour {
 public:
  // Builds the TemplateList from `programListFile` and then the DispatcherList from
  // `dataListFile`; each is rebuilt from the files on disk when its flag is set. Raises
  // CRvcException 123 when the flavour has no dispatcher (the reasons of those that could
  // not be loaded follow, one a line).
  CFlavour(std::string key, std::string displayName, std::string version, std::string programListFile,
           bool rebuildTypes, std::string dataListFile, bool rebuildDispatchers);
  ~CFlavour();
  CFlavour(const CFlavour&) = delete;
  CFlavour& operator=(const CFlavour&) = delete;

  std::string DisplayName;  // catalogue item "name"
  std::unique_ptr<store::CDispatcherList> DispatcherList;
  std::unique_ptr<store::CTemplateList> TemplateList;
  std::string Key;      // the flavour's topic in the catalogue; compared ignoring case
  std::string Version;  // catalogue item "Version"; "V52" when empty

  // Reads the dispatcher list again, from the list file or rebuilt from the disk as at the
  // start: another program may have changed the dispatchers since (every change saves
  // the list file of a flavour that has one). The old list stays when the new one fails
  // (which raises).
  void ReloadDispatchers();

 private:
  std::string dataListFile_;
  bool rebuildDispatchers_ = false;
};

// The application's flavours, sorted by DisplayName (case-sensitive).
using FlavourList = std::vector<std::unique_ptr<CFlavour>>;

// A flavour of the catalogue that could not be loaded, and why.
struct BrokenFlavour {
  std::string Key;
  std::string DisplayName;
  std::string Reason;  // the message of the failure
};

}  // namespace rvc::frame
