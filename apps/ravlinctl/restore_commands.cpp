// ravlinctl restore: the Restore command of the main window without its dialog; the
// backup folder, flavour and dispatcher come from the command line.
#include <algorithm>
#include <cctype>

#include "apps/ravlinctl/commands.h"
#include "backup/restore_command.h"
#include "backup/restore.h"
#include "backup/restore_run.h"
#include "core/rvc_exception.h"

namespace rvc::ctl {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

int RunRestore(CSession& session, CtlConsole& console, const Arguments& arguments) {
  std::string folder = arguments.positionals.front();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::optional<backup::BackupIndex> index;
  try {
    index = backup::BackupIndex::Read(folder);
  } catch (const CRvcException& error) {
    console.Say(error.Message());
    return kExitFailed;
  }
  std::string flavour = arguments.Value("flavour").value_or("");
  if (flavour.empty()) {
    if (!index->Flavours() || index->Flavours()->size() != 1) {
      console.Say("the backup holds several flavours or none: name one with --flavour");
      return kExitFailed;
    }
    flavour = index->Flavours()->front();
  }
  int at = -1;
  for (std::size_t i = 0; i < session.Flavours().size(); ++i) {
    if (Lower(session.Flavour(static_cast<int>(i)).DisplayName) == Lower(flavour)) at = static_cast<int>(i);
  }
  if (at < 0) {
    console.Say("no installed flavour is named " + flavour);
    return kExitFailed;
  }
  std::vector<std::string> names;
  const std::optional<std::string> dispatcher = arguments.Value("dispatcher");
  for (const backup::IndexTopic* topic : index->DispatchersOf(flavour)) {
    if (!dispatcher || Lower(topic->Name()) == Lower(*dispatcher)) names.push_back(topic->Name());
  }
  if (names.empty()) {
    console.Say(dispatcher ? "the backup holds no dispatcher " + *dispatcher + " of flavour " + flavour
                           : "the backup holds no dispatcher of flavour " + flavour);
    return kExitFailed;
  }
  frame::CommandRequest request{session.Flavours(), at};
  backup::RestoreContext context = backup::MakeRestoreContext(request);
  const backup::RestoreResult result =
      backup::RunRestore(context, folder, {session.Flavour(at).DisplayName}, names, !dispatcher.has_value());
  if (console.UnansweredQuestion()) return kExitFailed;
  return result == backup::RestoreResult::Restored ? kExitDone : kExitFailed;
}

}  // namespace rvc::ctl
