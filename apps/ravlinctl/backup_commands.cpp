// backup and backup-info: the main window's "&Backup..." from the shell, and what a
// backup folder holds.
#include <cstdio>

#include "apps/ravlinctl/commands.h"
#include "apps/ravlinctl/json.h"
#include "backup/backup.h"
#include "backup/backup_index.h"
#include "core/rvc_exception.h"
#include "store/confinement.h"

namespace rvc::ctl {
namespace {

struct Row {
  std::string name, mode, folder, type, base, port, ppd;
};

Row RowOf(const backup::IndexTopic& topic) {
  auto item = [&](const char* name) { return topic.Item(name).value_or(""); };
  return {topic.Name(), item("Mode"), topic.Folder(), item("Type"), item("Base"), item("Port"), item("PPDUsed")};
}

void PrintJson(const backup::BackupIndex& index, const std::string& folder) {
  std::string out = "{\"folder\": " + JsonString(folder) + ", \"flavours\": [";
  const std::vector<std::string> flavours = index.Flavours().value_or(std::vector<std::string>{});
  for (size_t f = 0; f < flavours.size(); ++f) {
    const std::vector<const backup::IndexTopic*> topics = index.DispatchersOf(flavours[f]);
    out += (f == 0 ? "" : ", ") + std::string("{\"name\": ") + JsonString(flavours[f]) + ", \"version\": " +
           JsonString(topics.empty() ? "" : topics.front()->Item("Version").value_or("")) + ", \"dispatchers\": [";
    for (size_t d = 0; d < topics.size(); ++d) {
      const Row row = RowOf(*topics[d]);
      out += (d == 0 ? "" : ", ") + std::string("{\"name\": ") + JsonString(row.name) +
             ", \"mode\": " + JsonString(row.mode) + ", \"folder\": " + JsonString(row.folder) +
             ", \"type\": " + JsonString(row.type) + ", \"base\": " + JsonString(row.base) +
             ", \"port\": " + JsonString(row.port) + ", \"ppd\": " + JsonString(row.ppd) + "}";
    }
    out += "]}";
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void PrintPlain(const backup::BackupIndex& index) {
  for (const std::string& flavour : index.Flavours().value_or(std::vector<std::string>{})) {
    const std::vector<const backup::IndexTopic*> topics = index.DispatchersOf(flavour);
    std::printf("%s\n", store::Printable(flavour).c_str());
    if (topics.empty()) std::printf("  (no dispatchers)\n");
    for (const backup::IndexTopic* topic : topics) {
      const Row row = RowOf(*topic);
      std::printf("  %s  %s  folder=%s  type=%s  base=%s  port=%s%s\n", store::Printable(row.name).c_str(),
                  row.mode.c_str(), store::Printable(row.folder).c_str(), store::Printable(row.type).c_str(),
                  row.base.c_str(), row.port.c_str(),
                  row.ppd.empty() ? "" : ("  ppd=" + store::Printable(row.ppd)).c_str());
    }
  }
}

}  // namespace

int RunBackup(CSession& session, CtlConsole&, const Arguments& arguments) {
  const std::string into = arguments.Value("to").value_or(backup::CBackup::StartFolder());
  backup::CBackup backup(session.Flavours());
  const std::string folder = backup.BackupInto(into);
  if (folder.empty()) return kExitFailed;
  std::printf("%s\n", folder.c_str());
  return kExitDone;
}

int RunBackupInfo(const Arguments& arguments) {
  const std::string folder = arguments.positionals.at(0);
  try {
    const backup::BackupIndex index = backup::BackupIndex::Read(folder);
    if (arguments.Has("json")) {
      PrintJson(index, folder);
    } else {
      PrintPlain(index);
    }
    return kExitDone;
  } catch (const CRvcException& error) {
    std::fprintf(stderr, "ravlinctl: %s\n", error.Message().c_str());
    return kExitFailed;
  }
}

}  // namespace rvc::ctl
