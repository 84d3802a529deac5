#include "gui/folder_check.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace rvc::ui {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

FolderVerdict Invalid(std::string problem) { return {FolderVerdict::Kind::Invalid, {}, std::move(problem)}; }

// The blank-trimmed path with "~" expanded and a trailing separator removed.
std::string Normalise(const std::string& typed) {
  const auto first = typed.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  std::string path = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
  if (path == "~" || path.rfind("~/", 0) == 0) {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') path = std::string(home) + path.substr(1);
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The first part of `path` that exists but is not a folder, or "".
std::string FileOnTheWay(const std::filesystem::path& path) {
  std::filesystem::path walked;
  for (const auto& part : path) {
    walked /= part;
    struct stat status {};
    if (::stat(walked.c_str(), &status) != 0) return {};
    if (!S_ISDIR(status.st_mode)) return walked.string();
  }
  return {};
}

}  // namespace

FolderVerdict CheckFolder(const std::string& typed) {
  const std::string path = Normalise(typed);
  if (path.empty()) return Invalid("Please enter a folder.");

  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // A network path: \\server\share\...
    std::vector<std::string> parts;
    std::string part;
    for (char c : path.substr(2) + "/") {
      if (IsSeparator(c)) {
        if (!part.empty()) parts.push_back(part);
        part.clear();
      } else {
        part += c;
      }
    }
    if (parts.size() < 2) {
      return Invalid(path + " is not a valid network path: it needs a server and a share, as in //server/share.");
    }
    return Invalid("Network paths such as " + path +
                   " cannot be opened directly.\nPlease choose the folder where the share is mounted.");
  }
  if (path[0] != '/') {
    return Invalid(path + " is not a valid folder: a folder path starts at the root folder \"/\".");
  }

  FolderVerdict verdict;
  verdict.folder = path;
  const std::string file = FileOnTheWay(path);
  if (!file.empty()) {
    return Invalid(file == path ? path + " is a file, not a folder."
                                : file + " is a file, not a folder: " + path + " cannot be a folder.");
  }
  std::error_code error;
  verdict.kind =
      std::filesystem::is_directory(path, error) ? FolderVerdict::Kind::Folder : FolderVerdict::Kind::Missing;
  return verdict;
}

std::string CreateFolderQuestion(const std::string& folder) {
  return "The folder " + folder + " does not exist.\nDo you want to create it?";
}

std::string CreationFailureReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "you have no permission to create it";
    case EROFS:
      return "the medium is read-only (write-protected, or a CD-ROM)";
    case ENOSPC:
    case EDQUOT:
      return "the medium is full";
    case ENOTDIR:
    case EEXIST:
      return "a part of the path is a file";
    case ENAMETOOLONG:
      return "the path is too long";
    case EIO:
      return "the medium could not be written (input/output error)";
    default:
      return std::strerror(error);
  }
}

std::string CreateFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error && std::filesystem::is_directory(folder)) return {};
  const int code = error ? error.value() : ENOTDIR;
  return "The folder " + folder + " could not be created: " + CreationFailureReason(code) + ".";
}

}  // namespace rvc::ui
