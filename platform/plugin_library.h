// A loaded shared library: a plug-in, or a system library loaded on first use. Unloaded
// when the object is destroyed, unless kept loaded.
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
  // Points `function` (a function pointer) at the export `name`; false when there is none.
  template <typename FunctionPointer>
  bool Bind(const std::string& name, FunctionPointer& function) const {
    function = reinterpret_cast<FunctionPointer>(Symbol(name));
    return function != nullptr;
  }
  // Leaves the library loaded for the rest of the process once this object goes (system
  // libraries that set up global state are not safe to unload). Call it last.
  void KeepLoaded() { handle_ = nullptr; }

  // Told of every library that Load() loads and of every one about to be unloaded, so that
  // the layers above can take what a plug-in contributes (the Qt views of its dialogs)
  // and drop it again before its code goes.
  class IObserver {
   public:
    virtual void Loaded(const PluginLibrary& library) = 0;
    virtual void Unloading(const PluginLibrary& library) = 0;

   protected:
    ~IObserver() = default;
  };
  // One observer per process; nullptr ends the telling.
  static void SetObserver(IObserver* observer);

 private:
  explicit PluginLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace rvc::platform
