// The media dialog: creates, modifies or shows one media (a film record) of a dispatcher's
// RIP configuration. It changes the open configuration in memory only; the General page
// writes it.
#pragma once

#include <locale>
#include <optional>
#include <string>
#include <vector>

#include "ripconfig/editor_context.h"
#include "ripconfig/number_text.h"
#include "ui/user_interface.h"

namespace rvc::ripconfig {

// The curve names of the media list: "(none)" first, then the curves of kind 4 and 8
// sorted ignoring case. Only "(none)" when the curve library has no folder.
std::vector<std::string> PlatemakingCurveNames();
inline constexpr const char* kNoCurve = "(none)";

// The view binds Name, the two size texts and unit lists, TypeIndex and CurveIndex; it
// calls OnUnitChanged when a unit list changes and OnSizeEdited when a size edit loses
// the focus. Everything but Cancel is disabled in view mode (Editable()).
class CMedia : public ui::IDialogModel {
 public:
  static constexpr const char* kNameField = "Name";
  static constexpr const char* kVerticalField = "VerticalSize";
  static constexpr const char* kHorizontalField = "HorizontalSize";
  enum Axis { kVertical = 0, kHorizontal = 1 };
  static constexpr const char* kTypes[] = {"Positive", "Negative"};

  // `name` is the media to modify or show; ignored in new mode.
  CMedia(const EditorContext& context, EditorMode mode, std::string name);
  ~CMedia() override;
  CMedia(const CMedia&) = delete;
  CMedia& operator=(const CMedia&) = delete;
  std::string DialogName() const override { return "Media"; }

  // Number conversion follows the user's locale unless another is set before opening.
  void SetNumberLocale(const std::locale& locale) { locale_ = locale; }

  // Fills the lists and, in modify and view mode, the fields from the film record.
  // Run() calls it.
  void OnInitDialog();
  ui::DialogResult Run();

  std::string Title() const;
  bool Editable() const { return mode_ != EditorMode::View; }

  // The size of `axis` was typed: its text is read into mil (a text that does not read
  // keeps the size held).
  void OnSizeEdited(Axis axis);
  // The unit list of `axis` changed to Unit[axis]: the text is rewritten in that unit.
  void OnUnitChanged(Axis axis);
  // The checks in order (188, 173, and in new mode 134, 190, 189), then the film record
  // is made or changed.
  bool OnOk() override;

  double SizeMil(Axis axis) const { return mil_[axis]; }

  std::string Name;
  std::string SizeText[2];
  int Unit[2] = {0, 0};  // index into kUnitNames
  int TypeIndex = 0;     // into kTypes
  std::vector<std::string> Curves;
  int CurveIndex = 0;

 private:
  bool Refuse(int message, const char* field, std::vector<std::string> arguments = {});
  bool NameTaken(const std::string& name) const;
  void Store(FilmRecord& film) const;

  EditorContext context_;
  EditorMode mode_;
  std::string openedName_;
  std::locale locale_ = UserLocale();
  double mil_[2] = {0, 0};
  std::string shown_[2];  // the texts as last written from mil_
};

// The size text of a film record: the sizes in inches, "%.1f\" x %.1f\"".
std::string FilmSizeText(double verticalMil, double horizontalMil);

}  // namespace rvc::ripconfig
