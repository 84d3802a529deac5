// The output of "ravlinctl doctor": one block per problem, or JSON with --json.
#include "apps/ravlinctl/doctor.h"

#include "apps/ravlinctl/json.h"

#include <cstdio>

namespace rvc::ctl {
namespace {

std::string Quoted(const std::string& text) { return JsonString(text); }

}  // namespace

void SayWhyNothingLoads(CtlConsole& console, const std::optional<std::string>& version) {
  constexpr size_t kShown = 3;
  const std::vector<Finding> findings = CheckInstallation(version);
  for (size_t i = 0; i < findings.size() && i < kShown; ++i) {
    console.Say(findings[i].problem + ": " + findings[i].file + "\n  fix: " + findings[i].fix);
  }
  console.Say(findings.size() > kShown ? "run 'ravlinctl doctor' for every problem"
                                       : "run 'ravlinctl doctor' to check the installation");
}

int RunDoctor(const Arguments& arguments, const std::optional<std::string>& version) {
  const std::vector<Finding> findings = CheckInstallation(version);
  if (arguments.Has("json")) {
    std::string out = "{\"healthy\": " + std::string(findings.empty() ? "true" : "false") + ", \"problems\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
      const Finding& f = findings[i];
      out += std::string(i == 0 ? "" : ",") + "\n  {\"check\": " + Quoted(f.check) + ", \"file\": " + Quoted(f.file) +
             ", \"problem\": " + Quoted(f.problem) + ", \"fix\": " + Quoted(f.fix) + "}";
    }
    out += findings.empty() ? "]}\n" : "\n]}\n";
    std::fputs(out.c_str(), stdout);
  } else if (findings.empty()) {
    std::printf("The installation is healthy.\n");
  } else {
    for (const Finding& f : findings) {
      std::printf("%s: %s\n  file: %s\n  fix:  %s\n", f.check.c_str(), f.problem.c_str(), f.file.c_str(),
                  f.fix.c_str());
    }
    std::printf("%zu problem%s found.\n", findings.size(), findings.size() == 1 ? "" : "s");
  }
  return findings.empty() ? kExitDone : kExitFailed;
}

}  // namespace rvc::ctl
