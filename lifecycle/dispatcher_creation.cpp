#include "lifecycle/dispatcher_creation.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "lifecycle/creation_journal.h"
#include "lifecycle/intent_journal.h"
#include "lifecycle/list_file.h"
#include "lifecycle/type_files.h"
#include "platform/file_copy.h"
#include "platform/path.h"
#include "ripconfig/ravlcfg.h"
#include "store/confinement.h"
#include "store/queue_list.h"
#include "store/rvc_utils.h"
#include "store/shortcuts.h"
#include "store/swap_files.h"
#include "ui/user_interface.h"

namespace rvc::lifecycle {
namespace {

using store::CDispatcher;
using store::CRvcUtils;

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(platform::ResolveNoCase(path).c_str(), &st) == 0;
}

// Anything under that name, a dangling link included.
bool Taken(const std::string& path) {
  struct stat st {};
  return ::lstat(platform::ResolveNoCase(path).c_str(), &st) == 0;
}

// `path` written with "\" as the literal pieces of the installation's layout are.
std::string Native(std::string_view path) { return platform::NativePath(path); }

std::string FileNameOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Replaces the first run of digits of `text` by `number`, or appends it when there is none.
void RenumberFirstDigits(std::string& text, int number) {
  long value = 0;
  long at = CRvcUtils::ParseFirstNumber(text, value);
  const std::string digits = std::to_string(number);
  if (at < 0) {
    text += digits;
    return;
  }
  size_t end = static_cast<size_t>(at);
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  text.replace(static_cast<size_t>(at), end - static_cast<size_t>(at), digits);
}

// Replaces the first occurrence of `from` in `text` (searched ignoring case) by `to`.
bool ReplaceFirstNoCase(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return false;
  size_t at = platform::ToLowerAscii(text).find(platform::ToLowerAscii(from));
  if (at == std::string::npos) return false;
  text.replace(at, from.size(), to);
  return true;
}

std::string Unquoted(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c != '"') result += c;
  }
  return result;
}

std::string ExpandedHotFolder(const CRvcUtils& utils, const store::CQueue& queue) {
  return utils.ExpandPath(Unquoted(queue.Folder));
}

// The list has no insertion in the middle: the new entry is appended, and the entries
// between the first one and it are moved behind it, in order.
CDispatcher& InsertAfterFirst(store::CDispatcherList& list, const CDispatcher& dispatcher) {
  const int current = list.Current();
  const int before = list.GetCount();
  CDispatcher& added = list.Add(dispatcher);
  for (int moved = 1; moved < before; ++moved) {
    std::unique_ptr<CDispatcher> entry = list.Remove(list.GetAt(1));
    list.Add(*entry);
  }
  list.SetCurrent(before > 0 && current >= 1 ? current + 1 : current);
  return added;
}

// One run of CreateDispatcher: the inputs and the paths derived from them.
class CCreation {
 public:
  explicit CCreation(CreateDispatcherInputs& in)
      : in_(in),
        source_(*in.source),
        target_(*in.target),
        list_(*in.dispatchers),
        templates_(*in.templates),
        datadir_(platform::WithTrailingSeparator(list_.DataFolder())),
        progdir_(platform::WithTrailingSeparator(templates_.ProgramFolder())),
        tdir_(platform::WithTrailingSeparator(templates_.TemplateFolder())) {}

  void Check();
  void Build();
  bool Rollback();
  void Finish();
  void WriteThrough(CIntentJournal* intent) { journal_.WriteThrough(intent); }
  void PpdAndConfiguration();

 private:
  store::DispatcherRecord& T() { return target_.Record; }
  const store::DispatcherRecord& S() const { return source_.Record; }
  void Step(CreationStep step) {
    if (in_.stepHook) in_.stepHook(step);
  }
  std::string New() const { return datadir_ + target_.Record.Folder; }
  // A piece of the new dispatcher's folder, written with "\", resolved against the
  // spelling on disk.
  std::string InNew(std::string_view piece) const { return platform::ResolveNoCase(New() + Native(piece)); }
  std::string Ini() const { return InNew("\\data\\zv" + target_.Record.Folder + "_dispatcher.ini"); }
  std::string SourceIni() const { return InNew("\\data\\zv" + source_.Record.Folder + "_dispatcher.ini"); }
  // The newest file of a template in the flavour's template folder; a template the
  // installation lacks is an error of the step that needs it.
  std::string Template(const std::string& file) {
    std::string pattern = file;
    if (file.empty() || !utils_.FindNewestFile(tdir_, pattern, false)) throw CRvcException(msg::kOpenFailed, tdir_ + file);
    return pattern;
  }
  void CopyFile(const std::string& from, const std::string& to) const {
    store::CopyOptions options;
    options.showProgress = false;
    utils_.CopyTree(from, to, options);
  }
  void NormaliseSwapFiles();
  void DropQueueSetup();
  void MakeShortcut(bool desktop, const std::string& failure);
  void JournalShortcut(store::CShortcuts& shortcuts, bool desktop);
  void Register();

