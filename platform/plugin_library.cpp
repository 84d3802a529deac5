#include "platform/plugin_library.h"

#include <dlfcn.h>

namespace rvc::platform {
namespace {

PluginLibrary::IObserver*& TheObserver() {
  static PluginLibrary::IObserver* observer = nullptr;
  return observer;
}

}  // namespace

void PluginLibrary::SetObserver(IObserver* observer) { TheObserver() = observer; }

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
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
