// Replays the fuzz corpus through the fuzz target's checks, with the target's own seed
// and a range of others, so that the round-trip guarantees are tested on every build.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/resource_db_checks.h"
#include "tests/support/test_support.h"

namespace rvc::fuzz {
namespace {

TEST(ResourceDbCorpus, EveryFileRoundTripsUnderMutations) {
  const std::filesystem::path folder = std::filesystem::path(RVC_SOURCE_DIR) / "fuzz/corpus/resource_db";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string bytes = test::ReadFile(entry.path().string());
    EXPECT_EQ(CheckResourceDb(bytes, SeedOf(bytes)), "") << entry.path();
    // Repeated to some kilobytes, the file's unchanged stretches are long enough to be
    // written from where they stand rather than copied.
    std::string repeated = bytes;
    while (!bytes.empty() && repeated.size() < 6000) repeated += bytes;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
      std::string failure = CheckResourceDb(bytes, seed);
      if (failure.empty() && seed % 30 == 0) failure = CheckResourceDb(repeated, seed);
      if (!failure.empty()) {
        ADD_FAILURE() << entry.path() << " seed " << seed << ": " << failure;
        break;
      }
    }
  }
  EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace rvc::fuzz
