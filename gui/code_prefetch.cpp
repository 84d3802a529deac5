#include "gui/code_prefetch.h"

#include <link.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <system_error>
#include <utility>
#include <vector>

#include "gui/fresh_memory.h"

namespace rvc::ui {
namespace {

struct Range {
  std::uintptr_t begin, end;
};

const char kInTheProgram = 0;

// One address inside each object whose code the windows run, in the order the start needs
// them most: Qt's Widgets library, the program, Qt's GUI and Core libraries.
std::vector<const void*> Anchors() {
  return {&QWidget::staticMetaObject, &kInTheProgram, &QGuiApplication::staticMetaObject, &QObject::staticMetaObject};
}

struct Search {
  std::vector<const void*> anchors;
  std::vector<std::vector<Range>> ranges;  // per anchor: its object's read-only segments
};

bool Holds(const dl_phdr_info& object, const void* address) {
  const auto where = reinterpret_cast<std::uintptr_t>(address);
  for (int i = 0; i < object.dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = object.dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const std::uintptr_t begin = object.dlpi_addr + segment.p_vaddr;
    if (where >= begin && where < begin + segment.p_memsz) return true;
  }
  return false;
}

int Collect(dl_phdr_info* object, size_t, void* data) {
  auto& search = *static_cast<Search*>(data);
  for (size_t anchor = 0; anchor < search.anchors.size(); ++anchor) {
    if (!Holds(*object, search.anchors[anchor])) continue;
    for (int i = 0; i < object->dlpi_phnum; ++i) {
      const ElfW(Phdr)& segment = object->dlpi_phdr[i];
      // Code and constants; the written segments are the process's own copies, in use already.
      if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) != 0) continue;
      const std::uintptr_t begin = object->dlpi_addr + segment.p_vaddr;
      search.ranges[anchor].push_back({begin, begin + segment.p_filesz});
    }
  }
  return 0;
}

// One byte of the page at `address`. The pages are read as memory, not as the objects in
// them: AddressSanitizer would take a byte between two of the program's constants for an
// overflow.
__attribute__((no_sanitize("address"))) unsigned char FirstByte(std::uintptr_t address) {
  return *reinterpret_cast<const volatile unsigned char*>(address);
}

// Maps and touches the pages of `ranges` until `stop` is set.
void ReadPages(const std::vector<std::vector<Range>>& ranges, const std::atomic<bool>& stop) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // First the kernel's page tables, all pages in a few calls, a megabyte each so that the
  // address space's lock is never held long; at the thread's normal priority, as a
  // lock held by a thread that waits for an idle core would hold up the main thread.
  constexpr std::uintptr_t kChunk = std::uintptr_t{1} << 20;
  for (const std::vector<Range>& object : ranges) {
    for (const Range& range : object) {
      for (std::uintptr_t at = range.begin; at < range.end; at += kChunk) {
        // Without it (kernels before 5.14) the reading below does it all.
        MapInForReading(reinterpret_cast<const void*>(at), std::min(kChunk, range.end - at));
        if (stop.load(std::memory_order_relaxed)) return;
      }
    }
  }
  // Then the first touch of each page, which the hypervisor still traps, on an idle core.
  const sched_param lowest{};
  ::sched_setscheduler(0, SCHED_IDLE, &lowest);
  constexpr int kPagesBetweenChecks = 64;
  int untilCheck = kPagesBetweenChecks;
  unsigned char sum = 0;
  for (const std::vector<Range>& object : ranges) {
    for (const Range& range : object) {
      for (std::uintptr_t at = range.begin & ~(page - 1); at < range.end; at += page) {
        sum = static_cast<unsigned char>(sum + FirstByte(at));
        if (--untilCheck == 0) {
          if (stop.load(std::memory_order_relaxed)) return;
          untilCheck = kPagesBetweenChecks;
        }
      }
    }
  }
  static_cast<void>(sum);
}

}  // namespace

CCodePrefetch::CCodePrefetch() {
  Search search{Anchors(), {}};
  search.ranges.resize(search.anchors.size());
  ::dl_iterate_phdr(&Collect, &search);
  // A thread that cannot be made leaves the pages to come in when the main thread gets to
  // them, as without this.
  try {
    reader_ = std::thread([this, ranges = std::move(search.ranges)] { ReadPages(ranges, stop_); });
  } catch (const std::system_error&) {
  }
}

CCodePrefetch::~CCodePrefetch() {
  stop_ = true;
  if (!reader_.joinable()) return;
  // Back at the normal priority, the thread gets to its next look at `stop_` at once
  // even on a busy machine, instead of when a core is idle.
  const sched_param normal{};
  ::pthread_setschedparam(reader_.native_handle(), SCHED_OTHER, &normal);
  reader_.join();
}

}  // namespace rvc::ui
