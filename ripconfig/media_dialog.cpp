#include "ripconfig/media_dialog.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "platform/path.h"
#include "ppd/features/ccurve.h"

namespace rvc::ripconfig {

std::vector<std::string> PlatemakingCurveNames() {
  std::vector<std::string> names;
  if (features::CCurveContext* curves = features::CCurveInit()) {
    for (const int kind : {features::kCurveScrDgc, features::kCurveIcpro}) {
      char** list = features::CCurveListResources(curves, kind);
      if (list == nullptr) continue;
      for (char** name = list; *name != nullptr; ++name) {
        names.emplace_back(*name);
        std::free(*name);
      }
      std::free(static_cast<void*>(list));
    }
    features::CCurveExit(curves);
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return platform::LessNoCase(a, b); });
  names.insert(names.begin(), kNoCurve);
  return names;
}

std::string FilmSizeText(double verticalMil, double horizontalMil) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%.1f\" x %.1f\"", verticalMil / 1000, horizontalMil / 1000);
  // The files hold numbers in the C notation whatever the process's locale.
  std::string text(buffer);
  const char point = *std::localeconv()->decimal_point;
  if (point != '.') std::replace(text.begin(), text.end(), point, '.');
  return text;
}

CMedia::CMedia(const EditorContext& context, EditorMode mode, std::string name)
    : context_(context), mode_(mode), openedName_(mode == EditorMode::New ? std::string() : std::move(name)) {}

CMedia::~CMedia() = default;

std::string CMedia::Title() const {
  switch (mode_) {
    case EditorMode::New:
      return "New Media";
    case EditorMode::Modify:
      return "Modify Media " + openedName_;
    case EditorMode::View:
      break;
  }
  return "View Media " + openedName_;
}

void CMedia::OnInitDialog() {
  Unit[kVertical] = Unit[kHorizontal] = static_cast<int>(SizeUnit::Mm);
  TypeIndex = 0;
  Curves = PlatemakingCurveNames();
  CurveIndex = 0;
  if (mode_ != EditorMode::New) {
    if (const FilmRecord* film = context_.handle != nullptr ? context_.handle->FindFilm(openedName_) : nullptr) {
      Name = film->name;
      mil_[kVertical] = film->verticalSize;
      mil_[kHorizontal] = film->horizontalSize;
      TypeIndex = film->polarity == 0 ? 1 : 0;
      for (size_t i = 1; i < Curves.size(); ++i) {
        if (Curves[i] == film->curve) CurveIndex = static_cast<int>(i);
      }
    } else {
      Name = openedName_;
    }
  }
  for (const Axis axis : {kVertical, kHorizontal}) OnUnitChanged(axis);
}

ui::DialogResult CMedia::Run() {
  OnInitDialog();
  return ui::Current().RunDialog(*this);
}

void CMedia::OnSizeEdited(Axis axis) {
  // An untouched text keeps the exact size it shows, so that opening and closing the
  // dialog does not round the film to three decimals.
  if (SizeText[axis] == shown_[axis]) return;
  if (const std::optional<double> mil = ReadSize(SizeText[axis], static_cast<SizeUnit>(Unit[axis]), locale_)) {
    mil_[axis] = *mil;
    shown_[axis] = SizeText[axis];
  }
}

void CMedia::OnUnitChanged(Axis axis) {
  Unit[axis] = std::clamp(Unit[axis], 0, 2);
  SizeText[axis] = shown_[axis] = FormatSize(mil_[axis], static_cast<SizeUnit>(Unit[axis]), locale_);
}

bool CMedia::Refuse(int message, const char* field, std::vector<std::string> arguments) {
  ui::ShowMessage(MessageText(message, arguments), kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
  SetFocusField(field);
  return false;
}

bool CMedia::NameTaken(const std::string& name) const {
  RavlcfgHandle& store = *context_.handle;
  return store.FindConf(name) != nullptr || store.FindSet(name) != nullptr || store.FindName(name) != nullptr;
}

void CMedia::Store(FilmRecord& film) const {
  film.name = Name;
  film.verticalSize = mil_[kVertical];
  film.horizontalSize = mil_[kHorizontal];
  film.curve = (CurveIndex <= 0 || CurveIndex >= static_cast<int>(Curves.size())) ? std::string()
                                                                                 : Curves[static_cast<size_t>(CurveIndex)];
  film.polarity = TypeIndex == 1 ? 0 : 1;
  film.sizeText = FilmSizeText(mil_[kVertical], mil_[kHorizontal]);
}

bool CMedia::OnOk() {
  if (mode_ == EditorMode::View || context_.handle == nullptr) return true;
  RavlcfgHandle& store = *context_.handle;
  for (const Axis axis : {kVertical, kHorizontal}) {
    if (SizeText[axis] == shown_[axis]) continue;
    if (!ReadSize(SizeText[axis], static_cast<SizeUnit>(Unit[axis]), locale_)) {
      ui::ShowMessage("Please enter a number.", kEditorMessageTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
      SetFocusField(axis == kVertical ? kVerticalField : kHorizontalField);
      return false;
    }
    OnSizeEdited(axis);
  }

  if (!(mil_[kVertical] > 0) || !(mil_[kHorizontal] > 0)) {
    return Refuse(msg::kFilmSizesZero, mil_[kVertical] > 0 ? kHorizontalField : kVerticalField);
  }
  const RecorderRecord& recorder = store.Recorder();
  const auto tooBig = [](double size, double maximum) {
    return std::trunc(size * 254) > std::trunc(maximum * 254);
  };
  const bool verticalTooBig = tooBig(mil_[kVertical], recorder.maxHeight);
  if (verticalTooBig || tooBig(mil_[kHorizontal], recorder.maxWidth)) {
    char vertical[64], horizontal[64];
    std::snprintf(vertical, sizeof vertical, "%.0f", recorder.maxHeight);
    std::snprintf(horizontal, sizeof horizontal, "%.0f", recorder.maxWidth);
    return Refuse(msg::kMediaTooBig, verticalTooBig ? kVerticalField : kHorizontalField, {vertical, horizontal});
  }

  if (mode_ == EditorMode::New) {
    if (Name.empty()) return Refuse(msg::kMediaNameMissing, kNameField);
    if (store.FindFilm(Name) != nullptr) return Refuse(msg::kFilmExists, kNameField);
    if (NameTaken(Name)) return Refuse(msg::kNameInResourceFiles, kNameField);
    FilmRecord* film = ravlcfg_add_film(&store);
    if (film == nullptr) return true;
    Store(*film);
    film->flag = 0;
  } else if (mode_ == EditorMode::Modify) {
    FilmRecord* film = store.FindFilm(openedName_);
    if (film == nullptr) return true;
    if (Name != openedName_) {
      for (ConfigRecord* conf : store.Confs()) {
        if (platform::EqualsNoCase(conf->film, openedName_)) conf->film = Name;
      }
    }
    Store(*film);
  }
  return true;
}

}  // namespace rvc::ripconfig
