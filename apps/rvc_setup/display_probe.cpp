#include "apps/rvc_setup/display_probe.h"

#include <X11/Xlib.h>

bool XDisplayAnswers() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}
