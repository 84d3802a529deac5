// Folders that the thread's listing scope (CRvcUtils::ListingScope) has listed stay open
// while it lives, up to a few dozen: a file found by a search in one of them is opened
// relative to it, without walking its path again.
#pragma once

#include <string>

namespace rvc::store {

// Opens `path` (open(2) `flags`) relative to its folder when the scope holds that folder
// open; -1 otherwise, or when it is not there in that spelling.
int OpenInListedFolder(const std::string& path, int flags);

}  // namespace rvc::store
