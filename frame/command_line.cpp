#include "frame/command_line.h"

#include "platform/path.h"

namespace rvc::frame {

bool IsSwitch(const std::string& argument) {
  if (argument.empty()) return false;
  if (argument[0] == '-') return true;
  return argument[0] == '/' && argument.find('/', 1) == std::string::npos;
}

CommandLine ParseCommandLine(std::vector<std::string> arguments) {
  CommandLine line;
  line.Arguments = std::move(arguments);
  const auto& args = line.Arguments;
  // Last to first: a mode switch further left overrides one further right.
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    if (!IsSwitch(*it)) continue;
    const std::string lower = platform::ToLowerAscii(*it);
    static constexpr struct {
      char letter;
      int mode;
    } kLetters[] = {
        {'i', kModeInstall}, {'u', kModeUpdate}, {'b', kModeBackup}, {'d', kModeDelete}, {'v', kModeVersion}};
    for (const auto& entry : kLetters) {
      if (lower.find(entry.letter) != std::string::npos) {
        line.Mode = entry.mode;
        break;
      }
    }
    if (lower.find('f') != std::string::npos) line.PreferredFlavourGiven = true;
  }
  if (!args.empty()) {
    line.PreferredFlavour = args.front();
    if (args.back().find('.') != std::string::npos) line.Version = args.back();
  }
  return line;
}

std::optional<std::string> CommandLine::ProgramFolder() const {
  if (Mode == kModeInteractive || Arguments.size() <= 3) return std::nullopt;
  return Arguments[1];
}

std::optional<std::string> CommandLine::DataFolder() const {
  if (Mode == kModeInteractive || Arguments.size() <= 3) return std::nullopt;
  return Arguments[2];
}

const char* TraceFileName(int mode) {
  switch (mode) {
    case kModeInstall:
      return "trace_rvc_install.txt";
    case kModeBackup:
      return "trace_rvc_backup.txt";
    case kModeUpdate:
      return "trace_rvc_update.txt";
    case kModeDelete:
      return "trace_rvc_delete.txt";
    case kModeVersion:
      return "trace_rvc_version.txt";
    default:
      return "trace_rvc.txt";
  }
}

const char* ModeName(int mode) {
  switch (mode) {
    case kModeInstall:
      return "Install";
    case kModeBackup:
      return "Backup";
    case kModeUpdate:
      return "Update";
    case kModeDelete:
      return "Delete";
    case kModeVersion:
      return "Version";
    default:
      return "";
  }
}

}  // namespace rvc::frame