  CreateDispatcherInputs& in_;
  const CDispatcher& source_;
  CDispatcher& target_;
  store::CDispatcherList& list_;
  const store::CTemplateList& templates_;
  const std::string datadir_, progdir_, tdir_;
  CRvcUtils utils_;
  CCreationJournal journal_;
};

// Normalisation and checks

void CCreation::Check() {
  T().Folder = CRvcUtils::BlanksToUnderscores(T().Folder);
  T().Name = CRvcUtils::BlanksToUnderscores(T().Name);
  // The folder comes from a type name of the program folder's list: it must stay a folder
  // of the data folder, which rollback may remove again.
  if (const std::string problem = store::FolderNameProblem(T().Folder); !problem.empty()) {
    throw CRvcException(msg::kCannotCreate, "the dispatcher folder \"" + store::Printable(T().Folder) + "\": it " + problem);
  }
  if (Taken(New())) throw CRvcException(msg::kFolderExists, T().Folder);
  if (T().Name.empty()) throw CRvcException(msg::kNameMissing);
  if (T().Name.find_first_of("\\/:*?\"<>|") != std::string::npos) throw CRvcException(msg::kForbiddenCharacters);
  if (const std::string problem = store::DispatcherNameProblem(T().Name); !problem.empty()) {
    throw CRvcException(msg::kCannotCreate, "a dispatcher whose name " + problem);
  }
  if (in_.skipChecks) return;
  if (T().Base == -1) throw CRvcException(msg::kPortMissing);
  for (int i = 0; i < list_.GetCount(); ++i) {
    const store::DispatcherRecord& other = list_.GetAt(i).Record;
    if (other.Base == T().Base) throw CRvcException(msg::kPortSeparatorExists, std::to_string(T().Base));
    if (platform::EqualsNoCase(other.Name, T().Name)) throw CRvcException(msg::kNameExists, T().Name);
  }
}

// Building the folder, queues, shortcuts and the list entry

