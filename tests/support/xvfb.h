// An X server of a test's own: Xvfb on the first free display number, which it reports
// through -displayfd; stopped (by its process id) at the end.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace rvc::test {

// Whether `program` is found on PATH.
bool OnPath(const std::string& program);

class Xvfb {
 public:
  Xvfb();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  // ":<number>", or nothing when the server did not start.
  const std::optional<std::string>& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::optional<std::string> display_;
};

}  // namespace rvc::test
