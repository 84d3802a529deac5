#include "platform/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/unique_fd.h"
#include "tests/support/test_support.h"

namespace rvc::platform {
namespace {

TEST(FileHolds, OnlyTheSameBytesToTheEnd) {
  const std::string large(200 * 1024, 'x');  // read in several pieces
  struct Case {
    std::string onDisk, expected;
    bool holds;
  };
  const Case cases[] = {
      {"", "", true},
      {"[A]\nb=1\n", "[A]\nb=1\n", true},
      {large, large, true},
      {"[A]\nb=1\n", "[A]\nb=2\n", false},  // same size
      {"[A]\nb=1\nc=2\n", "[A]\nb=1\n", false},
      {"[A]\n", "[A]\nb=1\n", false},
      {"x", "", false},
      {large + "y", large, false},
      {large, large + "y", false},
      {large.substr(1) + "y", large, false},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    test::WriteFile(dir / "file", c.onDisk);
    const UniqueFd file(::open((dir / "file").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(FileHolds(file.get(), c.expected), c.holds)
        << c.onDisk.size() << " bytes on disk against " << c.expected.size();
  }
}

}  // namespace
}  // namespace rvc::platform
