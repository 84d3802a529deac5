// Running dispatchers are found by their window title on the X display. The test starts
// its own Xvfb server and creates the windows itself; without Xvfb it is skipped.
#include <gtest/gtest.h>

#include "lifecycle/running_dispatchers.h"
#include "platform/window_lookup.h"
#include "tests/support/test_support.h"
#include "tests/support/xvfb.h"

// Last: Xlib defines macros (None, Bool, Status) that clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace rvc::lifecycle {
namespace {

using test::OnPath;
using test::Xvfb;

class X11Client {
 public:
  explicit X11Client(const std::string& name) : display_(XOpenDisplay(name.c_str())) {}
  ~X11Client() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  X11Client(const X11Client&) = delete;
  X11Client& operator=(const X11Client&) = delete;

  bool Open() const { return display_ != nullptr; }
  Window Root() const { return DefaultRootWindow(display_); }
  Window Create(Window parent) { return XCreateSimpleWindow(display_, parent, 0, 0, 10, 10, 0, 0, 0); }
  void SetWmName(Window window, const char* name) { XStoreName(display_, window, name); }
  void SetNetWmName(Window window, const std::string& name) {
    XChangeProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
  }
  void SetClientList(const std::vector<Window>& windows) {
    std::vector<unsigned long> list(windows.begin(), windows.end());
    XChangeProperty(display_, Root(), XInternAtom(display_, "_NET_CLIENT_LIST", False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
  }
  void Destroy(Window window) { XDestroyWindow(display_, window); }
  void Sync() { XSync(display_, False); }

 private:
  Display* display_;
};

TEST(RunningDispatchersTest, WithoutADisplayNothingRuns) {
  test::ScopedEnv display("DISPLAY", std::nullopt);
  EXPECT_FALSE(platform::CX11WindowLookup().TopLevelWindowExists("Dispatcher for Mono (10.1)"));
  EXPECT_FALSE(IsDispatcherRunning("Mono", "10.1"));
  EXPECT_EQ(DispatcherWindowTitle("Mono", "10.1"), "Dispatcher for Mono (10.1)");
  EXPECT_EQ(RunningDispatcherMessage("Mono"), "Dispatcher Mono is running.\nYou cannot delete a running dispatcher.");
}

TEST(RunningDispatchersTest, WindowsOfAnXServerAreFoundByTitle) {
  if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
  Xvfb server;
  ASSERT_TRUE(server.Display()) << "Xvfb did not start";
  X11Client client(*server.Display());
  ASSERT_TRUE(client.Open());

  const Window mono = client.Create(client.Root());
  client.SetWmName(mono, "Dispatcher for Mono (10.1)");
  // A UTF-8 title is read from _NET_WM_NAME, which wins over WM_NAME.
  const Window press = client.Create(client.Root());
  client.SetWmName(press, "Dispatcher for Press");
  client.SetNetWmName(press, "Dispatcher for Presse Caf\xc3\xa9 (10.1)");
  // A window-manager frame without a title around the client window.
  const Window frame = client.Create(client.Root());
  client.SetNetWmName(client.Create(client.Create(frame)), "Dispatcher for Framed (10.1)");
  // A client deeper down than frames reach is found only through the window manager's list.
  Window deep = client.Root();
  for (int level = 0; level < 6; ++level) deep = client.Create(deep);
  client.SetWmName(deep, "Dispatcher for Deep (10.1)");
  client.Sync();

  platform::CX11WindowLookup lookup(*server.Display());
  EXPECT_TRUE(lookup.TopLevelWindowExists("Dispatcher for Mono (10.1)"));
  EXPECT_TRUE(lookup.TopLevelWindowExists("DISPATCHER FOR mono (10.1)"));
  EXPECT_FALSE(lookup.TopLevelWindowExists("Dispatcher for Mono (9.0)"));
  EXPECT_FALSE(lookup.TopLevelWindowExists("Dispatcher for Mono1 (10.1)"));
  EXPECT_TRUE(lookup.TopLevelWindowExists("Dispatcher for Presse Caf\xc3\xa9 (10.1)"));
  EXPECT_FALSE(lookup.TopLevelWindowExists("Dispatcher for Press"));
  EXPECT_TRUE(lookup.TopLevelWindowExists("Dispatcher for Framed (10.1)"));
  EXPECT_FALSE(lookup.TopLevelWindowExists("Dispatcher for Deep (10.1)"));
  client.SetClientList({mono, deep});
  client.Sync();
  EXPECT_TRUE(lookup.TopLevelWindowExists("Dispatcher for Deep (10.1)"));

  // The process-wide lookup reads DISPLAY.
  {
    test::ScopedEnv display("DISPLAY", *server.Display());
    EXPECT_TRUE(IsDispatcherRunning("Mono", "10.1"));
    EXPECT_FALSE(IsDispatcherRunning("Mono", "10.2"));
  }
  client.Destroy(mono);
  client.Sync();
  EXPECT_FALSE(lookup.TopLevelWindowExists("Dispatcher for Mono (10.1)"));
}

}  // namespace
}  // namespace rvc::lifecycle
