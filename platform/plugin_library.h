// A loaded plug-in library (shared object). Unloaded when the object is destroyed.
#pragma once

#include <memory>
#include <string>

namespace rvc::platform {

class PluginLibrary {
 public:
  // Loads `path`; nothing when loading fails, with the loader's reason in `error`.
  static std::unique_ptr<PluginLibrary> Load(const std::string& path, std::string* error = nullptr);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // The address of an exported symbol, or nullptr.
  void* Symbol(const std::string& name) const;
  template <typename Function>
  Function* Export(const std::string& name) const {
    return reinterpret_cast<Function*>(Symbol(name));
  }

 private:
  explicit PluginLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace rvc::platform
