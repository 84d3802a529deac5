// libFuzzer target: arbitrary bytes as a resource database file. See
// resource_db_checks.h for what is checked; a failure is printed and aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/resource_db_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string failure = rvc::fuzz::CheckResourceDb(bytes, rvc::fuzz::SeedOf(bytes));
  if (!failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
