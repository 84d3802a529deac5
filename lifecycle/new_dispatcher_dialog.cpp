#include "lifecycle/new_dispatcher_dialog.h"

#include <array>
#include <filesystem>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/path.h"
#include "store/confinement.h"

namespace rvc::lifecycle {
namespace {

void Tell(const std::string& text) {
  ui::ShowMessage(text, frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

CNewDispatcherDialog::CNewDispatcherDialog(const store::CTemplateList& templates,
                                           const store::CDispatcherList& dispatchers, bool retypeMode)
    : templates_(templates), dispatchers_(dispatchers), retypeMode_(retypeMode) {}

ui::DialogResult CNewDispatcherDialog::Run() {
  OnInitDialog();
  return ui::Current().RunDialog(*this);
}

void CNewDispatcherDialog::OnInitDialog() {
  DeviceTypes.clear();
  for (int i = 0; i < templates_.GetCount(); ++i) DeviceTypes.push_back(templates_.GetAt(i)->Name);
  DeviceType = 0;

  QueueSetups.assign(1, kFactoryDefault);
  for (int i = 0; i < dispatchers_.GetCount(); ++i) QueueSetups.push_back("Copy " + dispatchers_.GetAt(i).Record.Name);
  QueueSetup = 0;
  QueueSetupListEnabled = queueSetupEnabled;

  CancelEnabled = !retypeMode_;
}

bool CNewDispatcherDialog::OnOk() {
  if (!retypeMode_) {
    if (Name.empty()) {
      Tell(MessageText(msg::kNameMissing));
      SetFocusField(kNameField);
      return false;
    }
    if (Name.find_first_of(kForbiddenNameCharacters) != std::string::npos) {
      Tell(MessageText(msg::kForbiddenCharacters));
      SetFocusField(kNameField);
      return false;
    }
    if (const std::string problem = store::DispatcherNameProblem(Name); !problem.empty()) {
      const std::array<std::string, 1> arguments{"a dispatcher whose name " + problem};
      Tell(MessageText(msg::kCannotCreate, arguments));
      SetFocusField(kNameField);
      return false;
    }
    if (NameIsTaken()) {
      const std::array<std::string, 1> arguments{Name};
      Tell(MessageText(msg::kNameExists, arguments));
      SetFocusField(kNameField);
      return false;
    }
  }
  return true;
}

std::string CNewDispatcherDialog::ChosenType() const {
  if (DeviceType < 0 || DeviceType >= static_cast<int>(DeviceTypes.size())) return {};
  return DeviceTypes[static_cast<size_t>(DeviceType)];
}

bool CNewDispatcherDialog::NameIsTaken() const {
  std::vector<const store::CDispatcherList*> lists = installedDispatchers;
  if (lists.empty()) lists.push_back(&dispatchers_);
  for (const store::CDispatcherList* list : lists) {
    for (int i = 0; i < list->GetCount(); ++i) {
      if (platform::EqualsNoCase(list->GetAt(i).Record.Name, Name)) return true;
    }
  }
  return false;
}

// --- CNewDispatcher ---

bool CNewDispatcher::IsPpdType(const std::string& typeName) {
  return platform::EqualsNoCase(typeName, "_FromPPD") || Contains(typeName, "_FromPPD") ||
         Contains(typeName, "_fromPPD");
}

void CNewDispatcher::OnInitDialog() {
  CNewDispatcherDialog::OnInitDialog();
  // A Tiffmono dispatcher being retyped is most likely a platesetter.
  if (RetypeMode() && platform::EqualsNoCase(templates_.Flavor(), "Tiffmono")) {
    for (int i = static_cast<int>(DeviceTypes.size()) - 1; i >= 0; --i) {
      if (Contains(platform::ToLowerAscii(DeviceTypes[static_cast<size_t>(i)]), "platedriver")) {
        DeviceType = i;
        break;
      }
    }
  }
  OnTypeChanged();
}

void CNewDispatcher::OnTypeChanged() {
  PpdEnabled = IsPpdType(ChosenType());
  if (!PpdEnabled) PpdPath.clear();
}

void CNewDispatcher::OnBrowse() {
  ui::FileOpenRequest request;
  request.title = kBrowseTitle;
  request.startFolder = dispatchers_.DataFolder();
  request.filters = {{"Ppd files", "*.PPD"}};
  std::string path = ui::Current().OpenFile(request);
  // The dialog only lets existing files be chosen.
  if (path.empty() || !std::filesystem::is_regular_file(platform::ResolveNoCase(path))) return;
  PpdPath = path.substr(0, kMaxPpdPath);
}

bool CNewDispatcher::OnOk() {
  if (!CNewDispatcherDialog::OnOk()) return false;
  if (IsPpdType(ChosenType()) && PpdPath.empty()) {
    Tell(MessageText(msg::kPpdMissing));
    BrowseFocused = true;
    SetFocusField(kBrowseField);
    return false;
  }
  return true;
}

// --- CNewDispatcherVDPMode ---

void CNewDispatcherVDPMode::OnInitDialog() {
  CNewDispatcherDialog::OnInitDialog();
  VdpModes = {"Active", "Disabled"};
  VdpMode = 0;
}

int CNewDispatcherVDPMode::VdpIndex() const {
  return VdpMode >= 0 && VdpMode < static_cast<int>(VdpModes.size()) &&
                 VdpModes[static_cast<size_t>(VdpMode)] == "Active"
             ? 1
             : 0;
}

NewDispatcherKind NewDispatcherKindOf(const std::string& flavor) {
  for (const char* withPpd : {"Tiffmono", "Tiffgray", "P", "Proof", "DCS"}) {
    if (platform::EqualsNoCase(flavor, withPpd)) return NewDispatcherKind::WithPpd;
  }
  if (platform::EqualsNoCase(flavor, "Dedezi")) return NewDispatcherKind::VdpMode;
  return NewDispatcherKind::NoPpd;
}

std::unique_ptr<CNewDispatcherDialog> MakeNewDispatcherDialog(const store::CTemplateList& templates,
                                                              const store::CDispatcherList& dispatchers,
                                                              bool retypeMode) {
  switch (NewDispatcherKindOf(templates.Flavor())) {
    case NewDispatcherKind::WithPpd:
      return std::make_unique<CNewDispatcher>(templates, dispatchers, retypeMode);
    case NewDispatcherKind::VdpMode:
      return std::make_unique<CNewDispatcherVDPMode>(templates, dispatchers, retypeMode);
    case NewDispatcherKind::NoPpd:
      break;
  }
  return std::make_unique<CNewDispatcherNoPPD>(templates, dispatchers, retypeMode);
}

}  // namespace rvc::lifecycle
