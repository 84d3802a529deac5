// A page of the dispatcher settings editor: one of its own (General, Setup, Swap files) or
// one that a plug-in library contributes. The editor loads every page when it opens,
// validates them all on OK (the first refusal is shown, its page brought forward and its
// field focused, and nothing is saved), then saves the pages that have changes. A page's
// view comes from the view registry like any dialog's (docs/gui.md): the editor's own
// pages are also ui::IDialogModel, and their views are widgets made for the tab they sit
// in (ui::MakeView(model, tab)), never windows of their own.
#pragma once

#include <optional>
#include <string>

namespace rvc::settings {

// Why a page refuses OK: the message to show and the field to correct.
struct PageRefusal {
  std::string message;
  std::string field;  // a name the page defines for its view; "" for none
};

class IPage {
 public:
  virtual ~IPage() = default;

  // The tab's title.
  virtual std::string Title() const = 0;
  // Reads the page's values from the dispatcher.
  virtual void Load() = 0;
  // Nothing when the input may be saved; otherwise why not.
  virtual std::optional<PageRefusal> Validate() const = 0;
  // Writes the input; called only after every page validated.
  virtual void Save() = 0;
  // Whether the input differs from what Load() read.
  virtual bool HasChanges() const = 0;
  // View mode: the page shows its values and takes no input (its buttons are disabled).
  // Pages without input ignore it.
  virtual void SetViewOnly(bool viewOnly) { (void)viewOnly; }
};

}  // namespace rvc::settings
