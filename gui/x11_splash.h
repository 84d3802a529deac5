// The splash on an X display, drawn by the X server.
//
// A widget would paint the splash into a buffer of its own, shared with the server (127
// pages of fresh memory, each a page fault at its first touch, and a round trip to the
// server to attach them), for one paint, and would be one more toolkit window to make.
// This window has the picture as its background instead: the plain rows of the picture are
// filled by the server, and only the parts with dots, lines and text are painted here, in
// a band of rows that is used again for each part of the picture, and sent as images. The
// server shows the picture wherever the window is exposed, with no painting of ours after
// the show.
#pragma once

#include <cstdint>
#include <memory>

namespace rvc::ui {

class CX11Splash {
 public:
  // Shows the splash (`velmora` picks the OEM's bitmap) centred on the primary screen of
  // the application's X display. Nothing when the application does not run on X, or
  // on a screen whose pixels are not 24-bit true colour in 32-bit words or whose device
  // pixels are not its logical pixels: the caller shows the splash as a widget then.
  static std::unique_ptr<CX11Splash> Show(bool velmora);
  ~CX11Splash();
  CX11Splash(const CX11Splash&) = delete;
  CX11Splash& operator=(const CX11Splash&) = delete;

  // The window's X id.
  std::uint32_t Window() const { return window_; }

 private:
  explicit CX11Splash(std::uint32_t window) : window_(window) {}
  std::uint32_t window_;
};

}  // namespace rvc::ui
