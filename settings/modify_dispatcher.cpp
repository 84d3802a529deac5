#include "settings/modify_dispatcher.h"

#include <sys/stat.h>

#include <array>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "frame/rvc_app.h"
#include "lifecycle/new_dispatcher.h"
#include "platform/deferred_close.h"
#include "platform/path.h"
#include "settings/general_page.h"
#include "store/rvc_utils.h"

namespace rvc::settings {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(platform::ResolveNoCase(path).c_str(), &st) == 0;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

void Tell(const std::string& text) {
  ui::ShowMessage(text, frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
}

std::string Said(int id, const std::string& argument) {
  const std::array<std::string, 1> arguments{argument};
  return MessageText(id, arguments);
}

}  // namespace

CDispatcher::CDispatcher(const store::CDispatcherList& list, int index,
                         std::vector<const store::CDispatcherList*> installed, bool viewOnly, PageFactory pages,
                         PluginFactory plugins)
    : ViewOnly(viewOnly),
      list_(list),
      installed_(std::move(installed)),
      pageFactory_(std::move(pages)),
      pluginFactory_(std::move(plugins)) {
  if (installed_.empty()) installed_.push_back(&list_);
  const store::DispatcherRecord& record = list_.GetAt(index).Record;
  Result = record;
  context_.record = record;
  context_.dispatcherFolder = platform::WithTrailingSeparator(list_.DataFolder()) + record.Folder;
  // Spelt as the program spells them: the pages read them with the on-disk spelling
  // found only when that fails, and a write resolves the spelling it replaces.
  const auto in = [this](const std::string& piece) { return context_.dispatcherFolder + platform::NativePath(piece); };
  context_.iniFile = in("\\data\\zv" + record.Folder + "_dispatcher.ini");
  context_.configurationFile = in("\\data\\zv_config.res");
  for (int n = 0; n < 3; ++n) context_.swapFiles.push_back(in("\\data\\swap_" + std::to_string(n) + ".sfd"));
  context_.templates = &list_.Templates();
  context_.viewOnly = viewOnly;
}

// The plug-in pages are widgets on the view's tab control: they go before the libraries.
CDispatcher::~CDispatcher() {
  Tabs.clear();
  pages_.clear();
  plugins_.reset();
  retired_.clear();
}

ui::DialogResult CDispatcher::Run() {
  OnInitDialog();
  const ui::DialogResult result = ui::Current().RunDialog(*this);
  if (result != ui::DialogResult::Ok && !cancelled_) OnCancel();
  return result;
}

bool CDispatcher::IsPpdType(const std::string& type) {
  return platform::EqualsNoCase(type, "fromPPD") || platform::EqualsNoCase(type, "_fromPPD") ||
         Contains(type, "_FromPPD") || Contains(type, "_fromppd");
}

std::string CDispatcher::ChosenType() const {
  if (DeviceType < 0 || DeviceType >= static_cast<int>(DeviceTypes.size())) return {};
  return DeviceTypes[static_cast<size_t>(DeviceType)];
}

int CDispatcher::ChosenSeparator() const {
  if (PortSeparator < 0 || PortSeparator >= static_cast<int>(PortSeparators.size())) return -1;
  return PortSeparators[static_cast<size_t>(PortSeparator)];
}

std::string CDispatcher::PpdText(const std::string& type) const {
  if (!IsPpdType(type)) return {};
  store::CRvcUtils utils;
  std::string found = "*.ppd";
  const std::string data = platform::ResolveNoCase(context_.dispatcherFolder + platform::NativePath("\\data\\"));
  if (utils.FindNewestFile(data, found, false)) return found.substr(found.find_last_of("/\\") + 1);
  return kNoPpd;
}

void CDispatcher::OnInitDialog() {
  const store::DispatcherRecord& record = context_.record;
  Name = initialName_ = record.Name;
  Folder = initialFolder_ = record.Folder;
  previousType_ = record.Type;
  Title = (ViewOnly ? kViewTitle : kModifyTitle) + record.Name;

  DeviceTypes.clear();
  DeviceType = 0;
  const store::CTemplateList& templates = list_.Templates();
  for (int i = 0; i < templates.GetCount(); ++i) {
    DeviceTypes.push_back(templates.GetAt(i)->Name);
    if (platform::EqualsNoCase(DeviceTypes.back(), record.Type)) DeviceType = i;
  }
  // A type the flavour no longer lists stays selectable.
  if (!DeviceTypes.empty() && !platform::EqualsNoCase(ChosenType(), record.Type)) {
    DeviceTypes.push_back(record.Type);
    DeviceType = static_cast<int>(DeviceTypes.size()) - 1;
  }

  PortSeparators.clear();
  for (int base = 0; base <= 9; ++base) {
    bool used = false;
    for (int i = 0; i < list_.GetCount(); ++i) {
      const store::DispatcherRecord& other = list_.GetAt(i).Record;
      used = used || (other.Base == base && other.Folder != record.Folder);
    }
    if (!used || base == record.Base) PortSeparators.push_back(base);
    if (base == record.Base) PortSeparator = static_cast<int>(PortSeparators.size()) - 1;
  }

  PpdUsed = PpdText(record.Type);
  FolderEnabled = !platform::EqualsNoCase(record.Folder, record.Flavour);

  pages_.clear();
  if (pageFactory_) {
    // The pages read a dozen small files; their closes are made together at the end.
    platform::DeferredCloses closes;
    for (PageKind kind : {PageKind::General, PageKind::Setup, PageKind::SwapFiles}) {
      if (std::unique_ptr<IPage> page = pageFactory_(kind, context_)) {
        page->Load();
        pages_.emplace_back(kind, std::move(page));
      }
    }
  }

  if (platform::EqualsNoCase(record.Flavour, "Dedezi")) {
    Title = ViewOnly ? "View Rip Configuration" : "Modify Rip Configuration";
    PpdRowVisible = false;
  }
  BuildTabs();
  ActiveTab = 0;
}

void CDispatcher::AttachTabs(void* tabs) {
  tabs_ = tabs;
  attached_ = true;
  LoadPlugins(ChosenType());
  BuildTabs();
}

void CDispatcher::LoadPlugins(const std::string& type) {
  Tabs.clear();
  extraPages_.clear();
  pluginGeneral_ = false;
  pluginGeneralPage_ = nullptr;
  if (plugins_) retired_.push_back(std::move(plugins_));
  if (!pluginFactory_ || !attached_) return;
  PluginContext context;
  context.type = type;
  context.dataFolder = context_.dispatcherFolder + platform::kSeparator + "data";
  context.programFolder = list_.Templates().ProgramFolder();
  if (const auto* general = dynamic_cast<const CGeneral*>(PageOf(PageKind::General))) {
    context.configuration = general->Config();
  }
  context.viewOnly = ViewOnly;
  plugins_ = pluginFactory_(context);
  if (!plugins_) return;
  pluginGeneral_ = plugins_->GeneralPage(tabs_, pluginGeneralPage_);
  extraPages_ = plugins_->ExtraPages(tabs_);
}

void CDispatcher::BuildTabs() {
  Tabs.clear();
  if (pluginGeneral_) {
    if (pluginGeneralPage_ != nullptr) Tabs.push_back({"General", nullptr, pluginGeneralPage_});
  } else if (IPage* general = PageOf(PageKind::General)) {
    Tabs.push_back({"General", general, nullptr});
  }
  if (IPage* setup = PageOf(PageKind::Setup)) Tabs.push_back({"Setup", setup, nullptr});
  if (IPage* swap = PageOf(PageKind::SwapFiles)) Tabs.push_back({"Swapfiles", swap, nullptr});
  for (size_t i = 0; i < extraPages_.size(); ++i) {
    const PluginPage& extra = extraPages_[i];
    Tabs.push_back({extra.caption, nullptr, extra.widget});
  }
  if (ActiveTab >= static_cast<int>(Tabs.size())) ActiveTab = 0;
}

IPage* CDispatcher::PageOf(PageKind kind) const {
  for (const auto& [k, page] : pages_) {
    if (k == kind) return page.get();
  }
  return nullptr;
}

void CDispatcher::OnTypeChanged() {
  const std::string type = ChosenType();
  if (platform::EqualsNoCase(type, previousType_)) return;
  if (FolderEnabled && platform::EqualsNoCase(Folder, initialFolder_)) {
    Folder = lifecycle::UniqueFolderName(platform::WithTrailingSeparator(list_.DataFolder()), type);
  }
  PpdUsed = PpdText(type);
  previousType_ = type;
  if (attached_) {
    LoadPlugins(type);
    BuildTabs();
  }
}

void CDispatcher::OnTabChanged(int tab) {
  if (tab >= 0 && tab < static_cast<int>(Tabs.size())) ActiveTab = tab;
}

bool CDispatcher::OnOk() {
  if (ViewOnly) return true;
  const std::string datadir = platform::WithTrailingSeparator(list_.DataFolder());
  if (!platform::EqualsNoCase(Folder, initialFolder_) && Exists(datadir + Folder)) {
    Tell(Said(msg::kFolderExists, Folder));
    Folder = initialFolder_;
    SetFocusField(kFolderField);
    return false;
  }
  if (!platform::EqualsNoCase(Name, initialName_)) {
    for (const store::CDispatcherList* list : installed_) {
      for (int i = 0; i < list->GetCount(); ++i) {
        if (!platform::EqualsNoCase(list->GetAt(i).Record.Name, Name)) continue;
        Tell(Said(msg::kNameExists, Name));
        SetFocusField(kNameField);
        return false;
      }
    }
    if (Name.find_first_of(kForbiddenNameCharacters) != std::string::npos) {
      Tell(MessageText(msg::kForbiddenCharacters));
      SetFocusField(kNameField);
      return false;
    }
  }
  for (size_t tab = 0; tab < Tabs.size(); ++tab) {
    if (Tabs[tab].page == nullptr) continue;
    if (const std::optional<PageRefusal> refusal = Tabs[tab].page->Validate()) {
      Tell(refusal->message);
      ActiveTab = static_cast<int>(tab);
      SetFocusField(refusal->field);
      return false;
    }
  }
  if (plugins_ && !plugins_->OnOk()) {
    SetFocusField({});
    return false;
  }

  Result.Name = Name;
  Result.Type = ChosenType();
  Result.Base = ChosenSeparator();
  Result.Folder = Folder;
  for (const auto& [kind, page] : pages_) {
    if (page->HasChanges()) page->Save();
  }
  return true;
}

void CDispatcher::OnCancel() {
  cancelled_ = true;
  if (plugins_) plugins_->OnCancel();
  Result.Type.clear();
}

}  // namespace rvc::settings
