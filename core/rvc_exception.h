// The one exception type of the system: a message number of the string table and the
// finished text. Handlers at the top of each user operation or job catch it and call
// Report().
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/user_interface.h"

namespace rvc {

class CRvcException {
 public:
  // Formats the string-table text of `id` with the arguments ("%s" filled in order; an
  // absent argument fills in as empty text). When `id` has no text, or the text cannot
  // be formatted, the message is "Error <id>".
  explicit CRvcException(int id, std::optional<std::string> first = std::nullopt,
                         std::optional<std::string> second = std::nullopt);

  int Id() const { return id; }
  const std::string& Message() const { return message; }
  const char* what() const noexcept { return message.c_str(); }

  // Traces the message (except for id 122) and shows it in a message box titled "Error"
  // with one OK button and the exclamation icon.
  ui::Answer Report() const;

  std::string message;
  int id;
};

// Formats `format` with up to two "%s" arguments; "%%" gives "%". Nothing when the format
// holds any other conversion or more than two "%s".
std::optional<std::string> FormatMessageText(const std::string& format, const std::string& first,
                                             const std::string& second);

// The same for any number of arguments, for the few texts (such as 175) that take more
// than an exception can carry. Nothing when the format holds any other conversion or
// more "%s" than `arguments`.
std::optional<std::string> FormatMessageText(std::string_view format, std::span<const std::string> arguments);

// The string-table text of `id` formatted with `arguments`, or "Error <id>" when there
// is no such text or it cannot be formatted with them.
std::string MessageText(int id, std::span<const std::string> arguments = {});

}  // namespace rvc
