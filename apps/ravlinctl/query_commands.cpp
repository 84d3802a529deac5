// flavours, list and show: plain columns (fields hold no blanks, except a flavour's display
// name, which comes last) or JSON.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "apps/ravlinctl/commands.h"
#include "apps/ravlinctl/json.h"
#include "platform/path.h"
#include "platform/utf8.h"
#include "store/confinement.h"

namespace rvc::ctl {
namespace {

// A JSON string. Control characters are escaped, and so is every byte that is no part of
// valid UTF-8: as \u00XX, the character that byte stands for in Latin-1 (which is what
// such bytes in an installation's files most likely are). Valid UTF-8 passes as it is.
std::string Json(const std::string& text) { return JsonString(text); }

std::string Json(int number) { return std::to_string(number); }

std::string Json(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i == 0 ? "" : ", ") + Json(texts[i]);
  return out + "]";
}

// Columns separated by two blanks, each as wide as its widest cell; the last one unpadded.
void PrintTable(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
}

// The PPD files of the dispatcher's "ppd" folder, as generated there.
std::vector<std::string> PpdFiles(const std::string& dispatcherFolder) {
  std::vector<std::string> files;
  std::error_code error;
  const std::string folder = platform::ResolveNoCase(dispatcherFolder + platform::kSeparator + "ppd");
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && platform::EqualsNoCase(it->path().extension().string(), ".ppd")) {
      files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The dispatcher's own ini file.
std::string IniFile(const store::CDispatcher& dispatcher) {
  return platform::ResolveNoCase(dispatcher.Path() + platform::kSeparator + "data" + platform::kSeparator + "zv" +
                                 dispatcher.Record.Folder + "_dispatcher.ini");
}

}  // namespace

int RunFlavours(CSession& session, const Arguments& arguments) {
  const bool json = arguments.Has("json");
  std::vector<std::vector<std::string>> rows;
  std::string out = "[";
  for (size_t i = 0; i < session.Flavours().size(); ++i) {
    const frame::CFlavour& flavour = *session.Flavours()[i];
    const store::CTemplateList& types = *flavour.TemplateList;
    const store::CDispatcherList& list = *flavour.DispatcherList;
    if (!json) {
      rows.push_back({flavour.Key, flavour.Version, std::to_string(list.GetCount()), flavour.DisplayName});
      continue;
    }
    std::vector<std::string> typeNames;
    for (int t = 0; t < types.GetCount(); ++t) typeNames.push_back(types.GetAt(t)->Name);
    std::vector<std::string> names;
    for (int d = 0; d < list.GetCount(); ++d) names.push_back(list.GetAt(d).Record.Name);
    out += std::string(i == 0 ? "" : ",") + "\n  {\"key\": " + Json(flavour.Key) +
           ", \"name\": " + Json(flavour.DisplayName) + ", \"version\": " + Json(flavour.Version) +
           ", \"flavor\": " + Json(types.Flavor()) + ", \"programFolder\": " + Json(types.ProgramFolder()) +
           ", \"dataFolder\": " + Json(list.DataFolder()) + ", \"deviceTypes\": " + Json(typeNames) +
           ", \"dispatchers\": " + Json(names) + "}";
  }
  for (const frame::BrokenFlavour& broken : session.BrokenFlavours()) {
    session.Warn("flavour " + store::Printable(broken.Key) + " cannot be loaded: " + broken.Reason);
    if (!json) {
      rows.push_back({store::Printable(broken.Key), "-", "broken", store::Printable(broken.DisplayName)});
      continue;
    }
    out += std::string(out.size() == 1 ? "" : ",") + "\n  {\"key\": " + Json(broken.Key) +
           ", \"name\": " + Json(broken.DisplayName) + ", \"broken\": true, \"reason\": " + Json(broken.Reason) + "}";
  }
  if (json) {
    std::printf("%s\n]\n", out.c_str());
  } else {
    PrintTable(rows);
  }
  return kExitDone;
}

int RunList(CSession& session, const Arguments& arguments) {
  int only = -1;
  if (auto key = arguments.Value("flavour")) {
    only = session.FindFlavour(*key);
    if (only < 0) return kExitFailed;
  }
  const bool json = arguments.Has("json");
  std::vector<std::vector<std::string>> rows;
  std::string out = "[";
  bool first = true;
  // The queue column shows only when some dispatcher is published.
  const CPublishedQueues published;
  std::vector<std::string> queues;
  for (size_t f = 0; f < session.Flavours().size(); ++f) {
    if (only >= 0 && static_cast<int>(f) != only) continue;
    const frame::CFlavour& flavour = *session.Flavours()[f];
    const store::CDispatcherList& list = *flavour.DispatcherList;
    for (int d = 0; d < list.GetCount(); ++d) {
      const store::DispatcherRecord& record = list.GetAt(d).Record;
      const std::string queue = published.QueueOf(flavour.Key, record.Name);
      if (!json) {
        rows.push_back({flavour.Key, record.Name, record.Type, record.Folder, std::to_string(record.Base),
                        std::to_string(record.CommandPort)});
        queues.push_back(queue);
        continue;
      }
      out += std::string(first ? "" : ",") + "\n  {\"flavour\": " + Json(flavour.Key) +
             ", \"name\": " + Json(record.Name) + ", \"type\": " + Json(record.Type) +
             ", \"folder\": " + Json(record.Folder) + ", \"portSeparator\": " + Json(record.Base) +
             ", \"commandPort\": " + Json(record.CommandPort) + (queue.empty() ? "" : ", \"queue\": " + Json(queue)) +
             "}";
      first = false;
    }
    for (const store::BrokenDispatcher& broken : list.Broken()) {
      session.Warn(flavour.Key + ": dispatcher skipped: " + broken.Reason);
      const std::string name = broken.Name.empty() ? "-" : store::Printable(broken.Name);
      const std::string folder = broken.Folder.empty() ? "-" : store::Printable(broken.Folder);
      if (!json) {
        rows.push_back({flavour.Key, name, "broken", folder, "-", "-"});
        queues.push_back("");
        continue;
      }
      out += std::string(first ? "" : ",") + "\n  {\"flavour\": " + Json(flavour.Key) +
             ", \"name\": " + Json(broken.Name) + ", \"folder\": " + Json(broken.Folder) +
             ", \"broken\": true, \"reason\": " + Json(broken.Reason) + "}";
      first = false;
    }
  }
  if (only < 0) {
    for (const frame::BrokenFlavour& broken : session.BrokenFlavours()) {
      session.Warn("flavour " + store::Printable(broken.Key) + " cannot be loaded: " + broken.Reason);
    }
  }
  if (json) {
    std::printf("%s\n]\n", first ? "[" : out.c_str());
  } else {
    if (std::any_of(queues.begin(), queues.end(), [](const std::string& q) { return !q.empty(); })) {
      for (size_t r = 0; r < rows.size(); ++r) rows[r].push_back(queues[r].empty() ? "-" : queues[r]);
    }
    PrintTable(rows);
  }
  return kExitDone;
}

int RunShow(CSession& session, const Arguments& arguments) {
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return kExitFailed;
  const frame::CFlavour& flavour = session.Flavour(at->flavour);
  const store::CDispatcherList& list = *flavour.DispatcherList;
  const store::CDispatcher& dispatcher = list.GetAt(at->row);
  const store::DispatcherRecord& record = dispatcher.Record;
  const std::vector<std::string> ppds = PpdFiles(dispatcher.Path());

  if (arguments.Has("json")) {
    std::printf(
        "{\"flavour\": %s, \"flavourName\": %s, \"name\": %s, \"type\": %s, \"folder\": %s, \"path\": %s,\n"
        " \"portSeparator\": %d, \"commandPort\": %d, \"position\": %d, \"count\": %d, \"iniFile\": %s,\n"
        " \"ppdFiles\": %s}\n",
        Json(flavour.Key).c_str(), Json(flavour.DisplayName).c_str(), Json(record.Name).c_str(),
        Json(record.Type).c_str(), Json(record.Folder).c_str(), Json(dispatcher.Path()).c_str(), record.Base,
        record.CommandPort, at->row + 1, list.GetCount(), Json(IniFile(dispatcher)).c_str(), Json(ppds).c_str());
    return kExitDone;
  }
  std::vector<std::vector<std::string>> rows = {
      {"Name:", record.Name},
      {"Flavour:", flavour.Key + " (" + flavour.DisplayName + ")"},
      {"Type:", record.Type},
      {"Folder:", record.Folder},
      {"Path:", dispatcher.Path()},
      {"Port separator:", std::to_string(record.Base)},
      {"Command port:", std::to_string(record.CommandPort)},
      {"Ini file:", IniFile(dispatcher)},
      {"Position:", std::to_string(at->row + 1) + " of " + std::to_string(list.GetCount()) +
                        (at->row == 0 ? " (the flavour's first dispatcher)" : "")},
  };
  if (ppds.empty()) rows.push_back({"PPD:", "(none generated)"});
  for (const std::string& ppd : ppds) rows.push_back({"PPD:", ppd});
  PrintTable(rows);
  return kExitDone;
}

}  // namespace rvc::ctl
