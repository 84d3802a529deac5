// The lifecycle dialogs filled from given choices rather than by a person's clicks, and the
// command context a main window over the installed flavours hands the commands. Front ends
// without a display (ravlinctl) run the very dialog models and commands of the main window
// through these: the choices go where the operator's input would go, and the models' own
// OK checks then judge them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/flavour.h"
#include "lifecycle/change_type.h"
#include "lifecycle/new_dispatcher.h"
#include "lifecycle/new_dispatcher_dialog.h"

namespace rvc::lifecycle {

// The index of the entry equal to `text` ignoring case, else -1.
int FindEntryNoCase(const std::vector<std::string>& entries, const std::string& text);

// What an operator chooses in a "New Dispatcher" dialog.
struct NewDispatcherChoices {
  std::optional<std::string> name;            // none: the proposed name stays
  std::string type;                           // a device type of the flavour (ignoring case)
  std::optional<std::string> copyQueuesFrom;  // "Copy <name>"; none: "Use Factory Default"
  std::optional<std::string> ppd;             // chosen with "Browse..."
  std::optional<bool> vdpActive;              // "Active" or "Disabled"; none: as proposed
};

// Fills `dialog`, set up by OnInitDialog, as the operator would: the name, the device type
// (then the type-change handler runs), the initial queue setup, the PPD through "Browse..."
// and the VDP mode. "" when every choice could be made; otherwise why not (a type or a
// dispatcher that the lists do not hold, a PPD or VDP choice the dialog or the type does
// not offer, a PPD that does not exist). The dialog's OK check is not run here.
std::string FillNewDispatcherDialog(CNewDispatcherDialog& dialog, const NewDispatcherChoices& choices);

// What an operator chooses in the "Change device type" dialog.
struct ChangeTypeChoices {
  std::string type;                // a device type of the flavour (ignoring case)
  std::optional<std::string> ppd;  // chosen with "Browse..."
};

// As FillNewDispatcherDialog, for the "Change device type" dialog after OnInitDialog.
std::string FillChangeDevTypeDialog(CChangeDevType& dialog, const ChangeTypeChoices& choices);

// The context of the commands for the dispatcher at `row` (-1: none) of flavour
// `flavourIndex`, as the main window hands it: every installed flavour's list for the name
// check, the flavour's version label and the product version. The callbacks are left to
// the caller.
CommandContext MakeCommandContext(frame::FlavourList& flavours, int flavourIndex, int row,
                                  const std::string& preferredFlavour = {});

// PPD generation from the File menu: "&Create PPD" and "Create All PPDs".

// PPD generation for the new dispatchers of `flavour` (CreateDispatcher's generator). The
// flavour outlives it.
std::unique_ptr<IPpdGenerator> MakePpdGenerator(const frame::CFlavour& flavour);

// The PPD and INF files of `record`, a dispatcher of `flavour`, made with its configuration
// open and without a message. Nothing when the configuration cannot be opened; false when
// no PPD was made. `extraLocation` (when given) receives where a copy went.
std::optional<bool> GeneratePpd(const frame::CFlavour& flavour, const store::DispatcherRecord& record,
                                std::string* extraLocation);

// "&Create PPD" for the dispatcher at `row` of `flavour`: opens its configuration (158 when
// that fails), generates its PPD and INF file and tells where they are (a failure is
// traced). True when the PPD was made.
bool CreatePpdCommand(frame::CFlavour& flavour, int row);

// "Create All PPDs": every dispatcher of every flavour but "B", each failure told and
// traced, then the closing message. The number of dispatchers whose PPD was not made.
int CreateAllPpdsCommand(frame::FlavourList& flavours);

}  // namespace rvc::lifecycle
