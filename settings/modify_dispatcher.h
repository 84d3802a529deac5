// The "Modify dispatcher" dialog (`CDispatcher`): the identity of one dispatcher (name,
// device type, folder, port separator) above a tab control with the General, Setup and
// Swapfiles pages and the pages that the device type's plug-in libraries add. The Modify
// command opens it for the selected dispatcher, the View command read-only.
//
// The class is a model: a view shows the fields, the lists and one tab per entry of Tabs,
// writes the operator's input back, calls OnTypeChanged and OnTabChanged for the controls
// and closes with Ok (the dialog stays while OnOk() refuses) or Cancel (OnCancel()). The
// view hands its tab control to AttachTabs() once it exists: plug-in pages are widgets
// that the libraries create on it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/page.h"
#include "store/dispatcher_list.h"
#include "store/template_list.h"
#include "ui/user_interface.h"

namespace rvc::settings {

// What a page of the dialog is made from.
struct PageContext {
  store::DispatcherRecord record;
  std::string dispatcherFolder;  // the data folder + Folder, no trailing separator
  std::string iniFile;           // "data/zv<Folder>_dispatcher.ini"
  std::string configurationFile;  // "data/zv_config.res"
  std::vector<std::string> swapFiles;  // "data/swap_0.sfd" to "data/swap_2.sfd"
  const store::CTemplateList* templates = nullptr;  // the flavour's device types
  bool viewOnly = false;
};

enum class PageKind { General, Setup, SwapFiles };

// Makes the dialog's own pages; null when the page is not available.
using PageFactory = std::function<std::unique_ptr<IPage>(PageKind kind, const PageContext& context)>;

// A page that a plug-in library made on the tab control.
struct PluginPage {
  void* widget = nullptr;
  std::string caption;
};

// The pages of the device type's "generaldll" and "dispatcherdll" libraries and their
// calls on OK and Cancel. Made per device type; the libraries stay loaded while it lives.
class IPluginPages {
 public:
  virtual ~IPluginPages() = default;
  // Whether a general library replaces the built-in General page; `page` receives its page
  // (null: no General page at all).
  virtual bool GeneralPage(void* tabs, void*& page) = 0;
  // The extra pages of the dispatcher library, in order.
  virtual std::vector<PluginPage> ExtraPages(void* tabs) = 0;
  // OK: the general library's OnOK, then each extra page's OnOK or OnOKExt. False keeps
  // the dialog open.
  virtual bool OnOk() = 0;
  // Cancel: each extra page's OnCancel.
  virtual void OnCancel() = 0;
};

struct PluginContext {
  std::string type;           // the device type
  std::string dataFolder;     // the dispatcher folder + "/data", no trailing separator
  std::string programFolder;  // the flavour's program folder
  // The General page's open configuration handle, the one it holds with the write lock;
  // null when the page could not open it.
  void* configuration = nullptr;
  bool viewOnly = false;
};

// The plug-ins of a device type; null when it names none that loads.
using PluginFactory = std::function<std::unique_ptr<IPluginPages>(const PluginContext& context)>;

class CDispatcher : public ui::IDialogModel {
 public:
  static constexpr const char* kModifyTitle = "Modify Dispatcher ";
  static constexpr const char* kViewTitle = "View Dispatcher ";
  static constexpr const char* kNoPpd = "<Ppd Spec>";
  static constexpr const char* kForbiddenNameCharacters = "\\/:*?\"<>|";
  // The fields that a refused OK names (pages name their own).
  static constexpr const char* kNameField = "Name";
  static constexpr const char* kFolderField = "Folder";

  // `list` is the dispatcher's flavour's list, `installed` every installed flavour's list
  // (for the name check; empty: `list` only); all outlive the dialog.
  CDispatcher(const store::CDispatcherList& list, int index, std::vector<const store::CDispatcherList*> installed,
              bool viewOnly, PageFactory pages = {}, PluginFactory plugins = {});
  ~CDispatcher() override;
  CDispatcher(CDispatcher&&) = default;
  std::string DialogName() const override { return "Dispatcher"; }

  // OnInitDialog, then the dialog until Ok is accepted or the operator cancels.
  ui::DialogResult Run();

  // Fields, lists, title, the own pages and the tabs.
  void OnInitDialog();
  // The view's tab control (NULL without a display): the plug-in libraries are loaded and
  // their pages, made on it, join the tabs. Front ends without the plug-in pages
  // (ravlinctl) never call it.
  void AttachTabs(void* tabs);
  // The device type selection changed.
  void OnTypeChanged();
  void OnTabChanged(int tab);
  // The checks of the identity (114, 113, 126), then of every page (the first refusal is
  // shown and its tab selected) and of the plug-ins; then the input is kept in Result and
  // the changed pages are saved. In view mode nothing is checked or saved.
  bool OnOk() override;
  // The plug-ins' OnCancel; Result's Type is emptied: nothing is to be applied.
  void OnCancel();

  // "fromPPD" or "_fromPPD" (ignoring case), or a name holding "_FromPPD" or "_fromppd".
  static bool IsPpdType(const std::string& type);
  std::string ChosenType() const;
  int ChosenSeparator() const;

  // The dispatcher as the dialog leaves it: the edited identity after OK, Type "" after Cancel.
  store::DispatcherRecord Result;
  bool ViewOnly = false;

  std::string Title;
  std::string Name;
  std::string Folder;
  bool FolderEnabled = true;
  std::vector<std::string> DeviceTypes;
  int DeviceType = 0;
  std::vector<int> PortSeparators;
  int PortSeparator = 0;
  std::string PpdUsed;  // "PPD Used:"
  bool PpdRowVisible = true;

  struct Tab {
    std::string caption;
    IPage* page = nullptr;   // an own page, shown through the view registry
    void* widget = nullptr;  // or a plug-in's page
  };
  std::vector<Tab> Tabs;
  int ActiveTab = 0;

  // The own pages, for the command (PPD regeneration asks the General page for changes).
  IPage* PageOf(PageKind kind) const;
  const PageContext& Context() const { return context_; }

 private:
  void LoadPlugins(const std::string& type);
  void BuildTabs();
  std::string PpdText(const std::string& type) const;

  const store::CDispatcherList& list_;
  std::vector<const store::CDispatcherList*> installed_;
  PageFactory pageFactory_;
  PluginFactory pluginFactory_;
  PageContext context_;
  std::string initialName_, initialFolder_, previousType_;
  std::vector<std::pair<PageKind, std::unique_ptr<IPage>>> pages_;
  std::unique_ptr<IPluginPages> plugins_;
  // The libraries of types chosen before: their pages may still be widgets of the view,
  // so they stay loaded as long as the dialog.
  std::vector<std::unique_ptr<IPluginPages>> retired_;
  bool attached_ = false;
  bool cancelled_ = false;
  bool pluginGeneral_ = false;
  void* pluginGeneralPage_ = nullptr;
  std::vector<PluginPage> extraPages_;
  void* tabs_ = nullptr;
};

}  // namespace rvc::settings
