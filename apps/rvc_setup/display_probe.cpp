#include "apps/rvc_setup/display_probe.h"

#include <X11/Xlib.h>

XDisplayProbe::XDisplayProbe() : display_(XOpenDisplay(nullptr)) {}

XDisplayProbe::~XDisplayProbe() {
  if (display_ != nullptr) XCloseDisplay(static_cast<Display*>(display_));
}
