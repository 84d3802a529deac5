// The plug-in library of one device type for one purpose ("generaldll", "mediadll", ...),
// as the flavour's device-type table names it, loaded and checked against the version
// rule. The exports' types are in plugins/plugin_api.h; docs/plugins.md describes the
// whole interface.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "core/rvc_trace.h"
#include "platform/plugin_library.h"
#include "plugins/plugin_api.h"

namespace rvc::plugins {

// The items of the device-type table that name plug-in libraries.
inline constexpr const char* kGeneralDll = "generaldll";
inline constexpr const char* kDispatcherDll = "dispatcherdll";
inline constexpr const char* kSynchronizeDll = "synchronizedll";
inline constexpr const char* kConfigurationDll = "configurationdll";
inline constexpr const char* kMediaDll = "mediadll";
inline constexpr const char* kResolutionDll = "resolutiondll";
inline constexpr const char* kResAndCalDll = "resandcaldll";
inline constexpr const char* kBackupDll = "backupdll";

// The version a library must report through "GetVersionNr" to be used; from this version
// on it gets the trace object and "OnOKExt" replaces "OnOK".
inline constexpr double kTraceVersion = 1.0;

// The trace object handed to plug-ins, writing into a trace of the program. It points at
// itself, so it neither moves nor copies.
class CPluginTrace {
 public:
  // Lines go to `trace`, which must outlive this object.
  explicit CPluginTrace(IRvcTrace& trace);
  // Lines go to the default trace file ("trace_rvc.txt") through a trace of its own.
  CPluginTrace();
  CPluginTrace(const CPluginTrace&) = delete;
  CPluginTrace& operator=(const CPluginTrace&) = delete;

  // What the exports take as their last argument.
  RvcPluginTrace* Get() { return &object_; }

 private:
  std::unique_ptr<CRvcTrace> own_;
  RvcPluginTrace object_;
};

class TypePlugin {
 public:
  enum class State {
    kAbsent,    // nothing named, or the library does not load: use the built-in behaviour
    kUnusable,  // loaded, but "GetVersionNr" reports less than 1.0: not used
    kUsable,
  };

  // The library that `item` names for `deviceType` in `programFolder` + "dat/types.dat",
  // topic "All" as fallback. A table that cannot be read, a name that cannot be
  // expanded and a library that does not load are traced and give an absent plug-in.
  static TypePlugin Load(const std::string& programFolder, const std::string& deviceType, const std::string& item);
  // The same with the table's path given.
  static TypePlugin LoadFromTable(const std::string& typesFile, const std::string& deviceType,
                                  const std::string& item);

  TypePlugin() = default;  // absent
  TypePlugin(TypePlugin&&) noexcept;
  TypePlugin& operator=(TypePlugin&&) noexcept;
  ~TypePlugin();

  State GetState() const { return state_; }
  bool IsAbsent() const { return state_ == State::kAbsent; }
  bool IsUnusable() const { return state_ == State::kUnusable; }
  bool IsUsable() const { return state_ == State::kUsable; }
  // Whether the library exports "GetVersionNr", and what it reported (0 without).
  bool HasVersion() const { return hasVersion_; }
  double Version() const { return version_; }
  // True for a usable library of version 1.0 or more: its exports take the trace object as
  // their last argument (the "...TraceFn" types) and "OnOKExt" replaces "OnOK".
  bool WithTrace() const { return IsUsable() && hasVersion_ && version_ >= kTraceVersion; }
  // A trace object on the default trace file, made when the library is loaded with
  // WithTrace() and living as long as this object; nullptr otherwise.
  RvcPluginTrace* Trace() const { return trace_ ? trace_->Get() : nullptr; }

  // The export `name` of a usable library, as `Fn` (a function type of plugin_api.h);
  // nullptr when the library is not usable or lacks the export.
  template <typename Fn>
  Fn* Find(const char* name) const {
    return IsUsable() ? library_->Export<Fn>(name) : nullptr;
  }

  // Calls the export `name` of a usable library with `args`: as `TraceFn` with Trace()
  // added as the last argument when WithTrace(), else as `PlainFn`. The result of the
  // export, or nothing when the library is not usable or lacks the export (for an export
  // without result: whether it was called).
  //   plugin.Call<RvcNewMediaDlgFn, RvcNewMediaDlgTraceFn>("NewMediaDlg", handle, 1, folder);
  template <typename PlainFn, typename TraceFn, typename... Args>
  auto Call(const char* name, Args&&... args) const {
    using Result = std::invoke_result_t<PlainFn*, Args...>;
    static_assert(std::is_same_v<Result, std::invoke_result_t<TraceFn*, Args..., RvcPluginTrace*>>);
    if constexpr (std::is_void_v<Result>) {
      if (WithTrace()) {
        auto* function = Find<TraceFn>(name);
        if (function != nullptr) function(std::forward<Args>(args)..., Trace());
        return function != nullptr;
      }
      auto* function = Find<PlainFn>(name);
      if (function != nullptr) function(std::forward<Args>(args)...);
      return function != nullptr;
    } else {
      if (WithTrace()) {
        auto* function = Find<TraceFn>(name);
        return function != nullptr ? std::optional<Result>(function(std::forward<Args>(args)..., Trace()))
                                   : std::nullopt;
      }
      auto* function = Find<PlainFn>(name);
      return function != nullptr ? std::optional<Result>(function(std::forward<Args>(args)...)) : std::nullopt;
    }
  }

  // The loaded library (also when unusable), or nullptr.
  const platform::PluginLibrary* Library() const { return library_.get(); }

 private:
  std::unique_ptr<platform::PluginLibrary> library_;
  std::unique_ptr<CPluginTrace> trace_;
  State state_ = State::kAbsent;
  bool hasVersion_ = false;
  double version_ = 0.0;
};

}  // namespace rvc::plugins
