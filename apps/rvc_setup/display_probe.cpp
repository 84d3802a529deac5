#include "apps/rvc_setup/display_probe.h"

#include <xcb/xcb.h>

// A bare XCB connection: the handshake alone tells whether the server answers, without
// the extension queries and set-up that opening an Xlib display adds.
XDisplayProbe::XDisplayProbe() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    connection = nullptr;
  }
  display_ = connection;
}

XDisplayProbe::~XDisplayProbe() {
  if (display_ != nullptr) xcb_disconnect(static_cast<xcb_connection_t*>(display_));
}
