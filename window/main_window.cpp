#include "window/main_window.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/string_table.h"
#include "core/messages.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ppd/create_ppd_for_dispatcher.h"
#include "ripconfig/ravlcfg.h"
#include "store/installation_lock.h"

namespace rvc::window {
namespace {

std::string StringOf(int id, const char* fallback) { return std::string(LoadString(id).value_or(fallback)); }

void Trace(const std::string& text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

}  // namespace

// --- CAboutDlg ---

CAboutDlg::CAboutDlg(std::string preferredFlavour)
    : PreferredFlavour(std::move(preferredFlavour)),
      Product("RavlinConfigurator " + StringOf(msg::kProductVersion, "10.1")),
      Build("Ravlin Configurator " + StringOf(msg::kBuildVersion, "10.1.0") + " Build " + "30"),
      Details("The configuration tool of the Ravlin RIP"),
      ConfigurationFolder(platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or("")),
      TraceFile(CRvcTrace::DefaultTraceFolder() + "trace_rvc.txt") {}

bool CAboutDlg::VelmoraPicture() const { return platform::EqualsNoCase(PreferredFlavour, "Dedezi"); }

// --- CRvcDlg ---

CRvcDlg::CRvcDlg(frame::FlavourList& flavours, int startIndex, const frame::CCommandTable& commands)
    : StartIndex(startIndex), flavours_(flavours), commands_(commands) {
  if (flavours_.empty()) throw std::invalid_argument("the main window needs a flavour");
  currentFlavour_ = std::clamp(startIndex, 0, static_cast<int>(flavours_.size()) - 1);
  Dispatchers = CurrentFlavour().DispatcherList.get();
  Templates = CurrentFlavour().TemplateList.get();
  FlavourLabel = frame::CRvcApp::FlavourLabel();

  auto button = [](Command id, const char* text) { return Button{id, text, true}; };
  auto entry = [](Command id, const char* text, const char* shortcut = "") {
    return MenuEntry{id, text, shortcut, true};
  };
  Buttons = {button(Command::New, "&New..."),
             button(Command::Delete, "&Delete"),
             button(Command::Modify, "&Modify..."),
             button(Command::View, "&View..."),
             button(Command::ChangeType, "Change Type"),
             button(Command::Backup, "&Backup..."),
             button(Command::Close, "&Exit")};
  Menus = {
      {"&File",
       {entry(Command::NewDispatcher, "&New Dispatcher", "Ctrl+N"),
        entry(Command::DispatcherProperties, "Dispatcher Properties"), entry(Command::Restore, "&Restore"),
        entry(Command::CreatePpd, "&Create PPD"), entry(Command::CreateAllPpds, "Create All PPDs"),
        entry(Command::PpdPreferences, "&PPD Preferences..."), entry(Command::Exit, "Exit")}},
      {"&Help", {entry(Command::AboutRavlin, "About Ravlin Configurator"), entry(Command::AboutRvc, "&About Rvc...")}}};
}

Button& CRvcDlg::ButtonOf(Command id) {
  for (Button& button : Buttons) {
    if (button.Id == id) return button;
  }
  throw std::out_of_range("no such button");
}

MenuEntry& CRvcDlg::MenuEntryOf(Command id) {
  for (Menu& menu : Menus) {
    for (MenuEntry& entry : menu.Entries) {
      if (entry.Id == id) return entry;
    }
  }
  throw std::out_of_range("no such menu entry");
}

const Button& CRvcDlg::GetButton(Command id) const { return const_cast<CRvcDlg*>(this)->ButtonOf(id); }

const MenuEntry& CRvcDlg::GetMenuEntry(Command id) const { return const_cast<CRvcDlg*>(this)->MenuEntryOf(id); }

bool CRvcDlg::IsEnabled(Command id) const {
  const bool ownCommand =
      id == Command::Close || id == Command::Exit || id == Command::AboutRavlin || id == Command::AboutRvc;
  if (!ownCommand && !commands_.Has(id)) return false;
  for (const Button& button : Buttons) {
    if (button.Id == id) return button.Enabled;
  }
  return GetMenuEntry(id).Enabled;
}

void CRvcDlg::Enable(Command id, bool enabled) {
  for (Button& button : Buttons) {
    if (button.Id == id) {
      button.Enabled = enabled;
      return;
    }
  }
  MenuEntryOf(id).Enabled = enabled;
}

int CRvcDlg::ColumnWidth(int column, int clientWidth) const {
  if (column < 0 || column >= static_cast<int>(Columns.size())) return 0;
  if (column == static_cast<int>(Columns.size()) - 1) return clientWidth - kFixedColumnsWidth;
  return Columns[static_cast<size_t>(column)].Width;
}

bool CRvcDlg::SelectedFlavourIs(const char* name) const {
  if (FlavourSelection < 0 || FlavourSelection >= static_cast<int>(FlavourEntries.size())) return false;
  return platform::EqualsNoCase(FlavourEntries[static_cast<size_t>(FlavourSelection)], name);
}

void CRvcDlg::OnInitDialog() {
  InitWindow();
  OpenModifyAtStartIfSet();
}

void CRvcDlg::OpenModifyAtStartIfSet() {
  if (!OpenModifyAtStart) return;
  OpenModifyAtStart = false;
  modifyAtStart_ = true;
  OpenDispatcher(false);
  modifyAtStart_ = false;
}

void CRvcDlg::InitWindow() {
  Title = frame::CRvcApp::WindowTitle();

  Enable(Command::NewDispatcher, !ViewOnly);
  Enable(Command::Restore, !ViewOnly);
  Enable(Command::CreatePpd, false);

  if (ViewOnly) {
    for (Command id : {Command::New, Command::Modify, Command::Delete, Command::ChangeType, Command::Backup}) {
      Enable(id, false);
    }
  }

  FlavourEntries.clear();
  entryFlavours_.clear();
  for (size_t i = 0; i < flavours_.size(); ++i) {
    if (!PreferredFlavour.empty() && !platform::EqualsNoCase(flavours_[i]->Key, PreferredFlavour)) continue;
    FlavourEntries.push_back(flavours_[i]->DisplayName);
    entryFlavours_.push_back(static_cast<int>(i));
  }
  // A preferred flavour that is not installed was already announced by the start-up, which
  // then shows the first flavour: list that one rather than nothing.
  if (entryFlavours_.empty()) {
    FlavourEntries.push_back(flavours_[static_cast<size_t>(currentFlavour_)]->DisplayName);
    entryFlavours_.push_back(currentFlavour_);
  }
  const auto start = std::find(entryFlavours_.begin(), entryFlavours_.end(), currentFlavour_);
  SelectFlavour(start == entryFlavours_.end() ? 0 : static_cast<int>(start - entryFlavours_.begin()));
  ApplyFlavourRules(true);

  Columns = {{"Name", 130}, {"Type", 240}, {"OrvaLink Port", 0}};
  RefreshDispatchers();
  CurrentIndex = 0;
  RowSelected = false;

  const bool afterJob = Mode == frame::kModeInstall || Mode == frame::kModeUpdate;
  ButtonOf(Command::Close).Text = afterJob ? "&Continue" : "&Exit";
  if (afterJob) Enable(Command::Backup, false);

  DisableSelectionButtons();

  if (platform::EqualsNoCase(PreferredFlavour, "Dedezi")) {
    Title = kDedeziTitle;
    FlavourSelectorVisible = false;
    BackupAtTop = true;
  }
}

void CRvcDlg::SelectFlavour(int entry) {
  FlavourSelection = entry;
  currentFlavour_ = entryFlavours_[static_cast<size_t>(entry)];
  Dispatchers = CurrentFlavour().DispatcherList.get();
  Templates = CurrentFlavour().TemplateList.get();
}

void CRvcDlg::ApplyFlavourRules(bool opening) {
  if (SelectedFlavourIs("B")) {
    Enable(Command::New, false);
    Enable(Command::NewDispatcher, false);
  } else if (!opening && !ViewOnly) {
    Enable(Command::New, true);
    Enable(Command::NewDispatcher, true);
  }
  if (SelectedFlavourIs("Approval")) {
    Enable(Command::ChangeType, false);
  } else if (!opening && !ViewOnly) {
    Enable(Command::ChangeType, true);
  }
}

void CRvcDlg::DisableSelectionButtons() {
  if (!ViewOnly) {
    Enable(Command::Modify, false);
    Enable(Command::Delete, false);
  }
  Enable(Command::View, false);
  Enable(Command::ChangeType, false);
}

void CRvcDlg::RefreshDispatchers() {
  Rows.clear();
  for (int i = 0; i < Dispatchers->GetCount(); ++i) {
    const store::DispatcherRecord& record = Dispatchers->GetAt(i).Record;
    Rows.push_back({record.Name, record.Type, std::to_string(record.CommandPort)});
  }
  DisableSelectionButtons();
  if (CurrentIndex >= static_cast<int>(Rows.size())) CurrentIndex = -1;
}

void CRvcDlg::UpdateRowButtons(int row) {
  const bool selected = row >= 0;
  if (!ViewOnly) {
    Enable(Command::Modify, selected);
    Enable(Command::Delete, selected);
  }
  Enable(Command::View, selected);
  if (!ViewOnly) Enable(Command::ChangeType, selected && !SelectedFlavourIs("Approval"));
}

void CRvcDlg::OnClick(int row) {
  if (row >= static_cast<int>(Rows.size())) row = -1;
  CurrentIndex = row;
  RowSelected = row >= 0;
  Enable(Command::DispatcherProperties, RowSelected);
  Enable(Command::CreatePpd, RowSelected);
  UpdateRowButtons(row);
}

void CRvcDlg::OnDoubleClick(int row) {
  if (row >= static_cast<int>(Rows.size())) row = -1;
  CurrentIndex = row;
  RowSelected = row >= 0;
  UpdateRowButtons(row);
  if (row >= 0) OpenDispatcher(ViewOnly);
}

void CRvcDlg::OnFlavourChanged(int entry) {
  if (entry < 0 || entry >= static_cast<int>(entryFlavours_.size())) return;
  SelectFlavour(entry);
  // The rows of another flavour: nothing is selected in them.
  CurrentIndex = -1;
  RowSelected = false;
  Enable(Command::DispatcherProperties, false);
  Enable(Command::CreatePpd, false);
  RefreshDispatchers();
  ApplyFlavourRules(false);
}

void CRvcDlg::OnCommand(Command command) {
  if (!IsEnabled(command)) return;
  try {
    Run(command);
  } catch (const CRvcException& error) {
    error.Report();
  } catch (const store::CInstallationBusy& busy) {
    ui::ShowMessage(std::string(busy.what()), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
  } catch (const std::exception& error) {
    CRvcException(msg::kInternalError, error.what()).Report();
  }
}

bool CRvcDlg::ReloadLists() {
  const std::string selected = CurrentIndex >= 0 && CurrentIndex < Dispatchers->GetCount()
                                   ? std::string(Dispatchers->GetAt(CurrentIndex).Record.Folder)
                                   : std::string();
  for (const auto& flavour : flavours_) flavour->ReloadDispatchers();
  Dispatchers = CurrentFlavour().DispatcherList.get();
  Rows.clear();
  int found = -1;
  for (int i = 0; i < Dispatchers->GetCount(); ++i) {
    const store::DispatcherRecord& record = Dispatchers->GetAt(i).Record;
    Rows.push_back({record.Name, record.Type, std::to_string(record.CommandPort)});
    if (!selected.empty() && record.Folder == selected) found = i;
  }
  if (selected.empty()) return true;
  CurrentIndex = found;
  if (found >= 0) return true;
  RowSelected = false;
  DisableSelectionButtons();
  ui::ShowMessage("The selected dispatcher was changed by another program. Select it again.", frame::kApplicationName,
                  ui::Buttons::Ok, ui::Icon::Exclamation);
  return false;
}

void CRvcDlg::Run(Command command) {
  // The commands that change the installation hold its lock and work on the lists as
  // they are on disk now, not as they were read at the start.
  std::optional<store::CInstallationLock> lock;
  switch (command) {
    case Command::New:
    case Command::NewDispatcher:
    case Command::Delete:
    case Command::ChangeType:
    case Command::CreatePpd:
    case Command::CreateAllPpds:
    case Command::Modify:
    case Command::Restore:
      lock.emplace("rvc_setup main window");
      if (!ReloadLists()) return;
      break;
    default:
      break;
  }
  switch (command) {
    case Command::AboutRavlin:
    case Command::AboutRvc: {
      CAboutDlg about(PreferredFlavour);
      about.Run();
      return;
    }
    case Command::Close:
    case Command::Exit:
      Closed = true;
      return;
    default:
      break;
  }
  frame::CommandRequest request{.Flavours = flavours_,
                                .FlavourIndex = currentFlavour_,
                                .CurrentIndex = CurrentIndex,
                                .ViewOnly = ViewOnly,
                                .PreferredFlavour = PreferredFlavour,
                                .RefreshList = [this] { RefreshDispatchers(); },
                                .Mode = Mode,
                                .OpenModifyAtStart = modifyAtStart_ && command == Command::Modify};
  if (!commands_.Run(command, request) || !request.ListChanged) return;
  CurrentIndex = request.CurrentIndex < static_cast<int>(Rows.size()) ? request.CurrentIndex : -1;
  if (CurrentIndex < 0) {
    RowSelected = false;
    Enable(Command::DispatcherProperties, false);
    Enable(Command::CreatePpd, false);
    DisableSelectionButtons();
  }
}

void CRvcDlg::OpenDispatcher(bool viewOnly) {
  if (CurrentIndex < 0 || CurrentIndex >= Dispatchers->GetCount()) return;
  const Command command = viewOnly ? Command::View : Command::Modify;
  if (commands_.Has(command)) Run(command);
}

void CRvcDlg::RegeneratePpd(int index) {
  if (index < 0 || index >= Dispatchers->GetCount()) return;
  const store::DispatcherRecord record = Dispatchers->GetAt(index).Record;
  const std::string dataFolder = Dispatchers->DataFolder();
  const std::unique_ptr<ripconfig::ConfigurationStore> cfg = ripconfig::ConfigurationStore::Open(
      platform::ResolveNoCase(dataFolder + record.Folder + platform::NativePath("\\data\\zv_config.res")));
  if (cfg == nullptr) return;  // no configuration, no PPD
  try {
    if (!ppd::CreatePpdForDispatcher(record, Templates->ProgramFolder(), dataFolder, cfg.get(),
                                     frame::CRvcApp::ProductVersion, frame::CRvcApp::CatalogueFileName)) {
      Trace("Ppd files couldn't be created for:" + record.Name);
    }
  } catch (const CRvcException& error) {
    Trace(error.Message());
  }
}

}  // namespace rvc::window
