#include "core/string_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace rvc {
namespace {

// Sorted by id. Ids without an entry format as "Error <id>".
constexpr std::pair<int, std::string_view> kStrings[] = {
    {103, "Failed to rename %s to %s"},
    {104, "Failed to open %s"},
    {105, "Failed to copy %s to %s"},
    {106, "Failed to create %s"},
    {107, "Failed to delete %s"},
    {108, "Failed to expand environment string %s"},
    {109, "RDB error %s"},
    {110, "Configuration %s failed"},
    {111, "System error at %s (%s)"},
    {112, "Port separator %s already exists, please choose another number"},
    {113, "%s already exists, please choose another name"},
    {114, "%s already exists, please choose another folder"},
    {115, "You can not change the folder for %s"},
    {116, "The folder %s for %s is too short"},
    {117, "Cannot create icon %s"},
    {118, "Internal error: %s failed"},
    {119, "You can not delete %s"},
    {120, "You can not create %s"},
    {121, "You should log in as administrator to run Ravlin Configurator"},
    {122, "%s application is already running"},
    {123, "Application stopped because %s"},
    {124, "You must specify a name"},
    {125, "You must specify a portnumber"},
    {126, "Following characters may not be used: \\/:*?\"<>|"},
    {127, "Are you sure you want to delete this media?"},
    {128, "Are you sure you want to delete this resolution set?"},
    // Not a message: the full version shown on the splash.
    {129, "10.1.0"},
    {130, "You must select a media and a resolution set."},
    {132, "Are you sure you want to delete this configuration?"},
    {134, "You should fill in a media name."},
    {135, "You should fill in a configuration name."},
    {138, "You cannot create more than nine clones of one dispatcher."},
    {151, "Are you sure you want to delete this resolution?"},
    {152, "You are not allowed to delete the default or the last configuration."},
    {153, "You are not allowed to delete the last media or the media used for this configuration."},
    {154, "You are not allowed to delete the last resolution set or the resolution set used for this configuration."},
    // The two blanks before "may" and the blank after the second newline are the
    // program's own wording.
    {155,
     "RavlinConfigurator could not retrieve information from last successful back-up folder!\n"
     "The folder '%s'  may be moved or deleted.\n Please browse to a valid back-up folder."},
    {156, "No Flavour has been backed up in this location!"},
    {157, "The folder you opened is not a valid back-up folder.\nPlease select a valid back-up folder."},
    {158, "Error in opening resource files data base."},
    // Not a message: the version of the window title and the flavour label.
    {160, "10.1"},
    {161, "Entered value is not a valid resolution.!"},
    {162, "Please browse and select a PPD file."},
    {169,
     "The windows user that is currently logged on, has not the right to perform this operation.\n"
     "Please reboot and log on with an administrator or with the ravlin user."},
    {170, "Resolution already exists in this set."},
    {171, "The outputpath doesn't exists. Please enter a valid outputpath."},
    {172, "%s%s is in use by an other application.\nPlease close all applications using this directory."},
    {173,
     "The media sizes are too big. These sizes should be smaller than %s mil (vertical) \n"
     "and %s mil (horizontal). (The maximum device sizes)"},
    {174,
     "The sizes of the %s film or plate are bigger than the maximum device sizes. \n"
     "The film or plate sizes will be reduced to the maximum device sizes."},
    // Three arguments: shown through FormatMessageText with an argument list, never
    // raised as an exception.
    {175,
     "Configuration %s has an invalid reference to film %s (This film does not exist) The configuration will be "
     "using film %s instead."},
    // Three arguments, like 175.
    {176,
     "Configuration %s has an invalid reference to resolution set %s (This resolution set does not exist) The "
     "configuration will be using resolution set %s instead."},
    {177, "This configuration exists already. \nPlease choose another name."},
    // One backslash, as in the set of characters the check refuses; the first of the two
    // blanks after the colon is the separator, the second stands for the blank itself.
    {178,
     "Following characters may not be used in a configuration name:  ,.;\\/:*?\"<>|#. Spaces are not allowed as "
     "well."},
    {185,
     "RVC has encountered a serious problem. Probably the resfiles of this dispatcher are corrupt.\n"
     " See the RVC trace file for more details. Please contact Orva-Graphics Customer Services."},
    // 186 and 187 in full, as the update job shows them (elsewhere they are only
    // summarised as pointing to the update trace file).
    {186,
     "RVC has encountered a serious problem. Probably the resfiles of the previous dispatcher %s are corrupt.\n"
     "See the trace_rvc_update file for more details.\n"
     "A copy of the previous data tree will be saved in the TMP directory.\n"
     "The default new dispatcher will be installed. The upgrade procedure did not complete succesfully.\n"
     "Please contact Orvahold Customer Services."},
    {187,
     "RVC has encountered a serious problem. Probably the resfiles of the previous dispatcher %s are corrupt.\n"
     "See the trace_rvc_update file for more details. It is strongly advised not to uninstall the previous "
     "dispatcher now. A copy of the previous data tree will be saved in the TMP directory.\n"
     "The previous dispatcher %s will not be upgraded. The upgrade procedure did not complete succesfully.\n"
     "Please contact Orvahold Customer Services."},
    {188, "Film sizes should be bigger than 0."},
    {189, "This name exists already in the resource files. \nPlease choose another name."},
    {190, "The film already exists. \nPlease choose another name."},
};

}  // namespace

std::optional<std::string_view> LoadString(int id) {
  auto found = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                [](const auto& entry, int wanted) { return entry.first < wanted; });
  if (found == std::end(kStrings) || found->first != id) return std::nullopt;
  return found->second;
}

}  // namespace rvc
