#include "store/confinement.h"

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/path.h"
#include "platform/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rvc::store {
namespace {

constexpr bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// What a name holds that a plain name may not, found in one pass: every record of a
// dispatcher list is checked while the list loads.
struct Flaws {
  bool control = false;
  bool separator = false;
  bool wildcard = false;
};

#if defined(__SSE2__)
// Sixteen bytes at a time. A name is loaded whole in one vector: overlapping loads of
// its first and last bytes cover it (a byte seen twice changes no answer), and nothing
// beyond its end is read.
__m128i LoadName(const char* at, size_t size) {
  if (size >= 8) {
    uint64_t first, last;
    std::memcpy(&first, at, 8);
    std::memcpy(&last, at + size - 8, 8);
    return _mm_set_epi64x(static_cast<long long>(last), static_cast<long long>(first));
  }
  uint32_t first = 0, last = 0;
  if (size >= 4) {
    std::memcpy(&first, at, 4);
    std::memcpy(&last, at + size - 4, 4);
  } else {
    // One to three bytes: the first, the middle and the last.
    first = last = static_cast<unsigned char>(at[0]) * 0x01010101u;
    first = (first & 0xFFFF) | static_cast<uint32_t>(static_cast<unsigned char>(at[size / 2])) * 0x01010000u;
    last = (last & 0xFFFF) | static_cast<uint32_t>(static_cast<unsigned char>(at[size - 1])) * 0x01010000u;
  }
  return _mm_set_epi32(static_cast<int>(last), static_cast<int>(first), static_cast<int>(last),
                       static_cast<int>(first));
}

Flaws FlawsOf(std::string_view text) {
  if (text.empty()) return {};
  const char* at = text.data();
  const size_t size = text.size();
  __m128i control = _mm_setzero_si128(), separator = _mm_setzero_si128(), wildcard = _mm_setzero_si128();
  auto add = [&](__m128i bytes) {
    // Below 0x20: unchanged by the minimum with 0x1F.
    control = _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes),
                                                  _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F))));
    separator = _mm_or_si128(separator, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('/')),
                                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))));
    wildcard = _mm_or_si128(wildcard, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('*')),
                                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('?'))));
  };
  if (size <= 16) {
    add(LoadName(at, size));
  } else {
    for (size_t i = 0; i + 16 < size; i += 16) add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + i)));
    add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + size - 16)));
  }
  return {_mm_movemask_epi8(control) != 0, _mm_movemask_epi8(separator) != 0, _mm_movemask_epi8(wildcard) != 0};
}
#else
Flaws FlawsOf(std::string_view text) {
  Flaws flaws;
  for (const unsigned char c : text) {
    flaws.control |= IsControl(c);
    flaws.separator |= c == '/' || c == '\\';
    flaws.wildcard |= c == '*' || c == '?';
  }
  return flaws;
}
#endif

}  // namespace

std::string FolderNameProblem(std::string_view folder) {
  if (folder.empty()) return "is empty";
  if (folder == "." || folder == "..") return "names no folder of its own";
  const Flaws flaws = FlawsOf(folder);
  if (flaws.separator) return "holds a path separator";
  if (flaws.control) return "holds a control character";
  return {};
}

std::string DispatcherNameProblem(std::string_view name) {
  const Flaws flaws = FlawsOf(name);
  if (flaws.control) return "holds a control character (such as a line break)";
  // The name is part of the launchers' file names and of the patterns that find them.
  if (flaws.separator || flaws.wildcard) return "holds a path separator or a wildcard (/ \\ * ?)";
  if (name.size() > kMaxDispatcherNameLength) {
    return "is longer than " + std::to_string(kMaxDispatcherNameLength) + " bytes";
  }
  return {};
}

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = platform::Utf8SequenceLength(text, at);
    if (length == 0 || (length == 1 && IsControl(static_cast<unsigned char>(text[at])))) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[at]));
      out += escaped;
      ++at;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

std::string OutsideDataFolder(const std::string& dataFolder, const std::string& target) {
  const std::string root = platform::WithTrailingSeparator(dataFolder);
  if (!root.empty() && platform::EqualsNoCase(platform::WithTrailingSeparator(target), root)) {
    return "it is the data folder " + Printable(root) + " itself";
  }
  if (root.empty() || target.size() < root.size() || !platform::EqualsNoCase(target.substr(0, root.size()), root)) {
    return "it lies outside the data folder " + Printable(root);
  }
  // Every component below the data folder is a plain name; the folders on the way are
  // real folders, so that the target is where its path says.
  std::string path = root.substr(0, root.size() - 1);
  bool below = false;
  bool onDisk = true;
  size_t start = root.size();
  while (start <= target.size()) {
    size_t end = target.find(platform::kSeparator, start);
    if (end == std::string::npos) end = target.size();
    const std::string_view part(target.data() + start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    if (part == "." || part == "..") return "it lies outside the data folder " + Printable(root);
    if (onDisk && below) {
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) {
        onDisk = false;  // nothing beyond exists
      } else if (S_ISLNK(st.st_mode)) {
        return "the folder " + Printable(path) + " on its way is a symbolic link";
      }
    }
    path.append(1, platform::kSeparator).append(part);
    below = true;
  }
  if (!below) return "it is the data folder " + Printable(root) + " itself";
  return {};
}

void RequireInsideDataFolder(const std::string& dataFolder, const std::string& target) {
  const std::string reason = OutsideDataFolder(dataFolder, target);
  if (!reason.empty()) throw CRvcException(msg::kDeleteFailed, Printable(target) + ": " + reason);
}

}  // namespace rvc::store
