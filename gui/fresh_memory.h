// Memory that the program is about to fill or run, made present in one go.
//
// A page of fresh memory is mapped in by the kernel the first time it is written, one
// page fault per page; so is a page shared with a child after a fork, copied on its first
// write. In a virtual machine such a fault costs 10 to 20 microseconds, more than ten
// times what the kernel needs per page to map a whole range in one call
// (MADV_POPULATE_WRITE, Linux 5.14). Most of what the program writes for the first time
// before the main window's first paint is its heap and the image of each window that Qt
// paints the window into (the splash's 130 pages, the main window's 250; a dialog's each
// time it opens): made present here, the main thread's page faults to the first paint
// went from 1780 to 1210, and the Modify dialog opens 1.3 ms sooner. On a
// kernel without MADV_POPULATE_WRITE nothing happens here and the pages come in as they
// are written.
#pragma once

#include <cstddef>

class QWidget;

namespace rvc::ui {

// Makes the heap present for writing, with `bytes` free at its top for the allocations
// to come, and keeps them: the heap's top is trimmed again only beyond twice that size
// (mallopt(3), the dynamic mmap threshold). For the main thread's heap (the main arena);
// again after a fork, whose child shares every page until the parent writes it.
void MakeHeapPresent(std::size_t bytes);

// Maps in every page that [begin, begin + bytes) touches, for reading, in one call: code
// and constants of a loaded library, say, before a thread runs it.
void MapInForReading(const void* begin, std::size_t bytes);

// Makes the image that `window` (a top-level widget) is painted into present whenever the
// window is shown: by then the window has its size, and its frames are painted after. The
// backing store is sized then, rather than at the first paint, and its pages mapped in;
// one that is no image in memory (a platform that paints otherwise) is left alone. Every
// window of the program is made so: the splash, the main window, and each dialog view
// that MakeView makes.
void MakePresentWhenShown(QWidget& window);

}  // namespace rvc::ui
