// Whether the X server named by DISPLAY answers. Kept apart from the rest of main, so that
// no X header meets ours or Qt's.
#pragma once

// Holds a connection to the display while it lives. Keep it until the toolkit has
// connected: a server whose last client leaves resets itself, and the toolkit would then
// wait for the reset.
class XDisplayProbe {
 public:
  XDisplayProbe();
  ~XDisplayProbe();
  XDisplayProbe(const XDisplayProbe&) = delete;
  XDisplayProbe& operator=(const XDisplayProbe&) = delete;

  bool Answers() const { return display_ != nullptr; }

 private:
  void* display_;
};
