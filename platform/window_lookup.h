// Looking up top-level windows by their title.
//
// A running RIP dispatcher shows a top-level window with a known title; the lifecycle
// operations look for it before they touch a dispatcher's files. On this platform the
// windows live on an X display: the one named by DISPLAY, or none at all, in which case
// no window exists. The lookup is an interface so that tests (and runs without a
// display) can give the answer themselves.
#pragma once

#include <string>

namespace rvc::platform {

class IWindowLookup {
 public:
  virtual ~IWindowLookup() = default;
  // Whether a top-level window titled `title` exists (the title compared ignoring ASCII
  // case, as the platform this comes from compares window names).
  virtual bool TopLevelWindowExists(const std::string& title) = 0;
};

// The windows of an X display. Titles are read from _NET_WM_NAME (UTF8_STRING), else from
// WM_NAME. Candidates are the clients the window manager lists in _NET_CLIENT_LIST, the
// children of each root window and, for children without a title (window-manager frames),
// their descendants a few levels down. A display that cannot be opened has no windows.
class CX11WindowLookup : public IWindowLookup {
 public:
  // `displayName` empty: the display named by DISPLAY.
  explicit CX11WindowLookup(std::string displayName = {}) : displayName_(std::move(displayName)) {}
  bool TopLevelWindowExists(const std::string& title) override;

 private:
  std::string displayName_;
};

// The lookup in use by this process: the X display of DISPLAY unless a ScopedWindowLookup
// installed another one.
IWindowLookup& CurrentWindowLookup();

// Installs `lookup` for the lifetime of this object and restores the previous one after.
class ScopedWindowLookup {
 public:
  explicit ScopedWindowLookup(IWindowLookup& lookup);
  ~ScopedWindowLookup();
  ScopedWindowLookup(const ScopedWindowLookup&) = delete;
  ScopedWindowLookup& operator=(const ScopedWindowLookup&) = delete;

 private:
  IWindowLookup* previous_;
};

}  // namespace rvc::platform
