// Keeping the print queues of dispatchers right when the dispatchers change: a deleted
// dispatcher's queues go, a renamed one's follow the new name, and a new PPD reaches the
// queues (CUPS keeps its own copy of a queue's PPD). Nothing about the queues is stored
// in the installation: a queue belongs to a dispatcher through its device URI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/commands.h"
#include "frame/flavour.h"

namespace rvc::cups {

// The product version the device URIs of this run name: "" for the catalogue "rvc.dat",
// else CRvcApp::ProductVersion.
std::string CatalogueVersion();

// The generated PPD in the "ppd" folder of the dispatcher folder `dispatcherPath`, or "".
std::string GeneratedPpd(const std::string& dispatcherPath);

// What the upkeep did, or could not do and what the administrator must do then.
struct QueueReport {
  bool failed = false;
  std::string text;
};

class CQueueUpkeep {
 public:
  // Notes the published dispatchers of `flavours` and their PPDs. When CUPS cannot be
  // reached there is nothing to keep.
  explicit CQueueUpkeep(const frame::FlavourList& flavours);

  // After a change of `flavours`: removes the queues of dispatchers that are gone, points
  // those of a renamed dispatcher (a new name in the same folder) at the new name, and
  // gives the queues a PPD that changed.
  std::vector<QueueReport> After(const frame::FlavourList& flavours) const;

 private:
  struct Published {
    std::string flavour;
    std::string name;
    std::string folder;
    std::string ppd;
    std::string ppdStamp;  // inode and time of the PPD file
    std::vector<std::string> queues;
  };
  std::vector<Published> published_;
};

// Wraps the main window's commands that delete, rename, retype or regenerate dispatchers
// so that their queues follow (CQueueUpkeep); what it did is shown as a message.
void KeepQueuesRight(frame::CCommandTable& table);

}  // namespace rvc::cups