void CCreation::Build() {
  Step(CreationStep::CopySourceFolder);
  journal_.Created(New(), datadir_);
  store::CopyOptions copy;
  copy.skipFile = in_.leaveOutOfCopy;
  utils_.CopyTree(datadir_ + S().Folder, New(), copy);

  Step(CreationStep::EmptyWorkFolders);
  for (const char* sub : {"\\Tmp", "\\Logging", "\\LocalDir1", "\\LocalDir2"}) {
    utils_.DeleteTree(InNew(sub), /*removeFolder=*/false, /*ignoreErrors=*/true);
  }

  Step(CreationStep::SwapFileTemplates);
  for (int n = 0; n < 3; ++n) {
    const std::string name = "swap_" + std::to_string(n) + ".sfd";
    CopyFile(Template(name), InNew("\\Data\\" + name));
  }

  Step(CreationStep::RemoveHistory);
  utils_.DeleteTree(InNew("\\Data\\History.txt"), true, /*ignoreErrors=*/false);

  // Without a source ini there is nothing to carry over; its absence is reported by the
  // rename below.
  TypeFilesChange typeFiles;
  typeFiles.folder = New();
  typeFiles.ini = SourceIni();
  typeFiles.oldType = S().Type;
  typeFiles.newType = T().Type;
  typeFiles.templates = &templates_;
  typeFiles.step = in_.stepHook;
  CarryIniOverToType(typeFiles);
  CopyTypeTemplates(typeFiles);

  Step(CreationStep::SwapFileNames);
  NormaliseSwapFiles();

  Step(CreationStep::RenameIni);
  {
    const std::string from = SourceIni();
    const std::string to = Ini();
    if (from != to && std::rename(from.c_str(), to.c_str()) != 0) throw CRvcException(msg::kRenameFailed, S().Folder, T().Folder);
    if (from == to && !Exists(from)) throw CRvcException(msg::kRenameFailed, S().Folder, T().Folder);
  }
  Step(CreationStep::IniFlavour);
  utils_.RenameIniFlavour(Ini(), S().Folder, T().Folder);
  Step(CreationStep::IniDispatcherName);
  utils_.RenameIniDispatcher(Ini(), S().Name, T().Name);
  Step(CreationStep::CommandPort);
  utils_.SetIniCommandPort(Ini(), T().Base);
  // The configuration's PavoNet command port follows too: a flavour without a list file
  // takes each dispatcher's port separator from it when the list is rebuilt.
  utils_.SetIniCommandPort(InNew("\\data\\zv_config.res"), T().Base);
  Step(CreationStep::VdpMode);
  if (platform::EqualsNoCase(templates_.Flavor(), "Dedezi")) {
    utils_.SetEnvironmentItem(Ini(), "VDP_MODE", in_.vdpMode == 1 ? "VDP" : "STATIC");
  }

  Step(CreationStep::DropQueues);
  if (in_.dropQueueSetup) DropQueueSetup();
  Step(CreationStep::AdaptQueues);
  if (!in_.dropQueueSetup) {
    std::string servers = "servers.ini";
    if (utils_.FindNewestFile(InNew("\\data\\"), servers, false)) {
      AdaptQueueSetup(servers, source_, target_, in_.renumberHotFolders, &journal_);
    }
  }

  Step(CreationStep::DesktopShortcut);
  MakeShortcut(true, "Cannot create icon (" + std::to_string(in_.iconFailureNumber) + ")");
  Step(CreationStep::ProgramsShortcut);
  MakeShortcut(false, "Cannot create icon (" + std::to_string(in_.iconFailureNumber + 1) + ")");

  Step(CreationStep::Register);
  Register();
  Step(CreationStep::Built);
}

// The journal is kept until the PPD is written, so that a PPD that cannot be written
// undoes the whole creation; it is dropped before the user is told.
void CCreation::Finish() {
  journal_.Commit();
  if (in_.announce) {
    const std::string text = "The new dispatcher configuration " + T().Name +
                             " has been created.\n\nA shortcut\n\n\t\"" + T().Name + " " + in_.label +
                             " dispatcher\"\n\nhas been created on your desktop.\n\nDo not rename this shortcut "
                             "manually!";
    ui::ShowMessage(text, "Information", ui::Buttons::Ok, ui::Icon::Information);
  }
}

void CCreation::NormaliseSwapFiles() {
  const std::string first = list_.GetCount() > 0 ? list_.GetAt(0).Record.Folder : S().Folder;
  std::vector<std::string> files;
  bool complete = true;
  for (int n = 0; n < 3; ++n) {
    files.push_back(InNew("\\Data\\swap_" + std::to_string(n) + ".sfd"));
    if (utils_.ReplaceInTextFile(files.back(), "\\" + first + "\\", "\\" + T().Folder + "\\")) complete = false;
  }
  if (!complete) {
    ui::ShowMessage("Please check swapfile settings!", frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
    Trace("Incomplete swapfile settings");
    return;
  }
  store::CSwapfiles swapfiles(files[0], files[1], files[2]);
  swapfiles.Save();
}

void CCreation::DropQueueSetup() {
  const std::string data = InNew("\\data\\");
  std::string found = "servers.ini";
  if (utils_.FindNewestFile(data, found, false)) utils_.DeleteTree(found, true, /*ignoreErrors=*/false);
  for (;;) {
    found = "*.usr";
    if (!utils_.FindNewestFile(data, found, false)) break;
    utils_.DeleteTree(found, true, /*ignoreErrors=*/false);
    if (Exists(found)) throw CRvcException(msg::kDeleteFailed, found);  // never loop on a file that stays
  }
}

// Notes what the launcher about to be written replaces: its own file and any file whose
// name differs from it only in case (which the write deletes), and the program group
// when it is missing.
void CCreation::JournalShortcut(store::CShortcuts& shortcuts, bool desktop) {
  const std::string folder = shortcuts.ShortcutFolder(desktop);
  const std::string name = store::CShortcuts::CurrentFormName(T().Name, in_.label);
  if (!Exists(folder)) {
    journal_.CreatingFolders(folder);
    return;
  }
  bool exact = false;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      if (!platform::EqualsNoCase(entry->d_name, name)) continue;
      exact = exact || name == entry->d_name;
      if (!journal_.Preserve(folder + entry->d_name)) {
        ::closedir(dir);
        throw CRvcException(msg::kOpenFailed, folder + entry->d_name);
      }
    }
    ::closedir(dir);
  }
  if (!exact) journal_.Created(folder + name);
}

