#include "platform/plugin_library.h"

#include <dlfcn.h>

namespace rvc::platform {
namespace {

PluginLibrary::IObserver*& TheObserver() {
  static PluginLibrary::IObserver* observer = nullptr;
  return observer;
}

// Under AddressSanitizer a library stays mapped after its last close: LeakSanitizer cannot
// tell what an unloaded library allocated and reports its static data as leaks.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;
#endif

}  // namespace

void PluginLibrary::SetObserver(IObserver* observer) { TheObserver() = observer; }

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), kOpenFlags);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* reason = ::dlerror();
      *error = reason != nullptr ? reason : "unknown error";
    }
    return nullptr;
  }
  std::unique_ptr<PluginLibrary> library(new PluginLibrary(handle));
  if (TheObserver() != nullptr) TheObserver()->Loaded(*library);
  return library;
}

PluginLibrary::~PluginLibrary() {
  if (handle_ == nullptr) return;
  if (TheObserver() != nullptr) TheObserver()->Unloading(*this);
  ::dlclose(handle_);
}

void* PluginLibrary::Symbol(const std::string& name) const { return ::dlsym(handle_, name.c_str()); }

}  // namespace rvc::platform
