#include "lifecycle/running_dispatchers.h"

#include "platform/window_lookup.h"

namespace rvc::lifecycle {

std::string DispatcherWindowTitle(const std::string& name, const std::string& productVersion) {
  return "Dispatcher for " + name + " (" + productVersion + ")";
}

bool IsDispatcherRunning(const std::string& name, const std::string& productVersion) {
  return platform::CurrentWindowLookup().TopLevelWindowExists(DispatcherWindowTitle(name, productVersion));
}

std::string RunningDispatcherMessage(const std::string& name) {
  return "Dispatcher " + name + " is running.\nYou cannot delete a running dispatcher.";
}

}  // namespace rvc::lifecycle
