// Helpers for tests: a temporary folder removed at the end of the test, small file
// helpers, and a guard that sets environment variables for one test.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace rvc::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder, ending with the separator.
  const std::string& Path() const { return path_; }
  // Path() + relative (which may use "\" or "/").
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);  // creates parent folders
std::string ReadFile(const std::string& path);                      // "" when missing
bool FileExists(const std::string& path);
// Every regular file below `folder` with its bytes, keyed by relative path.
std::map<std::string, std::string> Snapshot(const std::string& folder);

// Sets (or unsets, with nullopt) an environment variable and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace rvc::test
