#include "install/saved_state.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "platform/path.h"
#include "store/confinement.h"
#include "store/resource_db.h"

namespace rvc::install {
namespace {

std::string NoSeparator(std::string folder) {
  while (folder.size() > 1 && folder.back() == platform::kSeparator) folder.pop_back();
  return folder;
}

}  // namespace

CSavedState::CSavedState(std::string flavor) : flavor_(std::move(flavor)), temp_(utils_.ExpandFolder("%TMP%")) {
  // The name comes from the program folder's type list; the saved state is deleted by it.
  if (const std::string problem = store::FolderNameProblem(flavor_); !problem.empty()) {
    throw CRvcException(msg::kConfigurationFailed, "of the saved state: the template folder name " + problem);
  }
}

std::string CSavedState::Folder() const { return temp_ + flavor_ + platform::kSeparator; }

std::string CSavedState::TemplateCopy() const { return temp_ + flavor_ + "prog" + platform::kSeparator; }

std::string CSavedState::StagingFolder() const { return temp_ + "." + flavor_ + ".incoming" + platform::kSeparator; }

bool CSavedState::HasTemplateCopy() const {
  std::error_code error;
  return std::filesystem::is_directory(platform::ResolveNoCase(NoSeparator(TemplateCopy())), error);
}

std::string CSavedState::ListFile() {
  std::string pattern = "rvc1.cfg";
  return utils_.FindNewestFile(Folder(), pattern, true) ? pattern : std::string();
}

bool CSavedState::Holds(const std::string& folder, const std::string& pattern) {
  std::string found = pattern;
  return utils_.FindNewestFile(folder, found, false);
}

// The folder is renamed aside first, in one step: a kill then leaves it whole or gone
// from its place, and RemoveLeftovers() finishes what the removal began.
void CSavedState::SetAsideAndRemove(const std::string& folder) {
  const std::string from = platform::ResolveNoCase(NoSeparator(folder));
  const std::string aside = temp_ + "." + flavor_ + ".removed." + std::to_string(::getpid());
  std::error_code error;
  std::filesystem::rename(from, aside, error);
  utils_.DeleteTree(error ? from : aside, /*removeFolder=*/true, /*ignoreErrors=*/true);
}

void CSavedState::ReplaceWithStaging() {
  const std::string staged = NoSeparator(StagingFolder());
  const std::string target = NoSeparator(platform::ResolveNoCase(NoSeparator(Folder())));
  std::error_code error;
  if (std::filesystem::exists(target, error)) {
    if (!Holds(Folder(), "zv*dispatcher.ini")) {
      // Not a saved state of ours: what the copy does not replace stays.
      store::CopyOptions keep;
      keep.overwrite = false;
      keep.stopAtErrors = false;
      keep.showProgress = false;
      utils_.CopyTree(target, staged, keep);
    }
    SetAsideAndRemove(Folder());
  }
  std::filesystem::rename(staged, temp_ + flavor_, error);
  if (error) throw CRvcException(msg::kRenameFailed, staged, temp_ + flavor_);
}

void CSavedState::RemoveAfterUpdate() {
  if (Holds(Folder(), "zv*dispatcher.ini")) SetAsideAndRemove(Folder());
  if (HasTemplateCopy() && Holds(TemplateCopy(), "zv*dispatcher*.ini")) SetAsideAndRemove(TemplateCopy());
}

void CSavedState::RemoveLeftovers() {
  std::error_code error;
  if (temp_.empty() || !std::filesystem::is_directory(temp_, error)) return;
  const std::string staging = "." + flavor_ + ".incoming";
  const std::string aside = "." + flavor_ + ".removed.";
  for (const auto& entry : std::filesystem::directory_iterator(temp_, error)) {
    const std::string name = entry.path().filename().string();
    if (platform::EqualsNoCase(name, staging) || platform::ToLowerAscii(name).rfind(platform::ToLowerAscii(aside), 0) == 0) {
      CRvcTrace("").Trace("Removing " + entry.path().string() + ", left by an interrupted job");
      utils_.DeleteTree(entry.path().string(), /*removeFolder=*/true, /*ignoreErrors=*/true);
    }
  }
}

SavedList ReadSavedList(const std::string& listFile) {
  std::optional<store::ResourceDb> db = store::ResourceDb::Open(listFile);
  if (!db) throw CRvcException(msg::kResourceDbError, listFile);
  SavedList list;
  list.Install = db->Find("Main", "Install");
  const long count = db->FindInt("Main", "NrConfigs").value_or(0);
  for (long i = 1; i <= count; ++i) {
    const std::string topic = "Config" + std::to_string(i);
    SavedDispatcher saved;
    saved.Name = db->Find(topic, "Name");
    saved.Folder = db->Find(topic, "Folder");
    saved.Type = db->Find(topic, "Type");
    saved.Base = db->FindInt(topic, "Base");
    list.Dispatchers.push_back(std::move(saved));
  }
  return list;
}

}  // namespace rvc::install
