// Delivering a print job into a dispatcher's PostScript hot folder, the folder the RIP
// watches for jobs: the ini file's item "hotfolder" of topic "folder".
#pragma once

#include <csignal>
#include <string>
#include <string_view>

namespace rvc::cups {

// The file name of a job in the hot folder: the title and the job id, "TITLE_ID.ps". The
// RIP's platform forbids \ / : * ? " < > | and control characters in file names; they
// become "_", as do bytes that are no part of valid UTF-8 and blanks or dots at the start
// (a leading dot would hide the file). The title is cut to 100 bytes (never inside a
// character); an empty title gives "job". Only digits of the id are kept.
std::string JobFileName(std::string_view title, std::string_view jobId);

// The hot folder of the dispatcher whose ini file is `iniFile`, resolved as the RIP
// resolves it: the value of [folder] hotfolder (one pair of enclosing quotes removed),
// with %NAME% references expanded after the items of the ini's [environment] topic have
// been added to the process environment (they override it, as they do for the RIP), and
// through CRvcUtils::ExpandFolder as a folder. Ends with "/". Raises CRvcException 109
// when the ini file cannot be read, 108 when the expansion is too long; `problem` receives
// why there is no usable folder ("" and the folder otherwise).
std::string HotFolderOf(const std::string& iniFile, std::string& problem);

// Writes the bytes read from `input` to `fileName` inside `folder` atomically: a hidden
// temporary file beside it, renamed into place only when the whole job has been read and
// flushed, so the RIP never sees part of a job. `fileName` must be one plain file name (as
// JobFileName makes it); nothing is written anywhere but in `folder`, and a link in the
// file's place is replaced, not followed. `stop` is checked between reads; when it turns
// true the temporary file is dropped. "" when done, else the reason.
std::string DeliverJob(const std::string& folder, const std::string& fileName, int input,
                       const volatile std::sig_atomic_t* stop = nullptr);

}  // namespace rvc::cups
