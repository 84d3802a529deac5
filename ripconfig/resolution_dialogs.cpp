#include "ripconfig/resolution_dialogs.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "platform/path.h"
#include "store/resource_db.h"

namespace rvc::ripconfig {
namespace {

constexpr const char* kOrvaCal = "OrvaCal";

std::string CNotation(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  std::string text(buffer);
  const char point = *std::localeconv()->decimal_point;
  if (point != '.') std::replace(text.begin(), text.end(), point, '.');
  return text;
}

// "%.15g" with the locale's decimal separator.
std::string ShownResolution(double dpi, const std::locale& locale) {
  std::string text = ResolutionText(dpi);
  const char point = std::use_facet<std::numpunct<char>>(locale).decimal_point();
  std::replace(text.begin(), text.end(), '.', point);
  return text;
}

void ShowFirstError(const RavlcfgHandle& store) {
  const std::vector<std::string> errors = ravlcfg_get_errormessages(&store);
  if (!errors.empty()) ui::ShowMessage(errors.front(), kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
}

int PositionOf(const ResolutionSet& set, const ResolutionEntry* entry) {
  for (int i = 0; i < set.Count(); ++i) {
    if (set.Entry(i) == entry) return i;
  }
  return -1;
}

}  // namespace

std::string ResolutionText(double dpi) { return CNotation("%.15g", dpi); }

// --- Change log ---

// Newest first: each record is undone on exactly the state it left behind, so the entry it
// names is where it put it, whatever the later records did to the set.
void ResolutionChangeLog::Undo(RavlcfgHandle& store) const {
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    switch (change->action) {
      case Action::NewSet:
        ravlcfg_del_set(&store, change->set);
        ravlcfg_set_lists(&store);
        break;
      case Action::New:
        if (ravlcfg_get_set(&store, change->set) != nullptr &&
            ravlcfg_del_resolution(&store, change->set, change->resolution) == 0) {
          ShowFirstError(store);
        }
        break;
      case Action::Modify:
        if (ResolutionSet* set = ravlcfg_get_set(&store, change->set)) {
          // By place: a value may have been changed into one the set already held.
          ResolutionEntry* entry = change->position >= 0 && change->position < set->Count() &&
                                           SameResolution(set->Entry(change->position)->dpi, change->resolution)
                                       ? set->Entry(change->position)
                                       : set->Find(change->resolution);
          if (entry != nullptr) *entry = change->before;  // its gamma flag included
        }
        break;
      case Action::Delete:
        if (ResolutionEntry* entry = ravlcfg_add_resolution(&store, change->set)) {
          *entry = change->before;
          // Back to the place it had, so that the set is written as it was.
          ResolutionSet* set = ravlcfg_get_set(&store, change->set);
          const int at = PositionOf(*set, entry);
          if (change->position >= 0 && change->position < at) {
            std::rotate(set->entries.begin() + change->position, set->entries.begin() + at,
                        set->entries.begin() + at + 1);
          }
        }
        break;
    }
  }
  ravlcfg_set_lists(&store);
}

// --- Screen description ---

bool GammaShownFor(const std::string& configPath) {
  const std::filesystem::path config(platform::ResolveNoCase(platform::NativePath(configPath)));
  const std::filesystem::path data = config.parent_path();
  const std::string folderName = data.parent_path().filename().string();
  const std::string iniPath =
      platform::ResolveNoCase(platform::JoinPath(data.string(), "zv" + folderName + "_dispatcher.ini"));
  const std::optional<store::ResourceDb> ini = store::ResourceDb::Open(iniPath);
  if (!ini) throw CRvcException(msg::kResourceDbError, iniPath);
  std::string output = ini->Find("global", "output").value_or("");
  if (output.size() > 31) output.resize(31);
  const std::string fidPath = platform::ResolveNoCase(platform::JoinPath(data.string(), output + ".fid"));
  const std::optional<store::ResourceDb> fid = store::ResourceDb::Open(fidPath);
  if (!fid) throw CRvcException(msg::kResourceDbError, fidPath);
  return fid->FindInt("BitsPerSpot", "Value") != 8L;
}

// --- Value editor ---

CResAndCal::CResAndCal(const EditorContext& context, EditorMode mode, std::string set, double value,
                       ResolutionChangeLog& log)
    : context_(context), mode_(mode), set_(std::move(set)), value_(value), log_(log) {}

std::string CResAndCal::Title() const {
  switch (mode_) {
    case EditorMode::New:
      return "Add resolution value";
    case EditorMode::Modify:
      return "Modify Resolution Value";
    case EditorMode::View:
      break;
  }
  return "View Resolution Value";
}

void CResAndCal::OnInitDialog() {
  GammaShown = GammaShownFor(context_.configPath);
  ResolutionEntry entry = context_.handle != nullptr ? context_.handle->TemplateEntry() : ResolutionEntry{};
  if (mode_ != EditorMode::New) {
    const ResolutionSet* set = ravlcfg_get_set(context_.handle, set_);
    if (const ResolutionEntry* found = set != nullptr ? set->Find(value_) : nullptr) entry = *found;
    ResolutionText = ShownResolution(entry.dpi, locale_);
  } else {
    ResolutionText.clear();
  }
  GammaText = FormatDecimal(entry.gamma, 0, std::locale::classic());
}

ui::DialogResult CResAndCal::Run() {
  OnInitDialog();
  return ui::Current().RunDialog(*this);
}

bool CResAndCal::Refuse(int message, const char* field, ui::Icon icon) {
  ui::ShowMessage(MessageText(message), kEditorMessageTitle, ui::Buttons::Ok, icon);
  SetFocusField(field);
  return false;
}

bool CResAndCal::OnOk() {
  if (mode_ == EditorMode::View || context_.handle == nullptr) return true;
  RavlcfgHandle& store = *context_.handle;
  const std::optional<double> value = ReadDecimal(ResolutionText, locale_);
  if (!value) {
    ui::ShowMessage("Please enter a number.", kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    SetFocusField(kResolutionField);
    return false;
  }
  const std::optional<long> gammaValue = ReadInteger(GammaText);
  if (!gammaValue) {
    ui::ShowMessage("Please enter an integer.", kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    SetFocusField(kGammaField);
    return false;
  }
  const double gamma = static_cast<double>(*gammaValue);
  if (*value == 0) return Refuse(msg::kInvalidResolution, kResolutionField, ui::Icon::None);

  ResolutionChangeLog::Change change{};
  change.set = set_;
  change.resolution = *value;
  change.gamma = gamma;
  if (mode_ == EditorMode::Modify) {
    ResolutionSet* set = ravlcfg_get_set(&store, set_);
    ResolutionEntry* entry = set != nullptr ? set->Find(value_) : nullptr;
    if (entry == nullptr) return true;
    change.action = ResolutionChangeLog::Action::Modify;
    change.previousResolution = entry->dpi;
    change.previousGamma = entry->useGamma ? entry->gamma : -1.0;
    change.before = *entry;
    change.position = PositionOf(*set, entry);
    entry->dpi = *value;
    entry->gamma = gamma;
    // This entry, not the first of that value: a modification may make two alike.
    entry->useGamma = true;
  } else if (ravlcfg_get_set(&store, set_) == nullptr) {
    ResolutionSet* set = ravlcfg_get_new_set(&store, 1);
    if (set == nullptr) return true;
    set->name = set_;
    ResolutionEntry& entry = *set->Entry(0);
    entry.set = set_;
    entry.dpi = *value;
    entry.gamma = gamma;
    ravlcfg_use_gamma(&store, set_, *value, 1);
    change.action = ResolutionChangeLog::Action::NewSet;
    ravlcfg_set_lists(&store);
  } else {
    if (ravlcfg_exist_resolution(&store, set_, *value) != 0) {
      return Refuse(msg::kResolutionExists, kResolutionField, ui::Icon::Exclamation);
    }
    ResolutionEntry* entry = ravlcfg_add_resolution(&store, set_);
    if (entry == nullptr) return true;
    entry->set = set_;
    entry->dpi = *value;
    entry->gamma = gamma;
    ravlcfg_use_gamma(&store, set_, *value, 1);
    change.action = ResolutionChangeLog::Action::New;
  }
  log_.Add(std::move(change));
  return true;
}

// --- Set editor ---

CResolution::CResolution(const EditorContext& context, EditorMode mode, std::string set)
    : context_(context), mode_(mode), set_(std::move(set)) {}

std::string CResolution::Title() const {
  switch (mode_) {
    case EditorMode::New:
      return "New Resolution Set";
    case EditorMode::Modify:
      return "Modify " + set_;
    case EditorMode::View:
      break;
  }
  return "View " + set_;
}

void CResolution::OnInitDialog() {
  log_.Clear();
  if (mode_ == EditorMode::New) set_ = "set_" + std::to_string(ravlcfg_get_nrsets(context_.handle));
  Refill();
}

ui::DialogResult CResolution::Run() {
  OnInitDialog();
  const ui::DialogResult result = ui::Current().RunDialog(*this);
  if (result == ui::DialogResult::Cancel) OnCancel();
  return result;
}

void CResolution::Refill() {
  Rows.clear();
  if (const ResolutionSet* set = ravlcfg_get_set(context_.handle, set_)) {
    for (int i = 0; i < set->Count(); ++i) {
      const ResolutionEntry& entry = *set->Entry(i);
      Rows.push_back({ShownResolution(entry.dpi, locale_), entry.useGamma ? CNotation("%.0f", entry.gamma) : kOrvaCal});
    }
  }
  if (Selected >= static_cast<int>(Rows.size())) Selected = -1;
}

double CResolution::SelectedValue() const {
  const ResolutionSet* set = ravlcfg_get_set(context_.handle, set_);
  if (set == nullptr || Selected < 0 || Selected >= set->Count()) return 0;
  return set->Entry(Selected)->dpi;
}

void CResolution::RunValueEditor(EditorMode mode) {
  if (mode != EditorMode::View) {
    PluginRequest request{"resandcaldll", "ModifyResAndCalDlg", {}, 0, set_, SelectedValue()};
    if (mode == EditorMode::New) request.value = 0;
    const bool setExisted = ravlcfg_get_set(context_.handle, set_) != nullptr;
    std::optional<AddedResolution> added;
    if (context_.CallPlugin(request, &added) == PluginOutcome::Used) {
      if (added && added->dpi != 0) {
        ResolutionChangeLog::Change change{};
        change.action = (!setExisted && platform::EqualsNoCase(added->set, set_))
                            ? ResolutionChangeLog::Action::NewSet
                            : ResolutionChangeLog::Action::New;
        change.set = added->set;
        change.resolution = added->dpi;
        log_.Add(std::move(change));
      }
      ravlcfg_set_lists(context_.handle);
      Refill();
      // Shown even when the library does not hold it (yet).
      if (added && added->dpi != 0 && platform::EqualsNoCase(added->set, set_)) {
        const ResolutionSet* set = ravlcfg_get_set(context_.handle, set_);
        if (set == nullptr || set->Find(added->dpi) == nullptr) Rows.push_back({ShownResolution(added->dpi, locale_), kOrvaCal});
      }
      return;
    }
  }
  CResAndCal editor(context_, mode, set_, mode == EditorMode::New ? 0 : SelectedValue(), log_);
  editor.SetNumberLocale(locale_);
  try {
    editor.Run();
  } catch (const CRvcException& error) {
    error.Report();
  }
  Refill();
}

void CResolution::OnAdd() {
  if (Editable()) RunValueEditor(EditorMode::New);
}

void CResolution::OnModify() {
  if (ModifyEnabled()) RunValueEditor(EditorMode::Modify);
}

void CResolution::OnView() {
  if (ViewEnabled()) RunValueEditor(EditorMode::View);
}

void CResolution::OnDelete() {
  if (!DeleteEnabled() || context_.handle == nullptr) return;
  if (ui::ShowMessage(MessageText(msg::kAskDeleteResolution), kEditorMessageTitle, ui::Buttons::YesNo,
                      ui::Icon::Question) != ui::Answer::Yes) {
    return;
  }
  RavlcfgHandle& store = *context_.handle;
  ResolutionSet* set = ravlcfg_get_set(&store, set_);
  if (set == nullptr) return;
  // The library deletes the first entry of the selected value: that one is logged.
  const ResolutionEntry* doomed = set->Find(set->Entry(Selected)->dpi);
  const ResolutionEntry before = *doomed;
  const int position = PositionOf(*set, doomed);
  if (ravlcfg_del_resolution(&store, set_, before.dpi) == 0) {
    ShowFirstError(store);
  } else {
    ResolutionChangeLog::Change change{};
    change.action = ResolutionChangeLog::Action::Delete;
    change.set = set_;
    change.resolution = before.dpi;
    change.previousResolution = before.dpi;
    change.previousGamma = before.useGamma ? before.gamma : -1.0;
    change.gamma = before.gamma;
    change.before = before;
    change.position = position;
    log_.Add(std::move(change));
    Selected = -1;
  }
  Refill();
}

void CResolution::OnCancel() {
  if (context_.handle != nullptr) log_.Undo(*context_.handle);
  log_.Clear();
}

}  // namespace rvc::ripconfig
