#include "plugins/type_plugin.h"

#include <cstdio>
#include <string>
#include <utility>

#include "core/rvc_exception.h"
#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::plugins {
namespace {

constexpr const char* kTypesTable = "dat/types.dat";
constexpr const char* kVersionExport = "GetVersionNr";

std::string FormatVersion(double version) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", version);
  return text;
}

void TraceLine(void* context, const char* line) {
  static_cast<IRvcTrace*>(context)->Trace(line != nullptr ? line : "");
}

}  // namespace

CPluginTrace::CPluginTrace(IRvcTrace& trace) : object_{&trace, &TraceLine} {}

CPluginTrace::CPluginTrace() : own_(std::make_unique<CRvcTrace>("")), object_{own_.get(), &TraceLine} {}

TypePlugin TypePlugin::Load(const std::string& programFolder, const std::string& deviceType,
                            const std::string& item) {
  return LoadFromTable(platform::JoinPath(platform::NativePath(programFolder), kTypesTable), deviceType, item);
}

TypePlugin TypePlugin::LoadFromTable(const std::string& typesFile, const std::string& deviceType,
                                     const std::string& item) {
  TypePlugin plugin;
  try {
    plugin.library_ = store::CRvcUtils().LoadPluginLibrary(typesFile, deviceType, item);
  } catch (const CRvcException& e) {
    // A table that cannot be read leaves the dialogs their own behaviour.
    CRvcTrace("").Trace(item + " of " + deviceType + " not loaded: " + e.what());
  }
  if (!plugin.library_) return plugin;

  auto* getVersion = plugin.library_->Export<RvcGetVersionNrFn>(kVersionExport);
  plugin.hasVersion_ = getVersion != nullptr;
  plugin.version_ = plugin.hasVersion_ ? getVersion() : 0.0;
  if (plugin.hasVersion_ && plugin.version_ < kTraceVersion) {
    CRvcTrace("").Trace(item + " of " + deviceType + " not used: its GetVersionNr gives " +
                        FormatVersion(plugin.version_) + ", below 1.0");
    plugin.state_ = State::kUnusable;
    return plugin;
  }
  plugin.state_ = State::kUsable;
  if (plugin.hasVersion_) plugin.trace_ = std::make_unique<CPluginTrace>();
  return plugin;
}

TypePlugin::TypePlugin(TypePlugin&& other) noexcept { *this = std::move(other); }

TypePlugin& TypePlugin::operator=(TypePlugin&& other) noexcept {
  if (this == &other) return *this;
  trace_ = std::move(other.trace_);
  library_ = std::move(other.library_);
  state_ = std::exchange(other.state_, State::kAbsent);
  hasVersion_ = std::exchange(other.hasVersion_, false);
  version_ = std::exchange(other.version_, 0.0);
  return *this;
}

TypePlugin::~TypePlugin() = default;

}  // namespace rvc::plugins
