#include "apps/ravlinctl/verbs.h"

#include <vector>

namespace rvc::ctl {
namespace {

std::vector<Verb>& Registered() {
  static std::vector<Verb> verbs;
  return verbs;
}

std::string VerbNames(const std::string& group) {
  std::string names;
  for (const Verb& verb : Registered()) {
    if (group == verb.group) names += (names.empty() ? "" : ", ") + std::string(verb.name);
  }
  return names;
}

}  // namespace

VerbRegistration::VerbRegistration(const Verb& verb) { Registered().push_back(verb); }

bool HasVerbs(const std::string& group) {
  for (const Verb& verb : Registered()) {
    if (group == verb.group) return true;
  }
  return false;
}

const Verb* FindVerb(const std::string& group, const Arguments& arguments) {
  for (const Verb& verb : Registered()) {
    if (group != verb.group) continue;
    if (*verb.name == '\0') return &verb;
    if (arguments.positionals.size() >= 2 && arguments.positionals[1] == verb.name) return &verb;
  }
  return nullptr;
}

void CheckVerb(const std::string& group, const Arguments& arguments) {
  if (!HasVerbs(group)) return;
  const Verb* verb = FindVerb(group, arguments);
  if (verb == nullptr) {
    if (arguments.positionals.size() < 2) throw UsageError(group + ": say what to do: " + VerbNames(group));
    throw UsageError(group + ": unknown action " + arguments.positionals[1] + " (one of " + VerbNames(group) + ")");
  }
  const size_t words = *verb->name == '\0' ? 1 : 2;
  const size_t operands = arguments.positionals.size() - words;
  const std::string what = *verb->name == '\0' ? group : group + " " + verb->name;
  if (operands < verb->minOperands) throw UsageError(what + ": too few arguments");
  if (operands > verb->maxOperands) throw UsageError(what + ": unexpected argument " + arguments.positionals.back());
}

bool Changes(const Subcommand& command, const Arguments& arguments) {
  if (command.changes) return true;
  const Verb* verb = FindVerb(command.name, arguments);
  if (verb == nullptr) return false;
  return verb->changesWith != nullptr ? verb->changesWith(arguments) : verb->changes;
}

int RunVerb(CSession& session, CtlConsole& console, const std::string& group, const Arguments& arguments) {
  const Verb* verb = FindVerb(group, arguments);
  return verb != nullptr ? verb->run(session, console, arguments) : kExitUsage;
}

}  // namespace rvc::ctl
