#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/environment.h"
#include "platform/path.h"

namespace fs = std::filesystem;

namespace rvc::test {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "rvc-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& relative) const { return path_ + platform::NativePath(relative); }

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool FileExists(const std::string& path) { return fs::exists(path); }

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string relative = fs::relative(entry.path(), folder).string();
    files[relative + (entry.is_directory() ? "/" : "")] =
        entry.is_regular_file() ? ReadFile(entry.path().string()) : "";
  }
  return files;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value)
    : name_(std::move(name)), previous_(platform::GetEnv(name_)) {
  if (value) {
    platform::SetEnv(name_, *value);
  } else {
    platform::UnsetEnv(name_);
  }
}

ScopedEnv::~ScopedEnv() {
  if (previous_) {
    platform::SetEnv(name_, *previous_);
  } else {
    platform::UnsetEnv(name_);
  }
}

}  // namespace rvc::test
