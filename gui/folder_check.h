// The checks of the folder picker, without any widget: what the typed path names, and the
// creation of a missing folder with its parents.
#pragma once

#include <string>

namespace rvc::ui {

struct FolderVerdict {
  enum class Kind {
    Folder,   // an existing folder: the choice
    Missing,  // nothing there yet: may be created
    Invalid,  // no usable path; Problem says why
  };
  Kind kind = Kind::Invalid;
  std::string folder;   // the path as it will be returned (normalised, "~" expanded)
  std::string problem;  // for Invalid: the message to show
};

// Checks the path typed into the picker: it must start at the root folder (or at "~"),
// must not name a file or lead through one, and a network path ("//server/share" or
// "\\server\share") must name both a server and a share; such paths are reached through
// the folder where the share is mounted.
FolderVerdict CheckFolder(const std::string& typed);

// The question before a missing folder is created.
std::string CreateFolderQuestion(const std::string& folder);

// Creates `folder` with its missing parents. "" when it exists afterwards, else the
// message that names the reason.
std::string CreateFolder(const std::string& folder);

// Why a folder could not be created, in words, for the error number `error`.
std::string CreationFailureReason(int error);

}  // namespace rvc::ui
