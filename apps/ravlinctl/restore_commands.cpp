// ravlinctl restore: the Restore command of the main window without its dialog; the
// backup folder, flavour and dispatcher come from the command line.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <utility>

#include "apps/ravlinctl/commands.h"
#include "apps/ravlinctl/json.h"
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
  frame::CommandRequest request{.Flavours = session.Flavours(), .FlavourIndex = at, .PreferredFlavour = {}, .RefreshList = {}};
  backup::RestoreContext context = backup::MakeRestoreContext(request);
  backup::RestoreReport report;
  context.Report = &report;
  const std::size_t shownBefore = console.Shown().size();
  std::optional<backup::RestoreResult> result;
  try {
    result = backup::RunRestore(context, folder, {session.Flavour(at).DisplayName}, names, !dispatcher.has_value());
  } catch (const CRvcException& error) {
    if (!arguments.Has("json")) throw;
    console.Say(error.Message());
  }
  if (arguments.Has("json")) {
    const char* outcome = !result                                         ? "failed"
                          : console.UnansweredQuestion()                  ? "unanswered"
                          : *result == backup::RestoreResult::Restored    ? "restored"
                          : *result == backup::RestoreResult::Problems    ? "problems"
                                                                          : "ended";
    const std::vector<std::string> messages(console.Shown().begin() + static_cast<long>(shownBefore), console.Shown().end());
    std::string out = "{\"folder\": " + JsonString(folder) + ", \"flavour\": " + JsonString(session.Flavour(at).DisplayName) +
                      ", \"outcome\": " + JsonString(outcome) + ", \"wholeFlavour\": " + (dispatcher ? "false" : "true");
    const std::pair<const char*, const std::vector<std::string>*> lists[] = {
        {"removed", &report.Removed}, {"recreated", &report.Recreated}, {"restored", &report.Restored},
        {"skipped", &report.Skipped}, {"messages", &messages}};
    for (const auto& [key, values] : lists) {
      out += ", \"" + std::string(key) + "\": [";
      for (std::size_t i = 0; i < values->size(); ++i) out += (i ? ", " : "") + JsonString((*values)[i]);
      out += "]";
    }
    out += "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  if (!result || console.UnansweredQuestion()) return kExitFailed;
  return *result == backup::RestoreResult::Restored ? kExitDone : kExitFailed;
}

}  // namespace rvc::ctl
