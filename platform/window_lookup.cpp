#include "platform/window_lookup.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <optional>
#include <vector>

#include "platform/path.h"

namespace rvc::platform {
namespace {

// Windows may vanish while they are inspected; their BadWindow errors must not end the
// program, which the default handler would do.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

class ErrorGuard {
 public:
  ErrorGuard() : previous_(XSetErrorHandler(IgnoreErrors)) {}
  ~ErrorGuard() { XSetErrorHandler(previous_); }
  ErrorGuard(const ErrorGuard&) = delete;
  ErrorGuard& operator=(const ErrorGuard&) = delete;

 private:
  XErrorHandler previous_;
};

class DisplayConnection {
 public:
  explicit DisplayConnection(const std::string& name) : display_(XOpenDisplay(name.empty() ? nullptr : name.c_str())) {}
  ~DisplayConnection() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  DisplayConnection(const DisplayConnection&) = delete;
  DisplayConnection& operator=(const DisplayConnection&) = delete;
  Display* get() const { return display_; }

 private:
  Display* display_;
};

// Property lengths are counted in 32-bit units; titles are far shorter.
constexpr long kMaxPropertyLength = 1L << 16;
// How far below a root child the client window of a window-manager frame may lie.
constexpr int kFrameDepth = 3;

class TitleSearch {
 public:
  TitleSearch(Display* display, const std::string& title)
      : display_(display),
        title_(title),
        netWmName_(XInternAtom(display, "_NET_WM_NAME", True)),
        utf8String_(XInternAtom(display, "UTF8_STRING", True)),
        netClientList_(XInternAtom(display, "_NET_CLIENT_LIST", True)) {}

  bool Run() {
    for (int screen = 0; screen < ScreenCount(display_); ++screen) {
      Window root = RootWindow(display_, screen);
      for (Window client : ClientList(root)) {
        if (Matches(client)) return true;
      }
      for (Window child : Children(root)) {
        if (MatchesBelow(child, kFrameDepth)) return true;
      }
    }
    return false;
  }

 private:
  std::vector<Window> ClientList(Window root) const {
    std::vector<Window> clients;
    if (netClientList_ == None) return clients;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, root, netClientList_, 0, kMaxPropertyLength, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && type == XA_WINDOW && format == 32) {
      // Format 32 data comes as an array of long, whatever the size of long.
      const auto* windows = reinterpret_cast<const unsigned long*>(data);
      clients.assign(windows, windows + count);
    }
    if (data != nullptr) XFree(data);
    return clients;
  }

  std::vector<Window> Children(Window window) const {
    std::vector<Window> children;
    Window root = None, parent = None;
    Window* list = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, window, &root, &parent, &list, &count) != 0 && list != nullptr) {
      children.assign(list, list + count);
    }
    if (list != nullptr) XFree(list);
    return children;
  }

  // A titled window is decided by its own title; an untitled one (a frame) by the windows
  // inside it.
  bool MatchesBelow(Window window, int depth) const {
    std::optional<std::string> title = Title(window);
    if (title) return EqualsNoCase(*title, title_);
    if (depth == 0) return false;
    for (Window child : Children(window)) {
      if (MatchesBelow(child, depth - 1)) return true;
    }
    return false;
  }

  bool Matches(Window window) const {
    std::optional<std::string> title = Title(window);
    return title && EqualsNoCase(*title, title_);
  }

  std::optional<std::string> Title(Window window) const {
    if (std::optional<std::string> name = NetWmName(window)) return name;
    return WmName(window);
  }

  std::optional<std::string> NetWmName(Window window) const {
    if (netWmName_ == None || utf8String_ == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<std::string> name;
    if (XGetWindowProperty(display_, window, netWmName_, 0, kMaxPropertyLength, False, utf8String_, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && type == utf8String_ && format == 8) {
      name.emplace(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return name;
  }

  std::optional<std::string> WmName(Window window) const {
    XTextProperty property{};
    if (XGetWMName(display_, window, &property) == 0 || property.value == nullptr) return std::nullopt;
    std::optional<std::string> name;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display_, &property, &list, &count) >= Success && list != nullptr) {
      name.emplace();
      for (int i = 0; i < count; ++i) *name += list[i];
    } else if (property.format == 8) {
      name.emplace(reinterpret_cast<const char*>(property.value), property.nitems);
    }
    if (list != nullptr) XFreeStringList(list);
    XFree(property.value);
    return name;
  }

  Display* display_;
  const std::string& title_;
  Atom netWmName_;
  Atom utf8String_;
  Atom netClientList_;
};

IWindowLookup* g_current = nullptr;

}  // namespace

bool CX11WindowLookup::TopLevelWindowExists(const std::string& title) {
  DisplayConnection display(displayName_);
  if (display.get() == nullptr) return false;
  ErrorGuard guard;
  bool found = TitleSearch(display.get(), title).Run();
  XSync(display.get(), False);  // errors of the search are handled while the guard lives
  return found;
}

IWindowLookup& CurrentWindowLookup() {
  static CX11WindowLookup system;
  return g_current != nullptr ? *g_current : system;
}

ScopedWindowLookup::ScopedWindowLookup(IWindowLookup& lookup) : previous_(g_current) { g_current = &lookup; }

ScopedWindowLookup::~ScopedWindowLookup() { g_current = previous_; }

}  // namespace rvc::platform
