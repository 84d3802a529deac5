// Closing descriptors in batches. Loading a catalogue opens and closes four descriptors
// per flavour (its two folders and the two list files in them), and each close(2) is a
// system call of its own, which costs about a microsecond on a virtual machine. While a
// DeferredCloses lives, the thread's closes through CloseDeferred are held and made at
// the end: descriptors with consecutive numbers, as a series of opens gets them, go in
// one close_range(2).
#pragma once

#include <cstddef>
#include <vector>

namespace rvc::platform {

class DeferredCloses {
 public:
  // At most this many are held; one more closes those held first.
  static constexpr std::size_t kHeld = 48;

  DeferredCloses();
  // Closes what is held. A scope within another holds nothing of its own: the outer one
  // holds and closes.
  ~DeferredCloses();
  DeferredCloses(const DeferredCloses&) = delete;
  DeferredCloses& operator=(const DeferredCloses&) = delete;

  // Closes what is held now.
  void Flush();

 private:
  friend void CloseDeferred(int fd);
  std::vector<int> held_;
  bool outermost_;
};

// Closes `fd` (when >= 0): now, or at the end of the thread's DeferredCloses when one
// lives. Only for descriptors whose close cannot fail in a way that matters, such as
// those opened for reading; errno is left as it was.
void CloseDeferred(int fd);

}  // namespace rvc::platform
