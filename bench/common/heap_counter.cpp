#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// The benchmarks allocate from one thread at a time, so plain loads and stores keep the
// counts exact; locked updates would add their cost to every allocation that is timed.
// Signed: with the counting turned off for a while, more may be freed than was counted.
std::atomic<int64_t> g_inUse{0};
std::atomic<int64_t> g_peak{0};
std::atomic<bool> g_counting{true};

int64_t UsableSize(void* p) { return static_cast<int64_t>(malloc_usable_size(p)); }

void* CountedAlloc(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  if (!g_counting.load(std::memory_order_relaxed)) return p;
  const int64_t now = g_inUse.load(std::memory_order_relaxed) + UsableSize(p);
  g_inUse.store(now, std::memory_order_relaxed);
  if (now > g_peak.load(std::memory_order_relaxed)) g_peak.store(now, std::memory_order_relaxed);
  return p;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  if (g_counting.load(std::memory_order_relaxed)) {
    g_inUse.store(g_inUse.load(std::memory_order_relaxed) - UsableSize(p), std::memory_order_relaxed);
  }
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return CountedAlloc(size); }
void* operator new[](size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

namespace rvc::bench {

// The counts as unsigned numbers: differences between them come out right.
size_t HeapInUse() { return static_cast<size_t>(g_inUse.load()); }

size_t MarkHeapPeak() {
  const int64_t now = g_inUse.load();
  g_peak.store(now);
  return static_cast<size_t>(now);
}

size_t HeapPeak() { return static_cast<size_t>(g_peak.load()); }

void CountHeap(bool on) { g_counting.store(on); }

}  // namespace rvc::bench
