// Environment variables of the process and of the installation.
//
// The installation's own variables (KW_DATA_RAVLINCONFIG and the RIP's folders) live in
// an environment file of the installation:
//   - the file named by the variable RAVLIN_ENVIRONMENT_FILE, when it is set;
//   - else /etc/ravlin/environment.
// Its format is one "NAME=value" per line; blank lines and lines starting with "#" are
// ignored, a leading "export " is allowed, blanks around the name and the value are
// dropped, and the value is otherwise taken as written (it may hold "=" and blanks; no
// quotes are removed). A name given twice keeps its last value. See docs/environment.md.
#pragma once

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

// The environment file in use, as described above.
std::string EnvironmentFilePath();

// Parses an environment file, one entry per name in the order of first appearance; a
// missing or unreadable file gives an empty list.
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
