#include "platform/oem.h"

#include "platform/environment.h"
#include "platform/path.h"

namespace rvc::platform {

std::string OemPartyName() {
  if (auto value = GetEnv("RAVLIN_OEM")) return *value;
  std::string name;
  for (const auto& entry : ReadEnvironmentFile(EnvironmentFilePath())) {
    if (entry.name == "RAVLIN_OEM") name = entry.value;
  }
  return name;
}

int GetOemParty() { return EqualsNoCase(OemPartyName(), "Dedezi") ? 1 : 0; }

}  // namespace rvc::platform
