// Whether a dispatcher's RIP is running: a running dispatcher shows a top-level window
// titled "Dispatcher for <Name> (<product version>)". Deletion, change of type,
// modification and restore leave a running dispatcher alone.
//
// The windows are looked up through platform::CurrentWindowLookup(), which tests replace
// with platform::ScopedWindowLookup.
#pragma once

#include <string>

namespace rvc::lifecycle {

// "Dispatcher for %s (%s)" with the name and the product version.
std::string DispatcherWindowTitle(const std::string& name, const std::string& productVersion);

bool IsDispatcherRunning(const std::string& name, const std::string& productVersion);

// "Dispatcher %s is running.\nYou cannot delete a running dispatcher." with the name.
std::string RunningDispatcherMessage(const std::string& name);

}  // namespace rvc::lifecycle
