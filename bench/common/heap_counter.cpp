#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_inUse{0};
std::atomic<size_t> g_peak{0};

void* CountedAlloc(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const size_t usable = malloc_usable_size(p);
  const size_t now = g_inUse.fetch_add(usable) + usable;
  size_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  g_inUse.fetch_sub(malloc_usable_size(p));
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
