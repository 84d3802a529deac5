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
// Turns the counting off and on again (it starts on): timed code then pays for plain
// malloc and free alone. Blocks allocated while it was off count as freed when they go
// while it is on, so compare the counts of code run whole while counting.
void CountHeap(bool on);

}  // namespace rvc::bench
