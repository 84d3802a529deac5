#include "settings/general_page.h"

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "frame/rvc_app.h"
#include "lifecycle/dispatcher_creation.h"
#include "lifecycle/running_dispatchers.h"
#include "platform/path.h"
#include "settings/configuration_plugin.h"
#include "store/template_list.h"

namespace rvc::settings {
namespace {

ConfigurationEditors& Editors() {
  static ConfigurationEditors editors{RunConfigurationPlugin, nullptr};
  return editors;
}

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

// `count` words are expected, as many as the list says it holds.
std::vector<std::string> SplitAtBlanks(const std::string& text, int count) {
  std::vector<std::string> words;
  words.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  size_t at = 0;
  while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
    const size_t end = text.find(' ', at);
    words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end;
  }
  return words;
}

}  // namespace

void SetConfigurationEditors(ConfigurationEditors editors) { Editors() = std::move(editors); }
void SetBuiltInConfigurationDialog(std::function<void(const ConfigurationEditRequest&)> dialog) {
  Editors().builtIn = std::move(dialog);
}
const ConfigurationEditors& CurrentConfigurationEditors() { return Editors(); }

std::string RunningSaveMessage(const std::string& name) {
  return "Dispatcher " + name + " is running.\nYou cannot save changes for a running dispatcher.";
}

CGeneral::CGeneral(const store::DispatcherRecord& record, std::string configPath,
                   const store::CTemplateList* templates, bool viewOnly)
    : Flavour(record.Flavour),
      Name(record.Name),
      Type(record.Type),
      Folder(record.Folder),
      Base(record.Base),
      ConfigPath(std::move(configPath)),
      CommandPort(record.CommandPort),
      templates_(templates),
      viewOnly_(viewOnly) {}

CGeneral::~CGeneral() {
  if (config_ == nullptr) return;
  if (lockHeld_) ripconfig::ravlcfg_release_writelock(config_);
  ripconfig::ravlcfg_close(&config_);
}

void CGeneral::Load() {
  if (config_ != nullptr) return;
  config_ = ripconfig::ravlcfg_open(ConfigPath);
  if (config_ == nullptr) {
    Trace("Configuration " + ConfigPath + " could not be opened");
    return;
  }
  if (ripconfig::ravlcfg_get_nr_errors(config_) > 0) {
    for (const std::string& error : ripconfig::ravlcfg_get_errormessages(config_)) Trace(error);
    failed_ = true;
    ui::ShowMessage(MessageText(msg::kCorruptResourceFiles), frame::kApplicationName, ui::Buttons::Ok,
                    ui::Icon::Error);
  }
  for (const std::string& warning : ripconfig::ravlcfg_get_warningmessages(config_)) Trace(warning);

  lockHeld_ = ripconfig::ravlcfg_gain_writelock(config_, 0) == 1;
  if (!lockHeld_) {
    // Another editor holds the configuration: this one shows it and changes nothing.
    const std::vector<std::string> reasons = ripconfig::ravlcfg_get_errormessages(config_);
    Trace("The configurations of " + Name + " are shown read-only: " + (reasons.empty() ? "" : reasons.back()));
    viewOnly_ = true;
  }
  if (PpdOptions) {
    try {
      lifecycle::ApplyPpdOptions(config_, &*PpdOptions);
    } catch (const CRvcException& error) {
      error.Report();
    }
    // Applying takes the write lock for itself and lets it go at its end.
    if (lockHeld_) lockHeld_ = ripconfig::ravlcfg_gain_writelock(config_, 0) == 1;
  }
  Fill();
  selected_ = inUse_;
}

void CGeneral::Fill() {
  names_.clear();
  inUse_ = -1;
  if (config_ == nullptr) return;
  ripconfig::ravlcfg_set_lists(config_);
  const ripconfig::BaseRecord* base = ripconfig::ravlcfg_get_base(config_);
  names_ = SplitAtBlanks(base->confNames, base->nrConfs);
  inUse_ = IndexOf(base->usedConf);
}