void CCreation::MakeShortcut(bool desktop, const std::string& failure) {
  const std::string arguments = store::CShortcuts::DispatcherArguments(T().Folder, T().Name);
  store::CShortcuts shortcuts;
  auto copyFrom = [&](const std::string& sourceName) {
    try {
      return shortcuts.CopyDispatcherShortcut(sourceName, T().Name, arguments, in_.label, desktop);
    } catch (const CRvcException& e) {
      Trace(e.Message());
      return false;
    }
  };
  bool made = false;
  try {
    JournalShortcut(shortcuts, desktop);
    made = copyFrom(S().Name) || (list_.GetCount() > 0 && copyFrom(list_.GetAt(0).Record.Name));
  } catch (const CRvcException& e) {
    Trace(e.Message());
  }
  if (made) return;
  ui::ShowMessage(std::string(failure) + "!", frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
  Trace(failure);
}

void CCreation::Register() {
  // The flavour's data folder keeps a copy of every dispatcher's ini file: a flavour
  // without a list file is rebuilt from those copies at the next start.
  const std::string listCopy = platform::ResolveNoCase(list_.IniFileOf(T().Folder));
  if (!journal_.Preserve(listCopy)) throw CRvcException(msg::kOpenFailed, listCopy);
  store::CopyOptions copyOptions;
  copyOptions.showProgress = false;
  utils_.CopyTree(platform::ResolveNoCase(Ini()), listCopy, copyOptions);

  target_.SetPath(New());
  const int current = list_.Current();
  CDispatcher& added = in_.appendToList ? list_.Add(target_) : InsertAfterFirst(list_, target_);
  store::CDispatcherList& list = list_;
  CDispatcher* entry = &added;
  const int base = T().Base;
  const bool wasInUse = list.SeparatorInUse(base);
  list.SetSeparatorInUse(base, true);
  journal_.OnRollback([&list, entry, current, base, wasInUse] {
    list.Remove(*entry);
    list.SetCurrent(current);
    list.SetSeparatorInUse(base, wasInUse);
  });
  // Its old bytes are an undo entry: a rollback puts the old list file back.
  if (in_.saveListFile) SaveDispatcherListFile(list_, &journal_);
}

bool CCreation::Rollback() {
  const bool complete = journal_.Rollback();
  if (!complete) Trace("Dispatcher " + T().Name + " could not be removed completely");
  // Start files of the dispatcher that installations on other platforms keep.
  try {
    std::string start = "dispatcher" + T().Folder + ".bat";
    if (utils_.FindNewestFile(progdir_ + Native("\\com_win\\"), start, false)) utils_.DeleteTree(start, true, true);
    std::string link = "dispatcher" + T().Folder + ".lnk";
    if (utils_.FindNewestFile(progdir_ + Native("\\"), link, false)) utils_.DeleteTree(link, true, true);
  } catch (const CRvcException& e) {
    Trace(e.Message());
  }
  return complete;
}

// PPD and RIP configuration

void CCreation::PpdAndConfiguration() {
  if (!in_.ppdPath.empty()) {
    const std::string data = InNew("\\data\\");
    const std::string destination = data + FileNameOf(in_.ppdPath);
    const bool inPlace = platform::EqualsNoCase(destination, in_.ppdPath);
    // The chosen PPD itself is kept when it already lies there.
    for (std::string found = "*.ppd"; utils_.FindNewestFile(data, found, false); found = "*.ppd") {
      if (inPlace && platform::EqualsNoCase(found, in_.ppdPath)) break;
      utils_.DeleteTree(found, true, /*ignoreErrors=*/false);
      if (Exists(found)) throw CRvcException(msg::kDeleteFailed, found);
    }
    if (!inPlace) {
      std::string error;
      errno = 0;
      const platform::CopyOutcome outcome = platform::CopyFile(platform::ResolveNoCase(in_.ppdPath), destination,
                                                               platform::CopyRequest{true, true}, &error);
      if (outcome == platform::CopyOutcome::kFailed) {
        const int cause = errno;
        ui::ShowMessage(std::string(std::strerror(cause != 0 ? cause : EIO)) + "\n" + in_.ppdPath,
                        frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
        Trace(error + " " + in_.ppdPath);
        return;
      }
    }
    Trace("A copy of used ppd file can be found at : " + destination);
  }

  const std::unique_ptr<ripconfig::ConfigurationStore> open =
      ripconfig::ConfigurationStore::Open(InNew("\\data\\zv_config.res"));
  ripconfig::RavlcfgHandle* cfg = open.get();
  if (cfg == nullptr) {
    ui::ShowMessage(MessageText(msg::kResourceFilesError), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Error);
    return;
  }
  try {
    if (!in_.ppdPath.empty()) ApplyPpdOptions(cfg, in_.ppdOptions ? &*in_.ppdOptions : nullptr);
  } catch (const CRvcException& e) {
    e.Report();
  }
  bool generated = false;
  try {
    generated = in_.ppdGenerator != nullptr && in_.ppdGenerator->Generate(target_, *cfg, datadir_);
  } catch (const CRvcException& e) {
    // A PPD that could not be written (a full disk) fails the whole creation.
    if (e.Id() == msg::kSystemError) throw;
    e.Report();
  }
  if (!generated) Trace("Ppd files couldn't be created");
}

}  // namespace

bool CreateDispatcher(CreateDispatcherInputs& inputs) {
  if (inputs.source == nullptr || inputs.target == nullptr || inputs.dispatchers == nullptr ||
      inputs.templates == nullptr) {
    throw std::invalid_argument("CreateDispatcher: source, target and the flavour's lists are required");
  }
  CCreation creation(inputs);
  std::optional<CIntentJournal> own;
  try {
    creation.Check();
    if (inputs.intent == nullptr) {
      IntentRecord record;
      record.operation = "create";
      record.dataFolder = inputs.dispatchers->DataFolder();
      record.label = inputs.label;
      record.name = inputs.target->Record.Name;
      record.folder = inputs.target->Record.Folder;
      own.emplace(record);
    }
  } catch (const CRvcException& e) {
    e.Report();
    return false;
  }
  CIntentJournal& intent = inputs.intent != nullptr ? *inputs.intent : *own;
  creation.WriteThrough(&intent);
  // A rollback that left something behind leaves the journal for the recovery.
  auto rollBack = [&creation, &intent, keep = inputs.intent != nullptr && inputs.keepIntentOpen] {
    if (creation.Rollback() && !keep) intent.Finish();
  };
  try {
    creation.Build();
  } catch (const CRvcException& e) {
    e.Report();
    rollBack();
    return false;
  } catch (...) {
    rollBack();
    throw;
  }
  creation.WriteThrough(nullptr);
  // The dispatcher exists from here on; what goes wrong with its PPD is reported only,
  // unless the PPD could not be written: then the disk is full or failing, and the
  // creation is undone rather than leaving a dispatcher without its PPD.
  try {
    creation.PpdAndConfiguration();
  } catch (const CRvcException& e) {
    e.Report();
    if (e.Id() == msg::kSystemError) {
      rollBack();
      return false;
    }
  } catch (...) {
    rollBack();
    throw;
  }
  if (own) own->Finish();
  creation.Finish();
  return true;
}

int ApplyPpdOptions(ripconfig::ConfigurationStore* cfg, const PpdOptions* options) {
  if (cfg == nullptr || options == nullptr) return -1;
  struct LockRelease {
    ripconfig::RavlcfgHandle* handle;
    ~LockRelease() { ripconfig::ravlcfg_release_writelock(handle); }
  };
  try {
    if (ripconfig::ravlcfg_gain_writelock(cfg, 0) != 1) throw CRvcException(msg::kInternalError, "ravlcfg_gain_writelock");
    LockRelease release{cfg};

    const std::string& file = options->FileName;
    ripconfig::ravlcfg_get_base(cfg)->origin = "FROM_PPD_" + file.substr(0, file.size() >= 4 ? file.size() - 4 : 0);

    ripconfig::RecorderRecord* recorder = ripconfig::ravlcfg_get_rec(cfg);
    ripconfig::FilmRecord* film = cfg->CurrentFilm();
    const int width = static_cast<int>(options->MaxMediaWidth * 1000.0 / 72.0);  // exact for whole inches
    if (width == 0) {
      Trace("Maximum media width is not specified in the PPD, so keeping default media width and device width");
    } else {
      if (film != nullptr) film->horizontalSize = width;
      recorder->maxWidth = width;
    }
    const int height = static_cast<int>(options->MaxMediaHeight * 1000.0 / 72.0);
    if (height == 0) {
      Trace("Maximum media height is not specified in the PPD, so keeping default media height and device height");
    } else {
      if (film != nullptr) film->verticalSize = height;
      recorder->maxHeight = height;
    }

    for (double dpi : options->Resolutions) {
      ripconfig::ResolutionEntry* entry = ripconfig::ravlcfg_add_resolution(cfg, "set_0");
      if (entry == nullptr) throw CRvcException(msg::kInternalError, "ravlcfg_add_resolution");
      entry->dpi = dpi;
      entry->enabled = 1;
      entry->calibration = {0.0, 0.0, 1000.0, 1000.0};
    }
    if (options->Resolutions.empty()) {
      Trace("There is no resolution specified in PPD, keeping the default resolution");
    } else {
      ripconfig::ravlcfg_del_resolution(cfg, "set_0", 2000.0);
    }
    if (ripconfig::ravlcfg_write(cfg) != 1) {
      const std::vector<std::string> errors = ripconfig::ravlcfg_get_errormessages(cfg);
      throw CRvcException(msg::kInternalError, "ravlcfg_write" + (errors.empty() ? std::string() : " (" + errors.front() + ")"));
    }
  } catch (const CRvcException& e) {
    Trace(e.Message());
    throw CRvcException(msg::kCreateFailed, "resource file parameters from selected Ppd file");
  }
  return 1;
}

std::vector<std::string> HotFolders(const std::string& serversIni) {
  std::vector<std::string> folders;
  CRvcUtils utils;
  store::CQueueList queues(serversIni);
  for (int i = 0; const store::CQueue* queue = store::CQueueList::GetQueue(i); ++i) {
    if (platform::ToLowerAscii(queue->Class) != "hf") continue;
    const std::string folder = ExpandedHotFolder(utils, *queue);
    if (!folder.empty() && folder.front() == platform::kSeparator) folders.push_back(folder);
  }
  return folders;
}

void AdaptQueueSetup(const std::string& serversIni, const CDispatcher& source, const CDispatcher& target,
                     bool renumberHotFolders, CCreationJournal* journal) {
  const store::DispatcherRecord& s = source.Record;
  const store::DispatcherRecord& t = target.Record;
  CRvcUtils utils;
  store::CQueueList queues(serversIni);
  for (int i = 0; store::CQueue* queue = store::CQueueList::GetQueue(i); ++i) {
    const std::string kind = platform::ToLowerAscii(queue->Class);
    if (kind == "pap" || kind == "npipe") {
      if (t.Name != s.Name && !ReplaceFirstNoCase(queue->Name, s.Name, t.Name))
        RenumberFirstDigits(queue->Name, t.Base);
    } else if (kind == "hf") {
      if (t.Folder != s.Folder && !ReplaceFirstNoCase(queue->Folder, s.Folder, t.Folder) && renumberHotFolders) {
        RenumberFirstDigits(queue->Folder, t.Base);
      }
      const std::string folder = ExpandedHotFolder(utils, *queue);
      if (folder.empty() || folder.front() != platform::kSeparator) {
        Trace("Hot folder " + queue->Folder + " is not an absolute path; not created");
        continue;
      }
      if (journal != nullptr) journal->CreatingFolders(folder);
      utils.CreateFolderTree(folder);
    } else if (kind == "inifile") {
      if (t.Base != s.Base) {
        const int p = queue->TcpPort;
        queue->TcpPort = (t.Base + (p / 1000) * 10) * 100 + p % 100;
      }
    }
  }
  queues.SaveQueues();
}

}  // namespace rvc::lifecycle
