#include "lifecycle/scripted_commands.h"

#include <filesystem>
#include <system_error>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/ppd_generator_adapter.h"
#include "platform/path.h"
#include "ui/forwarding_ui.h"
#include "ppd/create_ppd_for_dispatcher.h"
#include "ripconfig/ravlcfg.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {
namespace {

// Answers the file-open dialog of "Browse..." with one file and passes everything else on
// to the user interface it replaces for its lifetime.
class BrowseAnswer : public ui::CForwardingUserInterface {
 public:
  explicit BrowseAnswer(std::string file)
      : CForwardingUserInterface(ui::Current()), file_(std::move(file)), scope_(*this) {}

  std::string OpenFile(const ui::FileOpenRequest&) override { return file_; }

 private:
  std::string file_;
  ui::ScopedUserInterface scope_;
};

std::string Joined(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += (text.empty() ? "" : ", ") + entry;
  return text;
}

std::string ChooseType(const std::vector<std::string>& types, int& selection, const std::string& type) {
  const int index = FindEntryNoCase(types, type);
  if (index < 0) return "unknown device type " + type + " (device types: " + Joined(types) + ")";
  selection = index;
  return {};
}

// The file dialog offers existing files only.
std::string CheckPpdFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(platform::ResolveNoCase(path), error)) return "no PPD file " + path;
  return {};
}

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

// The configuration of the dispatcher in `dispatcherFolder`; null when it cannot be read.
std::unique_ptr<ripconfig::ConfigurationStore> OpenConfiguration(const std::string& dispatcherFolder) {
  return ripconfig::ConfigurationStore::Open(
      platform::ResolveNoCase(dispatcherFolder + platform::NativePath("\\data\\zv_config.res")));
}

std::string PpdFolderOf(const frame::CFlavour& flavour, const store::DispatcherRecord& record) {
  return platform::ResolveNoCase(flavour.DispatcherList->DataFolder() + record.Folder + platform::kSeparator + "Ppd");
}

}  // namespace

std::optional<bool> GeneratePpd(const frame::CFlavour& flavour, const store::DispatcherRecord& record,
                                std::string* extraLocation) {
  const store::CDispatcherList& list = *flavour.DispatcherList;
  const std::unique_ptr<ripconfig::ConfigurationStore> cfg = OpenConfiguration(list.DataFolder() + record.Folder);
  if (cfg == nullptr) return std::nullopt;
  return ppd::CreatePpdForDispatcher(record, flavour.TemplateList->ProgramFolder(), list.DataFolder(), cfg.get(),
                                     frame::CRvcApp::ProductVersion, frame::CRvcApp::CatalogueFileName, extraLocation);
}

int FindEntryNoCase(const std::vector<std::string>& entries, const std::string& text) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (platform::EqualsNoCase(entries[i], text)) return static_cast<int>(i);
  }
  return -1;
}

std::string FillNewDispatcherDialog(CNewDispatcherDialog& dialog, const NewDispatcherChoices& choices) {
  if (choices.name) dialog.Name = *choices.name;

  if (std::string problem = ChooseType(dialog.DeviceTypes, dialog.DeviceType, choices.type); !problem.empty()) {
    return problem;
  }
  auto* withPpd = dynamic_cast<CNewDispatcher*>(&dialog);
  if (withPpd != nullptr) withPpd->OnTypeChanged();

  if (choices.copyQueuesFrom) {
    if (!dialog.QueueSetupListEnabled) return "the initial queue setup cannot be chosen here";
    const int index = FindEntryNoCase(dialog.QueueSetups, "Copy " + *choices.copyQueuesFrom);
    if (index < 1) return "no dispatcher " + *choices.copyQueuesFrom + " in this flavour to copy the queues from";
    dialog.QueueSetup = index;
  }

  if (choices.ppd) {
    if (withPpd == nullptr) return "the dispatchers of this flavour are not made from a PPD";
    if (!withPpd->PpdEnabled) return "device type " + withPpd->ChosenType() + " is not made from a PPD";
    if (std::string problem = CheckPpdFile(*choices.ppd); !problem.empty()) return problem;
    BrowseAnswer answer(*choices.ppd);
    withPpd->OnBrowse();
  }

  if (choices.vdpActive) {
    auto* vdp = dynamic_cast<CNewDispatcherVDPMode*>(&dialog);
    if (vdp == nullptr) return "the dispatchers of this flavour have no variable data printing mode";
    const int index = FindEntryNoCase(vdp->VdpModes, *choices.vdpActive ? "Active" : "Disabled");
    if (index < 0) return "the variable data printing mode cannot be chosen here";
    vdp->VdpMode = index;
  }
  return {};
}

