#include "platform/plugin_library.h"

#include <dlfcn.h>

namespace rvc::platform {

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* reason = ::dlerror();
      *error = reason != nullptr ? reason : "unknown error";
    }
    return nullptr;
  }
  return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle));
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* PluginLibrary::Symbol(const std::string& name) const { return ::dlsym(handle_, name.c_str()); }

}  // namespace rvc::platform
