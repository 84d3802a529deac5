// Environment variables of the process and of the installation.
//
// The installation's own variables (KW_DATA_RAVLINCONFIG and the RIP's folders) live in
// an environment file of the installation:
//   - the file named by the variable RAVLIN_ENVIRONMENT_FILE, when it is set;
//   - else /etc/ravlin/environment.
// Its format is one "NAME=value" per line; blank lines and lines starting with "#" are
// ignored, a leading "export " is allowed, blanks around the name and the value are
// dropped, and the value is otherwise taken as written (it may hold "=" and blanks; no
// quotes are removed). A name given twice keeps its last value. The file must be a
// regular file of at most kEnvironmentFileLimit bytes; anything else (a FIFO, a device
// such as /dev/zero) is not read at all. See docs/environment.md.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rvc::platform {

struct EnvironmentEntry {
  std::string name;
  std::string value;
};

std::optional<std::string> GetEnv(const std::string& name);
// As GetEnv, falling back to a variable whose name differs only in ASCII case.
std::optional<std::string> GetEnvNoCase(const std::string& name);
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// The largest environment file that is read: 1 MiB, a thousand times what an
// installation needs.
inline constexpr size_t kEnvironmentFileLimit = size_t{1} << 20;

// The environment file in use, as described above.
std::string EnvironmentFilePath();

// Why the environment file in use, although it is there, cannot be used, naming it ("The
// environment file /x/env is not a regular file (named by RAVLIN_ENVIRONMENT_FILE)");
// nothing when it can be used or is missing. Both programs stop with this text.
std::optional<std::string> EnvironmentFileProblem();
// "The environment file /x/env does not exist ..." when it is missing and the process
// has no KW_DATA_RAVLINCONFIG of its own, else nothing. A missing file is no error by
// itself (the variables may come with the process); the programs add this line when the
// installation then cannot be found.
std::optional<std::string> MissingEnvironmentFile();

// Parses an environment file, one entry per name in the order of first appearance; a
// missing or unreadable file, or one that is not a regular file within the limit, gives
// an empty list.
std::vector<EnvironmentEntry> ReadEnvironmentFile(const std::string& path);

// Makes the installation's variables visible to the process. Variables that the process
// already has keep their values. Safe to call any number of times.
void KW_EnvironmentSetupEx();

// The installation's variables with the values the process now sees, in file order.
std::vector<EnvironmentEntry> KW_EnvironmentList();

// Expands %NAME% references (names ignoring case, as GetEnvNoCase). A reference to an unset variable stays as written, "%%"
// and a lone "%" are kept. Returns nothing when the result would be longer than
// `maxLength` characters (0: no limit).
std::optional<std::string> ExpandEnvironmentReferences(std::string_view text, size_t maxLength = 0);

}  // namespace rvc::platform
