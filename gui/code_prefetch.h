// The code of the windows read into the program's page tables on an idle core.
//
// The first call into a page of code faults it in: the kernel maps it from the page cache
// (with its neighbours), and in a virtual machine whose page tables the hypervisor shadows
// each first touch of a page traps once more. After QApplication stands, the main thread
// still runs into a few hundred such pages of Qt and of the program on its way to the main
// window's first paint: making the main window's widgets, code that the start never ran
// before, took 2.8 ms, and 1.2 ms with this. The page tables are shared by the threads of
// a process, so a thread that reads one byte of every page of that code ahead of the main
// thread takes those faults in its place.
//
// The thread first has the kernel map all those pages (MADV_POPULATE_READ, a fraction of a
// microsecond per page where a fault costs 10 to 20), which takes the main thread's page
// faults in these libraries after QApplication from about two hundred to a handful; then,
// at the lowest priority the scheduler has (SCHED_IDLE), using a core only while nothing
// else wants it, it touches each page, which the hypervisor traps once more. It reads the
// read-only parts (code and constants) of Qt's Widgets, GUI and Core libraries and of the
// program, which stay loaded as long as the program runs, and stops when told or when done.
#pragma once

#include <atomic>
#include <thread>

namespace rvc::ui {

class CCodePrefetch {
 public:
  // Starts reading: once QApplication and the accessibility bus stand, so that the reading
  // holds up neither (a fork waits for the page faults in progress).
  CCodePrefetch();
  // Stops the reading where it is and waits for the thread.
  ~CCodePrefetch();
  CCodePrefetch(const CCodePrefetch&) = delete;
  CCodePrefetch& operator=(const CCodePrefetch&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread reader_;
};

}  // namespace rvc::ui
