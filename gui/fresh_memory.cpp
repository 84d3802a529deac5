#include "gui/fresh_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QBackingStore>
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace rvc::ui {
namespace {

// Linux 5.14; older C libraries do not name them.
#ifndef MADV_POPULATE_READ
constexpr int MADV_POPULATE_READ = 22;
#endif
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;
#endif

// Maps in the whole pages inside [begin, begin + bytes) for writing, in one call.
void Populate(const void* begin, std::size_t bytes) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto from = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) & ~(page - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(page - 1);
  // Refused by older kernels (EINVAL): the pages then come in when touched, as without it.
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}

// Where the heap starts (the program break at the program's start), from the 47th field of
// /proc/self/stat; 0 when that cannot be read.
std::uintptr_t HeapStart() {
  char text[1024];
  const int file = ::open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  const ssize_t got = ::read(file, text, sizeof text - 1);
  ::close(file);
  if (got <= 0) return 0;
  text[got] = '\0';
  // The second field, the command's name in parentheses, may hold blanks and parentheses.
  const char* field = std::strrchr(text, ')');
  if (field == nullptr) return 0;
  for (int number = 2; number < 47; ++number) {
    field = std::strchr(field + 1, ' ');
    if (field == nullptr) return 0;
  }
  return static_cast<std::uintptr_t>(std::strtoull(field + 1, nullptr, 10));
}

void MakeBackingStorePresent(QWidget& window) {
  if (!window.isWindow()) return;
  window.winId();  // the backing store comes with the native window
  QBackingStore* store = window.backingStore();
  if (store == nullptr) return;
  store->resize(window.size());
  QPaintDevice* device = store->paintDevice();
  if (device == nullptr || device->devType() != QInternal::Image) return;
  const auto* image = static_cast<const QImage*>(device);
  Populate(image->constBits(), static_cast<std::size_t>(image->sizeInBytes()));
}

class PresentOnShow : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    // The show event comes before the window is mapped, and so before its first paint.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow()) MakeBackingStorePresent(*widget);
    }
    return false;
  }
};

}  // namespace

void MapInForReading(const void* begin, std::size_t bytes) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<std::uintptr_t>(begin) & ~(page - 1);
  const auto to = reinterpret_cast<std::uintptr_t>(begin) + bytes;
  // Refused by older kernels (EINVAL): the pages then come in when touched, as without it.
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_READ);
}

void MakeHeapPresent(std::size_t bytes) {
  // A block above the mmap threshold gets a mapping of its own; freeing it raises the
  // threshold to its size and the trim threshold to twice that, so that a block of
  // `bytes` then comes from the heap, and the heap keeps the pages it grew by when
  // that block is freed again. (The volatile pointers keep the compiler from leaving
  // out an allocation that is freed unused.)
  void* volatile mapped = std::malloc(bytes + static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)));
  std::free(mapped);
  void* volatile block = std::malloc(bytes);
  if (block == nullptr) return;
  // The whole heap, with what the libraries' set-up left of it untouched below the block.
  if (const std::uintptr_t start = HeapStart()) {
    const auto end = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    if (end > start) Populate(reinterpret_cast<const void*>(start), end - start);
  }
  std::free(block);
}

void MakePresentWhenShown(QWidget& window) {
  // One filter for all windows, made with the first and kept with the application.
  static QPointer<PresentOnShow> filter;
  if (filter == nullptr) filter = new PresentOnShow(QCoreApplication::instance());
  window.installEventFilter(filter);
}

}  // namespace rvc::ui
