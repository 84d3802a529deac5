// Reading the font configuration beside the toolkit's start.
//
// The first text a window measures makes Qt read the font configuration (fontconfig: some
// fifty XML files and the font caches, two fifths of the instructions before the main
// window's first paint, the same for any Qt window with text). Nothing in it depends on
// the display, while QApplication spends its construction on the display connection, the
// platform plug-ins and the accessibility bus, much of it waiting for answers. So the
// program reads the configuration on a thread of its own from before QApplication is
// made, and waits for it once QApplication stands, before anything can ask for a font;
// Qt then finds it read (fontconfig keeps one configuration per process and reads it
// once).
//
// fontconfig comes with Qt's GUI library: its FcInit is looked up among the loaded
// libraries rather than linked, so the program needs no library and no build package
// more than Qt's. Without it (a Qt without fontconfig) nothing is read ahead.
#pragma once

#include <thread>

namespace rvc::ui {

class CFontConfigurationPreload {
 public:
  // Starts reading the configuration.
  CFontConfigurationPreload();
  ~CFontConfigurationPreload() { Wait(); }
  CFontConfigurationPreload(const CFontConfigurationPreload&) = delete;
  CFontConfigurationPreload& operator=(const CFontConfigurationPreload&) = delete;

  // Returns once the configuration is read.
  void Wait();

 private:
  std::thread reader_;
};

}  // namespace rvc::ui