int CGeneral::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < names_.size(); ++i) {
    if (platform::EqualsNoCase(names_[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::optional<PageRefusal> CGeneral::Validate() const {
  if (!viewOnly_ && lifecycle::IsDispatcherRunning(Name, frame::CRvcApp::ProductVersion)) {
    return PageRefusal{RunningSaveMessage(Name), ""};
  }
  return std::nullopt;
}

void CGeneral::Save() {
  if (config_ == nullptr || viewOnly_) return;
  if (inUse_ >= 0) ripconfig::ravlcfg_set_used_conf(config_, names_[static_cast<size_t>(inUse_)]);
  if (ripconfig::ravlcfg_write(config_) != 1) {
    const std::vector<std::string> reasons = ripconfig::ravlcfg_get_errormessages(config_);
    throw CRvcException(msg::kResourceDbError, ConfigPath + (reasons.empty() ? "" : ": " + reasons.back()));
  }
}

bool CGeneral::HasChanges() const {
  return config_ != nullptr && !viewOnly_ && ripconfig::ravlcfg_get_changed(config_, nullptr, nullptr, nullptr, nullptr);
}

bool CGeneral::Enabled(Button button) const {
  if (config_ == nullptr) return false;
  const bool selected = selected_ >= 0;
  switch (button) {
    case Button::New:
      return !viewOnly_;
    case Button::View:
      return selected;
    case Button::Modify:
    case Button::Delete:
    case Button::UseAsDefault:
      return !viewOnly_ && selected;
  }
  return false;
}

void CGeneral::Select(int row) { selected_ = row >= 0 && row < static_cast<int>(names_.size()) ? row : -1; }

std::string CGeneral::ProgramFolder() const { return templates_ != nullptr ? templates_->ProgramFolder() : ""; }

void CGeneral::Edit(ConfigurationEditorMode mode) {
  ConfigurationEditRequest request;
  request.mode = mode;
  if (mode != ConfigurationEditorMode::New) request.name = names_[static_cast<size_t>(selected_)];
  request.config = config_;
  request.programFolder = ProgramFolder();
  request.configPath = platform::ResolveNoCase(ConfigPath);  // plug-ins may not look past the case
  request.type = Type;
  const ConfigurationEditors& editors = Editors();
  const PluginOutcome outcome = editors.plugin ? editors.plugin(request) : PluginOutcome::Absent;
  if (outcome == PluginOutcome::Absent && editors.builtIn) editors.builtIn(request);
  // The editor may have added, renamed or removed configurations.
  const std::string selected = selected_ >= 0 ? names_[static_cast<size_t>(selected_)] : "";
  Fill();
  selected_ = IndexOf(selected);
}

void CGeneral::OnNew() {
  if (Enabled(Button::New)) Edit(ConfigurationEditorMode::New);
}

void CGeneral::OnModify() {
  if (Enabled(Button::Modify)) Edit(ConfigurationEditorMode::Modify);
}

void CGeneral::OnView() {
  if (Enabled(Button::View)) Edit(ConfigurationEditorMode::View);
}

void CGeneral::OnDelete() {
  if (!Enabled(Button::Delete)) return;
  if (names_.size() < 2 || selected_ == inUse_) {
    ui::ShowMessage(MessageText(msg::kLastConfiguration), frame::kApplicationName, ui::Buttons::Ok,
                    ui::Icon::Exclamation);
    return;
  }
  if (ui::ShowMessage(MessageText(msg::kAskDeleteConfiguration), frame::kApplicationName, ui::Buttons::YesNo,
                      ui::Icon::Question) != ui::Answer::Yes) {
    return;
  }
  const std::string name = names_[static_cast<size_t>(selected_)];
  if (ripconfig::ravlcfg_del_conf(config_, name) == 0) {
    const std::vector<std::string> reasons = ripconfig::ravlcfg_get_errormessages(config_);
    ui::ShowMessage(reasons.empty() ? MessageText(msg::kLastConfiguration) : reasons.back(), frame::kApplicationName,
                    ui::Buttons::Ok, ui::Icon::Exclamation);
    return;
  }
  if (selected_ < inUse_) --inUse_;
  names_.erase(names_.begin() + selected_);
  selected_ = -1;
}

void CGeneral::OnUseAsDefault() {
  if (!Enabled(Button::UseAsDefault)) return;
  inUse_ = selected_;
  ripconfig::ravlcfg_set_used_conf(config_, names_[static_cast<size_t>(inUse_)]);
}

void CGeneral::OnDoubleClick(int row) {
  Select(row);
  if (!viewOnly_) OnUseAsDefault();
}

}  // namespace rvc::settings
