#include "lifecycle/dispatcher_creation.h"

namespace rvc::lifecycle {

bool CreateDispatcher(CreateDispatcherInputs& inputs) {
  (void)inputs;
  return false;
}

int ApplyPpdOptions(ripconfig::ConfigurationStore* cfg, const PpdOptions* options) {
  if (cfg == nullptr || options == nullptr) return -1;
  return -1;
}

void AdaptQueueSetup(const std::string&, const store::CDispatcher&, const store::CDispatcher&, bool) {}

}  // namespace rvc::lifecycle
