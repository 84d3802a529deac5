// The main window CRvcDlg as a model: the flavour drop-down list, the dispatcher list, the
// buttons and the menu with their texts and enabled states, and the dispatch of every
// command. A view shows this state, passes clicks, double-clicks, the flavour choice and
// the commands in, and shows the state again after each call.
//
// The commands themselves come from a command table that the features fill in; the window
// keeps only Close, Exit and the About entries. A command that the table lacks shows
// disabled, whatever the enabling rules say.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/commands.h"
#include "frame/flavour.h"
#include "ui/user_interface.h"

namespace rvc::window {

using frame::Command;

struct Button {
  Command Id;
  std::string Text;  // with its "&" mnemonic
  bool Enabled = true;
};

struct MenuEntry {
  Command Id;
  std::string Text;      // with its "&" mnemonic
  std::string Shortcut;  // "Ctrl+N", or empty
  bool Enabled = true;
};

struct Menu {
  std::string Text;
  std::vector<MenuEntry> Entries;
};

struct Column {
  std::string Heading;
  int Width;  // the last column takes the client width minus the others
};

// The About dialog (also the splash of an interactive start): a picture, the product
// line and the build line, and two read-only fields.
class CAboutDlg : public ui::IDialogModel {
 public:
  static constexpr const char* kTitle = "About Ravlin Configurator";

  explicit CAboutDlg(std::string preferredFlavour = {});
  std::string DialogName() const override { return "About"; }

  ui::DialogResult Run() { return ui::Current().RunDialog(*this); }

  // "Dedezi" (ignoring case) shows the Velmora picture, any other the Ravlin picture.
  bool VelmoraPicture() const;

  std::string PreferredFlavour;
  std::string Product;  // "RavlinConfigurator 10.1"
  std::string Build;    // "Ravlin Configurator 10.1.0 Build 30", the text of the splash
  std::string Details;  // the further line of static text
  // The two read-only fields: where the configurator reads its configuration and where
  // it writes its trace.
  std::string ConfigurationFolder;
  std::string TraceFile;
};

class CRvcDlg {
 public:
  static constexpr const char* kLayoutTitle = "Ravlin Configurator";
  static constexpr const char* kDedeziTitle = "Velmora RIP Configurator";
  static constexpr const char* kDispatchersLabel = "Dispatchers:";
  static constexpr int kFixedColumnsWidth = 370;  // "Name" and "Type"

  // `flavours` belong to the application and outlive the window; `startIndex` is the
  // flavour shown first; `commands` carry out the commands and outlive the window.
  CRvcDlg(frame::FlavourList& flavours, int startIndex, const frame::CCommandTable& commands);

  // Set before OnInitDialog().
  void SetViewOnly(bool viewOnly) { ViewOnly = viewOnly; }
  void SetPreferredFlavour(std::string name) { PreferredFlavour = std::move(name); }
  void SetMode(int mode) { Mode = mode; }
  void SetFlavourLabel(std::string label) { FlavourLabel = label.substr(0, 100); }

  // Opening the window: InitWindow(), then OpenModifyAtStartIfSet().
  void OnInitDialog();
  // Title, menu, states, flavour list, columns and rows, the layout of a preferred "Dedezi".
  void InitWindow();
  // The modify dialog of the current dispatcher when OpenModifyAtStart is set; clears it.
  // A view calls it once its window shows.
  void OpenModifyAtStartIfSet();
  // Reads every flavour's dispatcher list again and finds the selected dispatcher by its
  // folder; false (after saying so) when it is gone.
  bool ReloadLists();
  // Refills the rows from the current flavour's dispatchers.
  void RefreshDispatchers();
  // A click in the list: the row, or -1 for a click that hits no row.
  void OnClick(int row);
  // A double-click: the row, or -1 for none. Opens the view or modify dialog for a row.
  void OnDoubleClick(int row);
  // The flavour drop-down list: the entry chosen.
  void OnFlavourChanged(int entry);
  // A button or menu entry (Escape is Command::Close). Does nothing when it is disabled.
  void OnCommand(Command command);
  // After the update job, without showing the window: the PPD of dispatcher `index` of
  // the current flavour, when its configuration opens. Failures are traced only.
  void RegeneratePpd(int index);

  // State for the view.
  const Button& GetButton(Command id) const;
  const MenuEntry& GetMenuEntry(Command id) const;
  // The enabled state of the control or menu entry of `id`: its enabling rules, and a
  // command to carry it out.
  bool IsEnabled(Command id) const;
  // Width of `column` in a list `clientWidth` wide.
  int ColumnWidth(int column, int clientWidth) const;
  frame::CFlavour& CurrentFlavour() const { return *flavours_[static_cast<size_t>(currentFlavour_)]; }

  std::string Title = kLayoutTitle;
  std::string FlavourLabel;  // at most 100 characters
  bool ViewOnly = false;
  bool OpenModifyAtStart = false;
  int CurrentIndex = -1;  // the dispatcher of the last click; -1 when none
  // True when CurrentIndex was clicked; at opening it names the first row without
  // selecting it.
  bool RowSelected = false;
  int Mode = 0;
  std::string PreferredFlavour;
  store::CDispatcherList* Dispatchers = nullptr;
  const store::CTemplateList* Templates = nullptr;
  int StartIndex = 0;

  std::vector<std::string> FlavourEntries;  // display names in the drop-down list
  int FlavourSelection = -1;
  bool FlavourSelectorVisible = true;  // the label, the drop-down list and their frame
  bool BackupAtTop = false;            // the "Dedezi" layout
  std::vector<Column> Columns;
  std::vector<std::vector<std::string>> Rows;  // Name, Type, command port
  std::vector<Button> Buttons;
  std::vector<Menu> Menus;
  bool Closed = false;  // the window is to close

 private:
  bool modifyAtStart_ = false;  // while OpenModifyAtStartIfSet runs the Modify command
  Button& ButtonOf(Command id);
  MenuEntry& MenuEntryOf(Command id);
  void Enable(Command id, bool enabled);
  void SelectFlavour(int entry);
  void ApplyFlavourRules(bool opening);
  void DisableSelectionButtons();
  void UpdateRowButtons(int row);
  bool SelectedFlavourIs(const char* name) const;
  void Run(Command command);
  void OpenDispatcher(bool viewOnly);

  frame::FlavourList& flavours_;
  std::vector<int> entryFlavours_;  // the flavour index of each drop-down entry
  int currentFlavour_ = 0;
  const frame::CCommandTable& commands_;
};

}  // namespace rvc::window
