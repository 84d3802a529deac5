// Heap accounting for the benchmarks: linking heap_counter.cpp into a benchmark replaces
// the global operator new and delete with versions that count the bytes in use (as
// malloc_usable_size reports them) and the most in use since the last mark.
#pragma once

#include <cstddef>

namespace rvc::bench {

// Bytes in use now.
size_t HeapInUse();
// Starts a new peak at the bytes in use now, and returns them.
size_t MarkHeapPeak();
// The most bytes in use since the last mark.
size_t HeapPeak();

}  // namespace rvc::bench
