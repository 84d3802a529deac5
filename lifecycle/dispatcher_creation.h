// Creation of a dispatcher from an existing one (the New command, the change of device
// type and the re-creation during a restore).
//
// The source's folder is copied, the device-type files are replaced by the templates of
// the new type, the ini file, swap files and queues are adapted to the new name, folder
// and port separator, the two shortcuts are made and the dispatcher is added to the list.
// A failure while building (copy to registration) is reported and undone completely: the
// data folder, the shortcut folders and the list are left as they were. See
// docs/dispatcher-creation.md.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lifecycle/ppd_options.h"
#include "store/dispatcher_list.h"
#include "store/template_list.h"

namespace rvc::ripconfig {
class ConfigurationStore;
}

namespace rvc::lifecycle {

class CCreationJournal;
class CIntentJournal;

// PPD generation for a new dispatcher, with the configuration open. Behind an interface so
// that creation does not depend on how (or whether) the PPD driver is linked in.
class IPpdGenerator {
 public:
  virtual ~IPpdGenerator() = default;
  // False when the PPD could not be made (traced by the caller, not reported).
  virtual bool Generate(const store::CDispatcher& target, ripconfig::ConfigurationStore& cfg,
                        const std::string& dataFolder) = 0;
};

// The steps that build a new dispatcher, in their order. Built is reached when every other
// step is done.
enum class CreationStep {
  CopySourceFolder,
  EmptyWorkFolders,
  SwapFileTemplates,
  RemoveHistory,
  SourceIniDifference,
  TypeIni,
  FidFile,
  ConfigurationFile,
  MediaFile,
  RecorderFile,
  NamesFile,
  SwapFileNames,
  RenameIni,
  IniFlavour,
  IniDispatcherName,
  CommandPort,
  VdpMode,
  DropQueues,
  AdaptQueues,
  DesktopShortcut,
  ProgramsShortcut,
  Register,
  Built,
};
inline constexpr CreationStep kCreationSteps[] = {
    CreationStep::CopySourceFolder,
    CreationStep::EmptyWorkFolders,
    CreationStep::SwapFileTemplates,
    CreationStep::RemoveHistory,
    CreationStep::SourceIniDifference,
    CreationStep::TypeIni,
    CreationStep::FidFile,
    CreationStep::ConfigurationFile,
    CreationStep::MediaFile,
    CreationStep::RecorderFile,
    CreationStep::NamesFile,
    CreationStep::SwapFileNames,
    CreationStep::RenameIni,
    CreationStep::IniFlavour,
    CreationStep::IniDispatcherName,
    CreationStep::CommandPort,
    CreationStep::VdpMode,
    CreationStep::DropQueues,
    CreationStep::AdaptQueues,
    CreationStep::DesktopShortcut,
    CreationStep::ProgramsShortcut,
    CreationStep::Register,
    CreationStep::Built,
};

struct CreateDispatcherInputs {
  const store::CDispatcher* source = nullptr;  // its folder is copied
  // The new dispatcher: Name, Type, Folder, Base (-1 = none) and CommandPort filled in.
  // Name and Folder are normalised (blanks to "_") in place.
  store::CDispatcher* target = nullptr;
  int vdpMode = 0;                       // Dedezi: 0 "STATIC", 1 "VDP"
  bool dropQueueSetup = false;           // start without the source's queues and operator presets
  std::string ppdPath;                   // PPD chosen by the operator, or empty
  std::optional<PpdOptions> ppdOptions;  // that PPD as parsed; used only with a ppdPath
  bool skipChecks = false;               // skip the port separator and name-uniqueness checks
  bool announce = true;                  // show the final information message
  bool appendToList = true;              // else inserted right after the first entry
  bool renumberHotFolders = false;       // passed on to AdaptQueueSetup
  // Files of the source's folder left out of its copy (relative path, "data/x/y.job"): a
  // restore spares what its data copy replaces at once. Not for files the creation adapts.
  std::function<bool(const std::string& relative)> leaveOutOfCopy;
  // The flavour's list file is saved once the dispatcher is in the list (undone with the
  // rest). A change of type saves it itself, once the old dispatcher has left the list.
  bool saveListFile = true;

  // What creation needs of the flavour.
  store::CDispatcherList* dispatchers = nullptr;
  const store::CTemplateList* templates = nullptr;
  std::string label;  // the flavour's version label, as in the shortcut names

  // Null: no PPD is generated (traced as a failure).
  IPpdGenerator* ppdGenerator = nullptr;

  // The durable journal of the operation that creates the dispatcher; null: the creation
  // journals itself as a "create" and finishes the journal when it is over. The creation
  // notes its undo entries into it and finishes it when a failure was rolled back.
  CIntentJournal* intent = nullptr;
  // With `intent`: a failed creation rolls back its own changes and leaves `intent` open,
  // its entries in place, for the caller's larger operation (else it finishes it).
  bool keepIntentOpen = false;
  // The number in "Cannot create icon (n)!" for the desktop launcher; the program-menu
  // launcher's is the next one (a re-creation by the restore says 5 and 6).
  int iconFailureNumber = 7;

  // Test hook: called at the start of each building step; an exception thrown from it is
  // treated as a failure of that step.
  std::function<void(CreationStep step)> stepHook;
};

// Journaled: a killed creation is rolled back by the recovery (lifecycle/recovery.h).
// True when the dispatcher was created (it is then in the list, even when the PPD part
// failed afterwards); false when a check or a building step failed, which was reported and
// left everything as before.
bool CreateDispatcher(CreateDispatcherInputs& inputs);

// Writes the PPD's media size and resolutions into the open configuration: 1 when applied,
// -1 when `cfg` or `options` is missing. Failures raise CRvcException 106.
int ApplyPpdOptions(ripconfig::ConfigurationStore* cfg, const PpdOptions* options);

// Adapts the queues of a new dispatcher's "servers.ini" to its name, folder and port
// separator and creates its hot folders (after expanding their environment references;
// a folder that does not expand to an absolute path is not created). Hot folders created
// are noted in `journal` when one is given.
void AdaptQueueSetup(const std::string& serversIni, const store::CDispatcher& source, const store::CDispatcher& target,
                     bool renumberHotFolders, CCreationJournal* journal = nullptr);

// The hot folders of the queues in "servers.ini", expanded; those that do not expand to
// an absolute path are left out.
std::vector<std::string> HotFolders(const std::string& serversIni);

}  // namespace rvc::lifecycle
