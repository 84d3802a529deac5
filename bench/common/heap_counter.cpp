#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// The benchmarks allocate from one thread at a time, so plain loads and stores keep the
// counts exact; locked updates would add their cost to every allocation that is timed.
std::atomic<size_t> g_inUse{0};
std::atomic<size_t> g_peak{0};

void* CountedAlloc(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const size_t now = g_inUse.load(std::memory_order_relaxed) + malloc_usable_size(p);
  g_inUse.store(now, std::memory_order_relaxed);
  if (now > g_peak.load(std::memory_order_relaxed)) g_peak.store(now, std::memory_order_relaxed);
  return p;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  g_inUse.store(g_inUse.load(std::memory_order_relaxed) - malloc_usable_size(p), std::memory_order_relaxed);
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

size_t HeapInUse() { return g_inUse.load(); }

size_t MarkHeapPeak() {
  const size_t now = g_inUse.load();
  g_peak.store(now);
  return now;
}

size_t HeapPeak() { return g_peak.load(); }

}  // namespace rvc::bench
