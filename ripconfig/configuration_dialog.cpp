#include "ripconfig/configuration_dialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "platform/path.h"
#include "ripconfig/media_dialog.h"
#include "ripconfig/resolution_dialogs.h"

namespace rvc::ripconfig {
namespace {

std::vector<std::string> SplitNames(const std::string& joined) {
  std::vector<std::string> names;
  std::string name;
  for (const char c : joined + ",") {
    if (c == ',') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  return names;
}

int RowNamed(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (platform::EqualsNoCase(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

int InRange(const CConfiguration::List& list, int row) {
  return row >= 0 && row < static_cast<int>(list.names.size()) ? row : -1;
}

// What "the folder can be made the current folder" means: it exists, is a folder and
// may be entered.
bool CanEnter(const std::string& folder) {
  const std::string path = platform::ResolveNoCase(platform::NativePath(folder));
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string SelectedName(const CConfiguration::List& list) {
  return list.selected >= 0 ? list.names[static_cast<size_t>(list.selected)] : std::string();
}

}  // namespace

std::string CConfiguration::List::UsedName() const {
  return used >= 0 && used < static_cast<int>(names.size()) ? names[static_cast<size_t>(used)] : std::string();
}

CConfiguration::CConfiguration(const EditorContext& context, EditorMode mode, std::string name)
    : context_(context), mode_(mode), openedName_(mode == EditorMode::New ? std::string() : std::move(name)) {}

std::string CConfiguration::Title() const {
  switch (mode_) {
    case EditorMode::New:
      return "New Configuration";
    case EditorMode::Modify:
      return "Modify Configuration " + openedName_;
    case EditorMode::View:
      break;
  }
  return "View Configuration " + openedName_;
}

bool CConfiguration::NameAllowed(const std::string& name) {
  return name.find_first_of(kForbidden) == std::string::npos;
}

void CConfiguration::Refresh() {
  // Rows follow their names through the refill.
  const std::string media = SelectedName(Media), usedMedia = Media.UsedName();
  const std::string set = SelectedName(Sets), usedSet = Sets.UsedName();
  ravlcfg_set_lists(context_.handle);
  const BaseRecord* base = ravlcfg_get_base(context_.handle);
  Media.names = base != nullptr ? SplitNames(base->filmNames) : std::vector<std::string>{};
  Sets.names = base != nullptr ? SplitNames(base->setNames) : std::vector<std::string>{};
  Media.selected = RowNamed(Media.names, media);
  Media.used = RowNamed(Media.names, usedMedia);
  Sets.selected = RowNamed(Sets.names, set);
  Sets.used = RowNamed(Sets.names, usedSet);
}

void CConfiguration::OnInitDialog() {
  Media = {};
  Sets = {};
  Refresh();
  if (mode_ != EditorMode::New) {
    if (const ConfigRecord* conf = ravlcfg_getresinfo(context_.handle, openedName_)) {
      Name = conf->name;
      Media.used = RowNamed(Media.names, conf->film);
      Sets.used = RowNamed(Sets.names, conf->set);
      OutputFolder = conf->output;
    } else {
      Name = openedName_;
    }
  }
}

ui::DialogResult CConfiguration::Run() {
  OnInitDialog();
  return ui::Current().RunDialog(*this);
}

// --- Lists ---

void CConfiguration::OnMediaClick(int row) { Media.selected = InRange(Media, row); }
void CConfiguration::OnSetClick(int row) { Sets.selected = InRange(Sets, row); }

void CConfiguration::OnMediaDoubleClick(int row) {
  OnMediaClick(row);
  OnUseMedia();
}

void CConfiguration::OnSetDoubleClick(int row) {
  OnSetClick(row);
  OnUseSet();
}

void CConfiguration::OnUseMedia() {
  if (ModifyEnabled(Media)) Media.used = Media.selected;
}

void CConfiguration::OnUseSet() {
  if (ModifyEnabled(Sets)) Sets.used = Sets.selected;
}

void CConfiguration::RunMediaEditor(EditorMode mode) {
  static constexpr const char* kFunctions[] = {"NewMediaDlg", "ModifyMediaDlg", "ViewMediaDlg"};
  PluginRequest request{"mediadll", kFunctions[static_cast<int>(mode)], {}, mode == EditorMode::New ? 1 : 0, {}, 0};
  if (mode != EditorMode::New) request.selected = SelectedName(Media);
  if (context_.CallPlugin(request) == PluginOutcome::Absent) {
    CMedia editor(context_, mode, request.selected);
    editor.Run();
  }
  Refresh();
}

void CConfiguration::RunSetEditor(EditorMode mode) {
  static constexpr const char* kFunctions[] = {"NewResolutionDlg", "ModifyResolutionDlg", "ViewResolutionDlg"};
  PluginRequest request{"resolutiondll", kFunctions[static_cast<int>(mode)], {}, mode == EditorMode::New ? 1 : 0, {},
                        0};
  if (mode != EditorMode::New) request.selected = SelectedName(Sets);
  if (context_.CallPlugin(request) == PluginOutcome::Absent) {
    CResolution editor(context_, mode, request.selected);
    editor.Run();
  }
  Refresh();
}

void CConfiguration::OnMediaNew() {
  if (NewEnabled()) RunMediaEditor(EditorMode::New);
}
void CConfiguration::OnMediaModify() {
  if (ModifyEnabled(Media)) RunMediaEditor(EditorMode::Modify);
}
void CConfiguration::OnMediaView() {
  if (ViewEnabled(Media)) RunMediaEditor(EditorMode::View);
}
void CConfiguration::OnSetNew() {
  if (NewEnabled()) RunSetEditor(EditorMode::New);
}
void CConfiguration::OnSetModify() {
  if (ModifyEnabled(Sets)) RunSetEditor(EditorMode::Modify);
}
void CConfiguration::OnSetView() {
  if (ViewEnabled(Sets)) RunSetEditor(EditorMode::View);
}

void CConfiguration::OnMediaDelete() {
  if (!ModifyEnabled(Media)) return;
  if (Media.names.size() <= 1 || Media.selected == Media.used) {
    ui::ShowMessage(MessageText(msg::kLastMedia), kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  if (ui::ShowMessage(MessageText(msg::kAskDeleteMedia), kEditorMessageTitle, ui::Buttons::YesNo,
                      ui::Icon::Question) != ui::Answer::Yes) {
    return;
  }
  if (ravlcfg_del_film(context_.handle, SelectedName(Media)) == 0) {
    const std::vector<std::string> errors = ravlcfg_get_errormessages(context_.handle);
    if (!errors.empty()) ui::ShowMessage(errors.front(), kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
  }
  Refresh();
}

void CConfiguration::OnSetDelete() {
  if (!ModifyEnabled(Sets)) return;
  if (Sets.names.size() <= 1 || Sets.selected == Sets.used) {
    ui::ShowMessage(MessageText(msg::kLastResolutionSet), kEditorMessageTitle, ui::Buttons::Ok,
                    ui::Icon::Exclamation);
    return;
  }
  if (ui::ShowMessage(MessageText(msg::kAskDeleteResolutionSet), kEditorMessageTitle, ui::Buttons::YesNo,
                      ui::Icon::Question) != ui::Answer::Yes) {
    return;
  }
  if (ravlcfg_del_set(context_.handle, SelectedName(Sets)) == 0) {
    const std::vector<std::string> errors = ravlcfg_get_errormessages(context_.handle);
    if (!errors.empty()) ui::ShowMessage(errors.front(), kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
  }
  Refresh();
}

void CConfiguration::OnBrowse() {
  if (!Editable()) return;
  const std::string folder = ui::Current().BrowseForFolder(kBrowseTitle, OutputFolder);
  if (!folder.empty()) OutputFolder = folder;
}

// --- OK ---

bool CConfiguration::Refuse(int message, const char* field) {
  ui::ShowMessage(MessageText(message), kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
  SetFocusField(field);
  return false;
}

bool CConfiguration::OnOk() {
  if (mode_ == EditorMode::View || context_.handle == nullptr) return true;
  RavlcfgHandle& store = *context_.handle;
  if (Name.empty()) return Refuse(msg::kConfigurationNameMissing, kNameField);
  if (!NameAllowed(Name)) return Refuse(msg::kConfigurationNameCharacters, kNameField);
  if (mode_ == EditorMode::New) {
    if (store.FindConf(Name) != nullptr) return Refuse(msg::kConfigurationExists, kNameField);
    if (store.FindFilm(Name) != nullptr || store.FindSet(Name) != nullptr || store.FindName(Name) != nullptr) {
      return Refuse(msg::kNameInResourceFiles, kNameField);
    }
  }
  if (Media.used < 0 || Sets.used < 0) return Refuse(msg::kMediaAndSetMissing, kMediaField);
  if (!OutputFolder.empty() && !CanEnter(OutputFolder)) return Refuse(msg::kOutputPathMissing, kOutputField);

  ConfigRecord* conf = mode_ == EditorMode::New ? ravlcfg_get_new_conf(&store) : store.Current();
  if (conf == nullptr) return true;
  conf->name = Name;
  conf->film = Media.UsedName();
  conf->set = Sets.UsedName();
  conf->output = OutputFolder;
  if (mode_ == EditorMode::New) {
    if (const FilmRecord* film = store.FindFilm(conf->film)) conf->TakeMediaValues(*film);
  }
  return true;
}

ui::DialogResult RunConfigurationDialog(RavlcfgHandle* handle, EditorMode mode, const std::string& name,
                                        const std::string& programFolder, const std::string& deviceType,
                                        const std::string& configPath, IEditorPlugins* plugins) {
  EditorContext context;
  context.handle = handle;
  context.programFolder = programFolder;
  context.deviceType = deviceType;
  context.configPath = configPath;
  context.plugins = plugins;
  CConfiguration dialog(context, mode, name);
  return dialog.Run();
}

}  // namespace rvc::ripconfig
