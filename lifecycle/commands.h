// The main window commands that the dispatcher lifecycle carries out: New, Delete, Change
// Type, Dispatcher Properties, Create PPD, Create All PPDs and PPD Preferences.
#pragma once

#include <functional>

#include "frame/commands.h"
#include "lifecycle/new_dispatcher.h"

namespace rvc::lifecycle {

struct LifecycleCommandOptions {
  // PPD generation for new dispatchers; null: the PPD driver of the flavour shown.
  IPpdGenerator* ppdGenerator = nullptr;
  // Handed to every creation (tests make a creation step fail).
  std::function<void(CreationStep step)> creationStepHook;
};

void RegisterLifecycleCommands(frame::CCommandTable& table, LifecycleCommandOptions options = {});

}  // namespace rvc::lifecycle
