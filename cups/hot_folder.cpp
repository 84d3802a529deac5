#include "cups/hot_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/unique_fd.h"
#include "platform/utf8.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::cups {
namespace {

constexpr size_t kTitleLimit = 100;

bool Forbidden(unsigned char c) {
  return c < 0x20 || c == 0x7f || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string JobFileName(std::string_view title, std::string_view jobId) {
  std::string name;
  for (size_t at = 0; at < title.size();) {
    const size_t length = platform::Utf8SequenceLength(title, at);
    const size_t taken = length == 0 ? 1 : length;
    if (name.size() + taken > kTitleLimit) break;
    if (length == 0 || (length == 1 && Forbidden(static_cast<unsigned char>(title[at])))) {
      name += '_';
    } else {
      name.append(title.substr(at, length));
    }
    at += taken;
  }
  for (size_t i = 0; i < name.size() && (name[i] == '.' || name[i] == ' '); ++i) name[i] = '_';
  if (name.empty()) name = "job";
  std::string id;
  for (char c : jobId) {
    if (c >= '0' && c <= '9') id += c;
  }
  return name + "_" + (id.empty() ? "0" : id) + ".ps";
}

std::string HotFolderOf(const std::string& iniFile, std::string& problem) {
  problem.clear();
  const store::ResourceDb ini = store::ResourceDb::OpenOrThrow(iniFile);
  const std::optional<std::string> configured = ini.Find("folder", "hotfolder");
  if (!configured || Unquoted(*configured).empty()) {
    problem = "the dispatcher's ini file " + iniFile + " names no hot folder ([folder] hotfolder)";
    return "";
  }
  for (int i = 0; i < ini.ItemCount("environment"); ++i) {
    const std::optional<std::string> name = ini.ItemAt("environment", i);
    if (!name || name->empty()) continue;
    const std::string value = Unquoted(ini.Find("environment", *name).value_or(""));
    platform::SetEnv(*name, platform::ExpandEnvironmentReferences(value).value_or(value));
  }
  std::string value = Unquoted(*configured);
  // The value names the folder itself, whether or not it exists yet.
  if (value.back() != '\\' && value.back() != '/') value += '\\';
  const std::string folder = store::CRvcUtils().ExpandFolder(value);
  if (folder.empty() || folder.front() != '/') {
    problem = "the hot folder " + *configured + " of " + iniFile + " is no absolute folder (expanded: " + folder + ")";
    return "";
  }
  return platform::ResolveNoCase(folder);
}

std::string DeliverJob(const std::string& folder, const std::string& fileName, int input,
                       const volatile std::sig_atomic_t* stop) {
  if (fileName.empty() || fileName == "." || fileName == ".." || fileName.find('/') != std::string::npos) {
    return "refusing the file name " + fileName;
  }
  platform::UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() < 0) return "cannot open the hot folder " + folder + ": " + std::strerror(errno);
  platform::AtomicFile file;
  if (!file.BeginAt(directory.get(), fileName)) {
    return "cannot write into the hot folder " + folder + ": " + file.ErrorText();
  }
  std::string buffer(1 << 16, '\0');
  for (;;) {
    if (stop != nullptr && *stop != 0) return "the job was cancelled";
    const ssize_t got = ::read(input, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::string("cannot read the job: ") + std::strerror(errno);
    if (got == 0) break;
    if (!file.Write(std::string_view(buffer.data(), static_cast<size_t>(got)))) break;
  }
  if (!file.Commit()) return "cannot write " + folder + fileName + ": " + file.ErrorText();
  return "";
}

}  // namespace rvc::cups
