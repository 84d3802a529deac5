#include "install/job_shortcuts.h"

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "platform/path.h"

namespace rvc::install {
namespace {

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

}  // namespace

CJobShortcuts::CJobShortcuts(std::string label, std::string dataFolder, std::string programFolder)
    : label_(std::move(label)), dataFolder_(std::move(dataFolder)), programFolder_(std::move(programFolder)) {}

std::string CJobShortcuts::FindCopy(bool desktop) {
  std::string pattern = std::string("*") + CopySuffix(desktop);
  return utils_.FindNewestFile(dataFolder_, pattern, true) ? pattern : std::string();
}

std::string CJobShortcuts::CopyOwner(const std::string& copy) {
  const std::string name = store::CRvcUtils::GetNamePart(copy);
  return name.substr(0, name.find(' '));
}

bool CJobShortcuts::KeepCopy(bool desktop) {
  if (!FindCopy(desktop).empty()) return true;
  std::string launcher;
  if (!shortcuts_.FindStartPathShortcut(programFolder_, desktop, &launcher)) return false;
  const std::string copy = dataFolder_ + store::CRvcUtils::GetNamePart(launcher) + CopySuffix(desktop);
  store::CopyOptions options;
  options.showProgress = false;
  utils_.CopyTree(launcher, copy, options);
  Trace("Kept a copy of " + launcher + " as " + copy);
  return true;
}

bool CJobShortcuts::RestoreFromCopy(const std::string& folder, const std::string& name, bool desktop) {
  const std::string copy = FindCopy(desktop);
  if (copy.empty()) return false;
  return shortcuts_.RestoreDispatcherShortcut(copy, label_, name, store::CShortcuts::DispatcherArguments(folder, name),
                                              desktop);
}

void CJobShortcuts::Remove(const std::string& name, bool desktop) {
  shortcuts_.DeleteDispatcherShortcut(label_, name, desktop);
}

void CJobShortcuts::Remove(const std::string& name) {
  Remove(name, true);
  Remove(name, false);
}

void CJobShortcuts::RemoveProgramFolderShortcuts() {
  shortcuts_.DeleteStartPathShortcuts(programFolder_, true);
  shortcuts_.DeleteStartPathShortcuts(programFolder_, false);
}

bool CJobShortcuts::Migrate(const std::string& folder, const std::string& name, const std::string& firstModel,
                            const std::string& secondModel, bool desktop) {
  const std::string arguments = store::CShortcuts::DispatcherArguments(folder, name);
  for (const std::string& model : {name, firstModel, secondModel}) {
    if (model.empty()) continue;
    try {
      if (shortcuts_.CopyDispatcherShortcut(model, name, arguments, label_, desktop)) return true;
    } catch (const CRvcException& error) {
      Trace(error.Message());
    }
  }
  return false;
}

}  // namespace rvc::install
