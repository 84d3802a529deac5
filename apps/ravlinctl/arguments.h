// The command line of ravlinctl: a subcommand with its options, in the manner of lpadmin
// and lpstat. Options take their value as the next argument or after "=" ("--type X",
// "--type=X"); "--" ends the options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace rvc::ctl {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// A command line that does not fit the subcommand (exit code 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  std::string name;       // long name without "--"
  char shortName = '\0';  // '\0': none
  bool takesValue = false;
};

struct Subcommand {
  std::string name;
  std::string synopsis;  // the usage line after "ravlinctl "
  std::string summary;   // one line for the overview
  std::string help;      // the options and what the subcommand does
  std::vector<OptionSpec> options;
  size_t minPositionals = 0;
  size_t maxPositionals = 0;
  bool changes = false;  // changes the installation: administrators only
};

struct Arguments {
  std::map<std::string, std::string> values;  // options with a value, by long name
  std::set<std::string> flags;                // options without one
  std::vector<std::string> positionals;

  bool Has(const std::string& name) const { return flags.count(name) != 0 || values.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;
};

// Every subcommand, in the order of the overview.
const std::vector<Subcommand>& Subcommands();
const Subcommand* FindSubcommand(const std::string& name);

// Parses the arguments after the subcommand's name. Raises UsageError.
Arguments ParseArguments(const Subcommand& command, const std::vector<std::string>& arguments);

// "ravlinctl --help".
std::string OverviewHelp();
// "ravlinctl SUBCOMMAND --help".
std::string SubcommandHelp(const Subcommand& command);
// The short usage that follows a usage error.
std::string UsageHint(const Subcommand* command);

// The subcommands of the Modify dialog's pages, env, folders, swap and config
// (settings_commands.cpp), and what their arguments must hold beyond their syntax.
void AddSettingsSubcommands(std::vector<Subcommand>& commands);
void CheckSettingsArguments(const Subcommand& command, const Arguments& arguments);

}  // namespace rvc::ctl
