#include "store/swap_files.h"

#include <string_view>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/atomic_file.h"
#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

bool Holds(const std::vector<std::string>& entries, const std::string& folder) {
  for (const std::string& entry : entries) {
    if (platform::EqualsNoCase(entry, folder)) return true;
  }
  return false;
}

}  // namespace

CSwapfiles::CSwapfiles(std::string swap0, std::string swap1, std::string swap2)
    : paths_{std::move(swap0), std::move(swap1), std::move(swap2)} {
  for (int file = 0; file < kFiles; ++file) Load(file);
}

void CSwapfiles::Load(int file) {
  std::string path = paths_[static_cast<size_t>(file)];
  std::string bytes;
  if (!platform::ReadFileNoCase(path, bytes)) throw CRvcException(msg::kOpenFailed, paths_[static_cast<size_t>(file)]);
  std::vector<std::string>& entries = entries_[static_cast<size_t>(file)];
  entries.clear();
  bool dropped = false;
  for (std::string_view rest = bytes; !rest.empty();) {
    const size_t end = rest.find('\n');
    std::string_view text = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const std::string line = platform::ToLowerAscii(text);
    if (line.empty() || line.find("persistent") != std::string::npos || line.find("volatile") != std::string::npos ||
        line.find('#') != std::string::npos) {
      continue;
    }
    if (Holds(entries, line)) continue;
    if (static_cast<int>(entries.size()) == kMaxEntries) {
      dropped = true;
      continue;
    }
    entries.push_back(line);
  }
  if (dropped) {
    CRvcTrace("").Trace("More than " + std::to_string(kMaxEntries) + " swap folders in " + paths_[static_cast<size_t>(file)] +
                        "; only the first are kept");
  }
}

void CSwapfiles::Save() const {
  for (int file = 0; file < kFiles; ++file) {
    const std::vector<std::string>& entries = entries_[static_cast<size_t>(file)];
    std::string text = "[persistent]\n";
    for (const std::string& entry : entries) text += entry + "\n";
    text += "[volatile]\n";
    for (const std::string& entry : entries) text += entry + "\n";
    const std::string& path = paths_[static_cast<size_t>(file)];
    if (!platform::WriteFileAtomically(platform::ResolveNoCase(path), text)) throw CRvcException(msg::kOpenFailed, path);
  }
}

bool CSwapfiles::Add(int file) {
  if (viewOnly_) return false;
  const std::string folder = store::CRvcUtils::BrowseForFolder(kBrowseTitle, "");
  if (folder.empty()) return false;
  return AddFolder(file, folder);
}

bool CSwapfiles::AddFolder(int file, const std::string& folder) {
  std::vector<std::string>& entries = entries_.at(static_cast<size_t>(file));
  if (folder.empty() || static_cast<int>(entries.size()) >= kMaxEntries || Holds(entries, folder)) return false;
  entries.push_back(folder);
  return true;
}

bool CSwapfiles::Remove(int file) {
  std::vector<std::string>& entries = entries_.at(static_cast<size_t>(file));
  if (entries.size() < 2) {
    CRvcException(msg::kCannotDelete, "this swapfile").Report();
    return false;
  }
  if (clickedRow_ < 0 || clickedRow_ >= static_cast<int>(entries.size())) return false;
  entries.erase(entries.begin() + clickedRow_);
  return true;
}

}  // namespace rvc::store
