// Names of the numbered messages of the string table (core/string_table.cpp), for
// CRvcException and MessageText. The numbers are part of the program's face: traces and
// support documents quote them, so they never change.
#pragma once

namespace rvc::msg {

inline constexpr int kRenameFailed = 103;            // "Failed to rename %s to %s"
inline constexpr int kOpenFailed = 104;              // "Failed to open %s"
inline constexpr int kCopyFailed = 105;              // "Failed to copy %s to %s"
inline constexpr int kCreateFailed = 106;            // "Failed to create %s"
inline constexpr int kDeleteFailed = 107;            // "Failed to delete %s"
inline constexpr int kExpandFailed = 108;            // "Failed to expand environment string %s"
inline constexpr int kResourceDbError = 109;         // "RDB error %s"
inline constexpr int kConfigurationFailed = 110;     // "Configuration %s failed"
inline constexpr int kSystemError = 111;             // "System error at %s (%s)"
inline constexpr int kPortSeparatorExists = 112;     // "Port separator %s already exists, ..."
inline constexpr int kNameExists = 113;              // "%s already exists, please choose another name"
inline constexpr int kFolderExists = 114;            // "%s already exists, please choose another folder"
inline constexpr int kFolderLocked = 115;            // "You can not change the folder for %s"
inline constexpr int kFolderTooShort = 116;          // "The folder %s for %s is too short"
inline constexpr int kIconFailed = 117;              // "Cannot create icon %s"
inline constexpr int kInternalError = 118;           // "Internal error: %s failed"
inline constexpr int kCannotDelete = 119;            // "You can not delete %s"
inline constexpr int kCannotCreate = 120;            // "You can not create %s"
inline constexpr int kNotAdministrator = 121;        // "You should log in as administrator ..."
inline constexpr int kAlreadyRunning = 122;          // "%s application is already running"
inline constexpr int kApplicationStopped = 123;      // "Application stopped because %s"
inline constexpr int kNameMissing = 124;             // "You must specify a name"
inline constexpr int kPortMissing = 125;             // "You must specify a portnumber"
inline constexpr int kForbiddenCharacters = 126;     // "Following characters may not be used: ..."
inline constexpr int kAskDeleteMedia = 127;          // "Are you sure you want to delete this media?"
inline constexpr int kAskDeleteResolutionSet = 128;  // "... delete this resolution set?"
inline constexpr int kBuildVersion = 129;            // "10.1.0": not a message
inline constexpr int kMediaAndSetMissing = 130;      // "You must select a media and a resolution set."
inline constexpr int kAskDeleteConfiguration = 132;  // "... delete this configuration?"
inline constexpr int kMediaNameMissing = 134;        // "You should fill in a media name."
inline constexpr int kConfigurationNameMissing = 135;  // "You should fill in a configuration name."
inline constexpr int kTooManyClones = 138;           // "You cannot create more than nine clones ..."
inline constexpr int kAskDeleteResolution = 151;     // "... delete this resolution?"
inline constexpr int kLastConfiguration = 152;       // "You are not allowed to delete the default or the last configuration."
inline constexpr int kLastMedia = 153;               // "... delete the last media or the media used ..."
inline constexpr int kLastResolutionSet = 154;       // "... delete the last resolution set or the one used ..."
inline constexpr int kLastBackupMissing = 155;       // "... could not retrieve information from last successful back-up folder!"
inline constexpr int kNothingBackedUp = 156;         // "No Flavour has been backed up in this location!"
inline constexpr int kNotABackupFolder = 157;        // "The folder you opened is not a valid back-up folder. ..."
inline constexpr int kResourceFilesError = 158;      // "Error in opening resource files data base."
inline constexpr int kProductVersion = 160;          // "10.1": not a message
inline constexpr int kInvalidResolution = 161;       // "Entered value is not a valid resolution.!"
inline constexpr int kPpdMissing = 162;              // "Please browse and select a PPD file."
inline constexpr int kNoRights = 169;                // "The windows user that is currently logged on, has not the right ..."
inline constexpr int kResolutionExists = 170;        // "Resolution already exists in this set."
inline constexpr int kOutputPathMissing = 171;       // "The outputpath doesn't exists. ..."
inline constexpr int kFolderInUse = 172;             // "%s%s is in use by an other application. ..."
inline constexpr int kMediaTooBig = 173;             // "The media sizes are too big. ..."
inline constexpr int kFilmReduced = 174;             // "The sizes of the %s film or plate are bigger than the maximum device sizes. ..."
inline constexpr int kInvalidFilmReference = 175;    // "Configuration %s has an invalid reference to film %s ..."
inline constexpr int kInvalidSetReference = 176;     // "Configuration %s has an invalid reference to resolution set %s ..."
inline constexpr int kConfigurationExists = 177;     // "This configuration exists already. ..."
inline constexpr int kConfigurationNameCharacters = 178;  // "Following characters may not be used in a configuration name: ..."
inline constexpr int kCorruptResourceFiles = 185;    // "RVC has encountered a serious problem. ..."
inline constexpr int kUpdateOriginalCorrupt = 186;   // "... the resfiles of the previous dispatcher %s are corrupt. ..." (update failed)
inline constexpr int kUpdateCloneCorrupt = 187;      // "... the resfiles of the previous dispatcher %s are corrupt. ..." (clone dropped)
inline constexpr int kFilmSizesZero = 188;           // "Film sizes should be bigger than 0."
inline constexpr int kNameInResourceFiles = 189;     // "This name exists already in the resource files. ..."
inline constexpr int kFilmExists = 190;              // "The film already exists. ..."

}  // namespace rvc::msg
