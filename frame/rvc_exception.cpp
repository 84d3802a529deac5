#include "frame/rvc_exception.h"

#include "frame/rvc_trace.h"
#include "frame/string_table.h"

namespace rvc {

std::optional<std::string> FormatMessageText(const std::string& format, const std::string& first,
                                             const std::string& second) {
  std::string out;
  out.reserve(format.size() + first.size() + second.size());
  int used = 0;
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
    } else if (conversion == 's' && used < 2) {
      out.append(used == 0 ? first : second);
      ++used;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

CRvcException::CRvcException(int messageId, std::optional<std::string> first, std::optional<std::string> second)
    : id(messageId) {
  std::optional<std::string> text;
  if (auto format = LoadString(id)) {
    text = FormatMessageText(std::string(*format), first.value_or(""), second.value_or(""));
  }
  message = text ? *text : "Error " + std::to_string(id);
}

ui::Answer CRvcException::Report() const {
  if (id != 122) {
    CRvcTrace trace("");
    trace.Trace(message);
  }
  return ui::Current().ShowMessage(ui::Message{message, "Error", ui::Buttons::Ok, ui::Icon::Exclamation, true});
}

}  // namespace rvc
