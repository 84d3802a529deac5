#include "cups/queue_upkeep.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "cups/device_uri.h"
#include "cups/print_queues.h"
#include "frame/rvc_app.h"
#include "platform/path.h"
#include "store/dispatcher_list.h"
#include "ui/user_interface.h"

namespace rvc::cups {
namespace {

std::string Stamp(const std::string& file) {
  struct stat st {};
  if (file.empty() || ::stat(file.c_str(), &st) != 0) return "";
  return std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

const store::CDispatcher* FindByName(const frame::CFlavour& flavour, const std::string& name) {
  const store::CDispatcherList& list = *flavour.DispatcherList;
  for (int row = 0; row < list.GetCount(); ++row) {
    if (platform::EqualsNoCase(list.GetAt(row).Record.Name, name)) return &list.GetAt(row);
  }
  return nullptr;
}

const frame::CFlavour* FindFlavour(const frame::FlavourList& flavours, const std::string& key) {
  for (const auto& flavour : flavours) {
    if (platform::EqualsNoCase(flavour->Key, key)) return flavour.get();
  }
  return nullptr;
}

}  // namespace

std::string CatalogueVersion() {
  return frame::CRvcApp::CatalogueFileName == "rvc.dat" ? "" : frame::CRvcApp::ProductVersion;
}

std::string GeneratedPpd(const std::string& dispatcherPath) {
  std::error_code error;
  const std::string folder = platform::ResolveNoCase(dispatcherPath + platform::kSeparator + "ppd");
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && platform::EqualsNoCase(it->path().extension().string(), ".ppd")) {
      return it->path().string();
    }
  }
  return "";
}

CQueueUpkeep::CQueueUpkeep(const frame::FlavourList& flavours) {
  const std::optional<std::vector<PrintQueue>> queues = ListPrintQueues();
  if (!queues) return;
  for (const PrintQueue& queue : *queues) {
    const std::optional<DispatcherAddress> address = ParseDeviceUri(queue.deviceUri);
    if (!address || address->version != CatalogueVersion()) continue;
    const frame::CFlavour* flavour = FindFlavour(flavours, address->flavour);
    const store::CDispatcher* dispatcher = flavour == nullptr ? nullptr : FindByName(*flavour, address->name);
    if (dispatcher == nullptr) continue;
    Published* entry = nullptr;
    for (Published& known : published_) {
      if (known.flavour == flavour->Key && known.name == dispatcher->Record.Name) entry = &known;
    }
    if (entry == nullptr) {
      const std::string ppd = GeneratedPpd(dispatcher->Path());
      published_.push_back({flavour->Key, dispatcher->Record.Name, dispatcher->Record.Folder, ppd, Stamp(ppd), {}});
      entry = &published_.back();
    }
    entry->queues.push_back(queue.name);
  }
}

std::vector<QueueReport> CQueueUpkeep::After(const frame::FlavourList& flavours) const {
  std::vector<QueueReport> reports;
  for (const Published& before : published_) {
    const frame::CFlavour* flavour = FindFlavour(flavours, before.flavour);
    if (flavour == nullptr) continue;
    const store::CDispatcher* now = FindByName(*flavour, before.name);
    bool renamed = false;
    if (now == nullptr) {
      const store::CDispatcherList& list = *flavour->DispatcherList;
      for (int row = 0; row < list.GetCount(); ++row) {
        if (platform::EqualsNoCase(list.GetAt(row).Record.Folder, before.folder)) now = &list.GetAt(row);
      }
      renamed = now != nullptr;
    }
    for (const std::string& queue : before.queues) {
      if (now == nullptr) {
        const std::string failure = RemoveQueue(queue);
        reports.push_back(failure.empty() ? QueueReport{false, "removed print queue " + queue + " of the deleted dispatcher " +
                                                                   before.name}
                                          : QueueReport{true, "print queue " + queue + " of the deleted dispatcher " +
                                                                  before.name + " stays (" + failure +
                                                                  "); remove it with: " + RemoveCommand(queue)});
        continue;
      }
      const std::string ppd = GeneratedPpd(now->Path());
      const std::string& name = now->Record.Name;
      if (renamed) {
        const std::string uri = MakeDeviceUri({flavour->Key, name, CatalogueVersion()});
        const std::string failure = ppd.empty() ? "no PPD" : SetQueueDevice(queue, uri, ppd);
        reports.push_back(failure.empty()
                              ? QueueReport{false, "print queue " + queue + " now prints to " + uri}
                              : QueueReport{true, "print queue " + queue + " still prints to the former name " +
                                                      before.name + " (" + failure + "); run: ravlinctl unpublish " +
                                                      flavour->Key + "/" + before.name + " and ravlinctl publish " +
                                                      flavour->Key + "/" + name});
      } else if (ppd != before.ppd || Stamp(ppd) != before.ppdStamp) {
        const std::string failure = ppd.empty() ? "no PPD" : SetQueuePpd(queue, ppd);
        reports.push_back(failure.empty() ? QueueReport{false, "print queue " + queue + " has the new PPD"}
                                          : QueueReport{true, "print queue " + queue + " keeps its former PPD (" +
                                                                  failure + "); run: ravlinctl publish " +
                                                                  flavour->Key + "/" + name});
      }
    }
  }
  return reports;
}

void KeepQueuesRight(frame::CCommandTable& table) {
  using frame::Command;
  for (Command id : {Command::Delete, Command::Modify, Command::ChangeType, Command::DispatcherProperties,
                     Command::CreatePpd, Command::CreateAllPpds}) {
    const frame::CommandHandler* original = table.Find(id);
    if (original == nullptr) continue;
    table.Register(id, [inner = *original](frame::CommandRequest& request) {
      const CQueueUpkeep upkeep(request.Flavours);
      inner(request);
      std::string text;
      bool failed = false;
      for (const QueueReport& report : upkeep.After(request.Flavours)) {
        text += (text.empty() ? "" : "\n") + report.text;
        failed = failed || report.failed;
      }
      if (!text.empty()) {
        ui::ShowMessage(text, "Print queues", ui::Buttons::Ok, failed ? ui::Icon::Exclamation : ui::Icon::Information);
      }
    });
  }
}

}  // namespace rvc::cups
