// Driver of bench/copy_tree/run.sh.
//
//   copy_tree_bench generate <folder> <big files> <big size> <small files> <small size>
//   copy_tree_bench copy [--no-progress] <source> <target>
//
// "generate" writes the tree: the big files in folders of 100 below big/, the small ones
// likewise below small/, all with pseudo-random bytes. "copy" runs CRvcUtils::CopyTree
// with its default options (overwrite, stop at the first error, progress through a
// headless user interface, which includes counting the files first).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/rvc_exception.h"
#include "store/rvc_utils.h"
#include "ui/headless/headless_ui.h"

namespace {

constexpr int kPerFolder = 100;

int Usage() {
  std::fprintf(stderr,
               "usage: copy_tree_bench generate <folder> <big files> <big size> <small files> <small size>\n"
               "       copy_tree_bench copy [--no-progress] <source> <target>\n");
  return 2;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool Generate(const std::string& root, const char* kind, long count, size_t size, uint64_t& state) {
  std::vector<char> bytes(size);
  for (long i = 0; i < count; ++i) {
    std::string folder = root + "/" + kind + "/d" + std::to_string(i / kPerFolder);
    if (i % kPerFolder == 0) {
      ::mkdir((root + "/" + kind).c_str(), 0755);
      if (::mkdir(folder.c_str(), 0755) != 0) return false;
    }
    for (size_t at = 0; at + 8 <= size; at += 8) {  // xorshift64: fast, not compressible
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      std::memcpy(bytes.data() + at, &state, 8);
    }
    std::string file = folder + "/f" + std::to_string(i % kPerFolder) + ".bin";
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !WriteAll(fd, bytes.data(), bytes.size()) || ::close(fd) != 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  if (command == "generate" && argc == 7) {
    std::string root = argv[2];
    if (::mkdir(root.c_str(), 0755) != 0) {
      std::perror(root.c_str());
      return 1;
    }
    uint64_t state = 0x9E3779B97F4A7C15ull;
    if (!Generate(root, "big", std::atol(argv[3]), std::strtoul(argv[4], nullptr, 10), state) ||
        !Generate(root, "small", std::atol(argv[5]), std::strtoul(argv[6], nullptr, 10), state)) {
      std::perror("generate");
      return 1;
    }
    return 0;
  }
  if (command == "copy" && (argc == 4 || (argc == 5 && std::strcmp(argv[2], "--no-progress") == 0))) {
    rvc::ui::HeadlessUserInterface headless;
    rvc::ui::ScopedUserInterface scoped(headless);
    rvc::store::CopyOptions options;
    options.showProgress = argc == 4;
    try {
      rvc::store::CRvcUtils().CopyTree(argv[argc - 2], argv[argc - 1], options);
    } catch (const rvc::CRvcException& e) {
      std::fprintf(stderr, "%s\n", e.Message().c_str());
      return 1;
    }
    return 0;
  }
  return Usage();
}