std::string FillChangeDevTypeDialog(CChangeDevType& dialog, const ChangeTypeChoices& choices) {
  if (std::string problem = ChooseType(dialog.DeviceTypes, dialog.DeviceType, choices.type); !problem.empty()) {
    return problem;
  }
  dialog.OnTypeChanged();
  if (choices.ppd) {
    if (!dialog.PpdEnabled) return "device type " + dialog.ChosenType() + " is not made from a PPD";
    if (std::string problem = CheckPpdFile(*choices.ppd); !problem.empty()) return problem;
    BrowseAnswer answer(*choices.ppd);
    dialog.OnBrowse();
  }
  return {};
}

CommandContext MakeCommandContext(frame::FlavourList& flavours, int flavourIndex, int row,
                                  const std::string& preferredFlavour) {
  frame::CFlavour& flavour = *flavours.at(static_cast<size_t>(flavourIndex));
  CommandContext context;
  context.Dispatchers = flavour.DispatcherList.get();
  context.Templates = flavour.TemplateList.get();
  context.Label = flavour.Version;
  for (const auto& installed : flavours) context.InstalledDispatchers.push_back(installed->DispatcherList.get());
  context.PreferredFlavour = preferredFlavour;
  context.ProductVersion = frame::CRvcApp::ProductVersion;
  context.CurrentIndex = row;
  return context;
}

std::unique_ptr<IPpdGenerator> MakePpdGenerator(const frame::CFlavour& flavour) {
  return std::make_unique<CPpdGeneratorAdapter>(flavour.TemplateList->ProgramFolder());
}

bool CreatePpdCommand(frame::CFlavour& flavour, int row) {
  const store::CDispatcherList& list = *flavour.DispatcherList;
  if (row < 0 || row >= list.GetCount()) return false;
  const store::DispatcherRecord record = list.GetAt(row).Record;
  try {
    std::string extraLocation;
    const std::optional<bool> made = GeneratePpd(flavour, record, &extraLocation);
    if (!made) {
      ui::ShowMessage(MessageText(msg::kResourceFilesError), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
      return false;
    }
    if (!*made) {
      Trace("Ppd files could not be created");
      return false;
    }
    std::string text = "PPD file has been created for selected dispatcher: " + record.Name +
                       "\nand stored under: " + PpdFolderOf(flavour, record);
    if (!extraLocation.empty()) text += "\nAnd a copy is available at: " + extraLocation;
    ui::ShowMessage(text, frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Information);
    return true;
  } catch (const CRvcException& error) {
    error.Report();
    return false;
  }
}

int CreateAllPpdsCommand(frame::FlavourList& flavours) {
  int failures = 0;
  for (const auto& flavour : flavours) {
    if (platform::EqualsNoCase(flavour->DisplayName, "B")) continue;
    const store::CDispatcherList& list = *flavour->DispatcherList;
    for (int row = 0; row < list.GetCount(); ++row) {
      const store::DispatcherRecord record = list.GetAt(row).Record;
      std::optional<bool> made;
      try {
        made = GeneratePpd(*flavour, record, nullptr);
        if (!made) {
          ui::ShowMessage(MessageText(msg::kResourceFilesError), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
          Trace("Ppd files couldn't be created for:" + record.Name);
          ++failures;
          continue;
        }
      } catch (const CRvcException& error) {
        error.Report();
        made = false;
      }
      if (*made) {
        Trace("PPD file has been created for dispatcher :" + record.Name +
              "\nAnd stored under :" + PpdFolderOf(*flavour, record));
      } else {
        Trace("Ppd files couldn't be created for:" + record.Name);
        ui::ShowMessage("PPD file could not be created for dispatcher :" + record.Name +
                            "\nPlease check the trace of RavlinConfigurator for the reason.",
                        frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
        ++failures;
      }
    }
  }
  ui::ShowMessage("PPD files have been created for all the dispatchers of installed Ravlin flavours.",
                  frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Information);
  return failures;
}

}  // namespace rvc::lifecycle
