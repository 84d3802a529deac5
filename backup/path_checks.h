// Checks, before a backed-up dispatcher data folder is copied over an installed one, that
// the folders its settings name exist on this machine: the swap file folders (the
// "swap_0.sfd" to "swap_2.sfd" files of the backed-up folder), the hot folder and the two
// PavoNet local folders of its ini file. A folder written with "%KW_DATA_TAMRIX%" is
// resolved against the flavour's data folder.
//
// With `create` the checks make a missing folder (with its parents) first, but only when
// it lies inside the flavour's data folder: a backup is data from elsewhere, and a folder
// it names outside the installation is only checked, never made. Every missing folder is
// written to the trace; the result is true when every folder exists.
#pragma once

#include <functional>
#include <string>

namespace rvc::backup {

// `path` with "%kw_data_tamrix%\" (or, when that spelling is absent, "%KW_DATA_TAMRIX%\")
// replaced by `dataFolder` (which ends with the separator); "\" then turns into "/".
// Other environment references stay as they are.
std::string ResolveRestoredPath(const std::string& path, const std::string& dataFolder);

// The swap file folders of the backed-up dispatcher folder `folder`. Raises
// CRvcException 104 naming a swap file that cannot be opened.
// `beforeCreate`, when given, is told each folder before it is made (a journal notes it).
using BeforeCreate = std::function<void(const std::string& folder)>;
bool CheckRestoredFolders(const std::string& folder, const std::string& dataFolder, bool create,
                          const BeforeCreate& beforeCreate = {});

// The hot folder ("hotfolder"/"Folder") and the PavoNet local folders ("PavoNet"/"ldir1",
// "ldir2") of the backed-up ini file `iniFile`. Raises CRvcException 109 when the file
// cannot be opened.
bool CheckRestoredIni(const std::string& iniFile, const std::string& dataFolder, bool create,
                      const BeforeCreate& beforeCreate = {});

}  // namespace rvc::backup
