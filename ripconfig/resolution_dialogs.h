// The resolution set editor (CResolution) and the resolution value editor (CResAndCal).
// Both change the open configuration in memory; every change is logged so that Cancel of
// the set editor can undo it, newest first.
#pragma once

#include <locale>
#include <optional>
#include <string>
#include <vector>

#include "ripconfig/editor_context.h"
#include "ripconfig/number_text.h"
#include "ui/user_interface.h"

namespace rvc::ripconfig {

// The changes of one run of the set editor.
class ResolutionChangeLog {
 public:
  enum class Action { NewSet, New, Modify, Delete };
  struct Change {
    Action action;
    std::string set;
    double resolution = 0;          // the new value (for a deletion: the deleted one)
    double previousResolution = 0;  // modify
    double previousGamma = -1.0;    // -1.0 when the entry used no gamma
    double gamma = 0;
    // The entry before a modification or deletion, and its place in the set, so that the
    // undo gives back exactly what was there.
    ResolutionEntry before;
    int position = -1;
  };

  void Clear() { changes_.clear(); }
  void Add(Change change) { changes_.push_back(std::move(change)); }
  const std::vector<Change>& Changes() const { return changes_; }
  // Undoes every change, newest first, then refreshes the lists.
  void Undo(RavlcfgHandle& store) const;

 private:
  std::vector<Change> changes_;
};

// Whether the value editor shows "Gamma": not when the dispatcher's screen description
// says 8 bits per spot. The screen description is the "output" item of topic "global" of
// "zv<folder>_dispatcher.ini" in the data folder, + ".fid". Raises CRvcException 109 when
// a file cannot be opened.
bool GammaShownFor(const std::string& configPath);

// The value editor. The view binds ResolutionText and GammaText, hides "Gamma" and its
// label unless GammaShown, and disables both in view mode.
class CResAndCal : public ui::IDialogModel {
 public:
  static constexpr const char* kResolutionField = "Resolution";
  static constexpr const char* kGammaField = "Gamma";

  // `value` is the resolution to modify or show (ignored when adding).
  CResAndCal(const EditorContext& context, EditorMode mode, std::string set, double value, ResolutionChangeLog& log);
  std::string DialogName() const override { return "ResAndCal"; }
  void SetNumberLocale(const std::locale& locale) { locale_ = locale; }

  // Reads the screen description (may raise 109) and fills the fields.
  void OnInitDialog();
  ui::DialogResult Run();
  std::string Title() const;
  bool Editable() const { return mode_ != EditorMode::View; }
  // 161 for a resolution of 0 and, when adding, 170 for one the set holds; then the
  // entry is changed or made and the change logged.
  bool OnOk() override;

  std::string ResolutionText;
  std::string GammaText;
  bool GammaShown = true;

 private:
  bool Refuse(int message, const char* field, ui::Icon icon);

  EditorContext context_;
  EditorMode mode_;
  std::string set_;
  double value_;
  ResolutionChangeLog& log_;
  std::locale locale_ = UserLocale();
};

// The set editor. Rows holds the values and gamma texts; the view calls the handlers and
// shows the rows again after each.
class CResolution : public ui::IDialogModel {
 public:
  struct Row {
    std::string value;  // "%.15g"
    std::string gamma;  // "%.0f", or "OrvaCal" when the set's calibration applies
  };

  // `set` is the set to modify or show; in new mode the set is named "set_" + the
  // number of sets.
  CResolution(const EditorContext& context, EditorMode mode, std::string set);
  std::string DialogName() const override { return "Resolution"; }
  void SetNumberLocale(const std::locale& locale) { locale_ = locale; }

  void OnInitDialog();
  // Shows the editor; Cancel undoes every change it made.
  ui::DialogResult Run();
  std::string Title() const;
  const std::string& SetName() const { return set_; }
  bool Editable() const { return mode_ != EditorMode::View; }
  bool ModifyEnabled() const { return Editable() && Selected >= 0; }
  bool DeleteEnabled() const { return ModifyEnabled(); }
  bool ViewEnabled() const { return Selected >= 0; }

  void OnSelect(int row) { Selected = row >= 0 && row < static_cast<int>(Rows.size()) ? row : -1; }
  void OnAdd();
  void OnModify();
  void OnView();
  void OnDelete();
  // The undo of Cancel (Run() calls it when the dialog is cancelled).
  void OnCancel();
  const ResolutionChangeLog& Log() const { return log_; }

  std::vector<Row> Rows;
  int Selected = -1;

 private:
  void Refill();
  double SelectedValue() const;
  void RunValueEditor(EditorMode mode);

  EditorContext context_;
  EditorMode mode_;
  std::string set_;
  ResolutionChangeLog log_;
  std::locale locale_ = UserLocale();
};

// "%.15g" of a resolution, in the C notation.
std::string ResolutionText(double dpi);

}  // namespace rvc::ripconfig
