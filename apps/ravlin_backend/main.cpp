// ravlin: the CUPS backend that writes print jobs into a dispatcher's hot folder. CUPS
// installs it as <ServerBin>/backend/ravlin and runs it for every queue whose device URI
// is "ravlin:/FLAVOUR/DISPATCHER". See docs/cups.md.
#include <cstdlib>
#include <string>
#include <vector>

#include "cups/backend.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const char* uri = std::getenv("DEVICE_URI");
  return rvc::cups::RunBackend(arguments, uri != nullptr && *uri != '\0' ? uri : (argc > 0 ? argv[0] : ""));
}
