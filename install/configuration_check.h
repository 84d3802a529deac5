// The check of a migrated dispatcher's RIP configuration against the new version: every
// configuration must name an existing film and resolution set (175, 176: the first one
// takes its place), and the films must fit the recorder's maximum device sizes.
#pragma once

#include <string>

#include "ripconfig/configuration_store.h"

namespace rvc::install {

// Whether films larger than the device are cut down to the maximum ("B" and "BI"
// flavours, ignoring case) or the maximum grows to the largest film (every other one).
bool ReducesFilms(const std::string& flavor);

// The maximum device sizes, for each film in list order, vertical first: reduced films
// show 174 and trace "... will be reduced from <old> mil to <max> mil."; an enlarged
// maximum traces "... will be enlarged from <old> mil to <new> mil.". Sizes in "%f".
void FitDeviceSizes(ripconfig::ConfigurationStore& cfg, bool reduceFilms);

// The references of every configuration named in the base record (175, 176).
void RepairReferences(ripconfig::ConfigurationStore& cfg);

enum class CheckResult { Passed, CannotOpen, Errors };

// Opens `configFile` (a dispatcher's "zv_config.res"); when it opens without errors,
// repairs the references, fits the sizes under the write lock and writes. A file that
// cannot be opened or reports errors is traced as "Dispatcher<name>: ..." and left alone.
CheckResult CheckConfiguration(const std::string& configFile, const std::string& name, bool reduceFilms);

}  // namespace rvc::install
