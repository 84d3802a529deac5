// Subcommands that name a dispatcher and then what to do with it ("ravlinctl env NAME
// list", "ravlinctl config NAME use CONF"). Each verb is registered by the file that runs
// it, with one line at namespace scope:
//
//   const VerbRegistration kConfigUse{{"config", "use", true, RunConfigUse, 1, 1}};
//
// so that the verbs of one subcommand can live in several files. The subcommand itself
// (its synopsis, help and options) is declared with the others (arguments.h).
#pragma once

#include <string>

#include "apps/ravlinctl/arguments.h"
#include "apps/ravlinctl/console.h"
#include "apps/ravlinctl/session.h"

namespace rvc::ctl {

struct Verb {
  const char* group;  // the subcommand
  const char* name;   // the word after the dispatcher's name; "" for a subcommand without verbs
  bool changes;       // changes the installation: administrators only, under the installation lock
  // Runs with positionals {NAME, VERB, OPERANDS...} (without VERB when `name` is "").
  int (*run)(CSession& session, CtlConsole& console, const Arguments& arguments);
  size_t minOperands = 0;  // words after the verb
  size_t maxOperands = 0;
  // When given, decides `changes` from the options (a listing without them, a change with).
  bool (*changesWith)(const Arguments& arguments) = nullptr;
};

class VerbRegistration {
 public:
  explicit VerbRegistration(const Verb& verb);
};

// Whether `group` is a subcommand run through its verbs.
bool HasVerbs(const std::string& group);
// The verb that `arguments` of subcommand `group` name; nullptr for none.
const Verb* FindVerb(const std::string& group, const Arguments& arguments);
// Raises UsageError when `arguments` name no verb of `group` or give it too few or too
// many operands.
void CheckVerb(const std::string& group, const Arguments& arguments);
// Whether the run changes the installation: the subcommand's flag, or its verb's.
bool Changes(const Subcommand& command, const Arguments& arguments);
int RunVerb(CSession& session, CtlConsole& console, const std::string& group, const Arguments& arguments);

}  // namespace rvc::ctl
