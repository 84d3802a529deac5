#include "core/rvc_exception.h"

#include <array>

#include "core/messages.h"
#include "core/rvc_trace.h"
#include "core/string_table.h"

namespace rvc {

std::optional<std::string> FormatMessageText(std::string_view format, std::span<const std::string> arguments) {
  std::string out;
  out.reserve(format.size() + 64);
  size_t used = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (i + 1 >= format.size()) return std::nullopt;
    char conversion = format[++i];
    if (conversion == '%') {
      out.push_back('%');
    } else if (conversion == 's' && used < arguments.size()) {
      out.append(arguments[used++]);
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::optional<std::string> FormatMessageText(const std::string& format, const std::string& first,
                                             const std::string& second) {
  const std::array<std::string, 2> arguments{first, second};
  return FormatMessageText(std::string_view(format), arguments);
}

std::string MessageText(int id, std::span<const std::string> arguments) {
  if (auto format = LoadString(id)) {
    if (auto text = FormatMessageText(*format, arguments)) return *text;
  }
  return "Error " + std::to_string(id);
}

CRvcException::CRvcException(int messageId, std::optional<std::string> first, std::optional<std::string> second)
    : id(messageId) {
  // An absent argument fills its "%s" with nothing, as the two always exist.
  const std::array<std::string, 2> arguments{first.value_or(""), second.value_or("")};
  message = MessageText(id, arguments);
}

ui::Answer CRvcException::Report() const {
  // 122 (already running): a second instance leaves the running one's trace alone.
  if (id != msg::kAlreadyRunning) {
    CRvcTrace trace("");
    trace.Trace(message);
  }
  return ui::Current().ShowMessage(ui::Message{message, "Error", ui::Buttons::Ok, ui::Icon::Exclamation, true});
}

}  // namespace rvc
