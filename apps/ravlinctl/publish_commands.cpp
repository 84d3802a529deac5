// publish, unpublish and the queues of list: a dispatcher as a CUPS print queue whose
// backend writes each job into the dispatcher's hot folder (docs/cups.md). CUPS keeps the
// queues; a queue belongs to a dispatcher through its device URI, "ravlin:/FLAVOUR/NAME",
// so nothing about them is stored in the installation.
#include <cstdio>

#include "apps/ravlinctl/commands.h"
#include "cups/device_uri.h"
#include "cups/print_queues.h"
#include "cups/queue_upkeep.h"
#include "lifecycle/scripted_commands.h"
#include "platform/path.h"

namespace rvc::ctl {
namespace {

bool Feeds(const cups::PrintQueue& queue, const std::string& flavour, const std::string& name) {
  const auto address = cups::ParseDeviceUri(queue.deviceUri);
  return address && address->version == cups::CatalogueVersion() && platform::EqualsNoCase(address->name, name) &&
         (flavour.empty() || platform::EqualsNoCase(address->flavour, flavour));
}

}  // namespace

CPublishedQueues::CPublishedQueues() : queues_(cups::ListPrintQueues()) {}

std::vector<std::string> CPublishedQueues::QueuesOf(const std::string& flavour, const std::string& name) const {
  std::vector<std::string> found;
  if (!queues_) return found;
  for (const cups::PrintQueue& queue : *queues_) {
    if (Feeds(queue, flavour, name)) found.push_back(queue.name);
  }
  return found;
}

std::string CPublishedQueues::QueueOf(const std::string& flavour, const std::string& name) const {
  const std::vector<std::string> found = QueuesOf(flavour, name);
  return found.empty() ? "" : found.front();
}

int RunPublish(CSession& session, CtlConsole& console, const Arguments& arguments) {
  auto at = session.FindDispatcher(arguments.positionals.front());
  if (!at) return kExitFailed;
  frame::CFlavour& flavour = session.Flavour(at->flavour);
  const store::CDispatcher& dispatcher = flavour.DispatcherList->GetAt(at->row);
  const store::DispatcherRecord record = dispatcher.Record;
  if (auto queue = arguments.Value("queue")) {
    if (const std::string problem = cups::QueueNameProblem(*queue); !problem.empty()) {
      console.Say("publish: " + problem);
      return kExitFailed;
    }
  }
  std::string problem;
  const auto queues = cups::ListPrintQueues(&problem);
  if (!queues) {
    console.Say("cannot publish " + record.Name + ": " + problem);
    return kExitFailed;
  }
  const std::string uri = cups::MakeDeviceUri({flavour.Key, record.Name, cups::CatalogueVersion()});
  std::string existing;
  for (const cups::PrintQueue& queue : *queues) {
    if (existing.empty() && Feeds(queue, flavour.Key, record.Name)) existing = queue.name;
  }
  const std::string target = arguments.Value("queue").value_or(
      existing.empty() ? cups::DefaultQueueName(flavour.Key, record.Name) : existing);
  for (const cups::PrintQueue& queue : *queues) {
    if (platform::EqualsNoCase(queue.name, target) && !Feeds(queue, flavour.Key, record.Name)) {
      console.Say("print queue " + queue.name + " exists and prints to " + queue.deviceUri +
                  "; choose another name with --queue");
      return kExitFailed;
    }
  }

  std::string ppd = cups::GeneratedPpd(dispatcher.Path());
  if (ppd.empty()) {
    lifecycle::CreatePpdCommand(flavour, at->row);
    ppd = cups::GeneratedPpd(flavour.DispatcherList->GetAt(at->row).Path());
  }
  if (ppd.empty()) {
    console.Say("dispatcher " + record.Name + " has no PPD and none could be made; see ravlinctl ppd " + record.Name);
    return kExitFailed;
  }
  const std::string failure = cups::PublishQueue(
      {target, uri, ppd, "Ravlin dispatcher " + record.Name + " (" + flavour.Key + ")", arguments.Has("shared")});
  if (!failure.empty()) {
    console.Say("print queue " + target + " could not be set up: " + failure);
    return kExitFailed;
  }
  if (!existing.empty() && !platform::EqualsNoCase(existing, target)) {
    if (const std::string left = cups::RemoveQueue(existing); !left.empty()) {
      console.Say("the former queue " + existing + " stays: " + left + "; remove it with: " +
                  cups::RemoveCommand(existing));
    }
  }
  std::printf("%s  %s  %s\n", target.c_str(), uri.c_str(), ppd.c_str());
  return kExitDone;
}

int RunUnpublish(CSession&, CtlConsole& console, const Arguments& arguments) {
  const std::string reference = arguments.positionals.front();
  std::string flavour;
  std::string name = reference;
  if (const size_t slash = reference.find('/'); slash != std::string::npos) {
    flavour = reference.substr(0, slash);
    name = reference.substr(slash + 1);
  }
  std::string problem;
  const auto queues = cups::ListPrintQueues(&problem);
  if (!queues) {
    console.Say("cannot unpublish " + reference + ": " + problem);
    return kExitFailed;
  }
  std::vector<cups::PrintQueue> found;
  for (const cups::PrintQueue& queue : *queues) {
    if (Feeds(queue, flavour, name)) found.push_back(queue);
  }
  if (found.empty()) {
    console.Say("no print queue feeds dispatcher " + reference + " (see ravlinctl list)");
    return kExitFailed;
  }
  const std::string first = cups::ParseDeviceUri(found.front().deviceUri)->flavour;
  for (const cups::PrintQueue& queue : found) {
    if (!platform::EqualsNoCase(cups::ParseDeviceUri(queue.deviceUri)->flavour, first)) {
      console.Say("dispatcher name " + reference + " is ambiguous; write it FLAVOUR/" + name);
      return kExitFailed;
    }
  }
  int result = kExitDone;
  for (const cups::PrintQueue& queue : found) {
    if (const std::string failure = cups::RemoveQueue(queue.name); !failure.empty()) {
      console.Say("print queue " + queue.name + " could not be removed: " + failure);
      result = kExitFailed;
    } else {
      std::printf("removed print queue %s\n", queue.name.c_str());
    }
  }
  return result;
}

void TellQueueReports(CtlConsole& console, const std::vector<cups::QueueReport>& reports) {
  for (const cups::QueueReport& report : reports) {
    if (report.failed) {
      console.Say(report.text);
    } else {
      std::printf("%s\n", report.text.c_str());
    }
  }
}

}  // namespace rvc::ctl
