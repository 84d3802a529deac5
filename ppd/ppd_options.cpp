#include "ppd/ppd_options.h"

#include <charconv>

#include "ppd/ppdparser.h"
#include "ui/user_interface.h"

namespace rvc::ppd {
namespace {

constexpr size_t kMaxText = 255;

std::string Cut(const std::string& text) { return text.size() > kMaxText ? text.substr(0, kMaxText) : text; }

// Points as an integer, cut toward zero; nonsense gives 0.
int Points(double value) { return value >= 1 && value < 2147483647.0 ? static_cast<int>(value) : 0; }

double DecimalValue(const std::string& text) {
  double value = 0;
  const char* begin = text.data();
  while (begin != text.data() + text.size() && (*begin == ' ' || *begin == '\t')) ++begin;
  auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  return error == std::errc() ? value : 0;
}

}  // namespace

std::optional<PpdOptions> ReadPpdOptions(const std::string& path) {
  PPDOptParser* parser = PPDInitOpt();
  const PPDOptResult* parsed = PPDParseOpt(parser, path, "");
  if (parsed == nullptr) {
    ui::ShowMessage("Error while parsing the options from: " + path + "\nCheck whether selected PPD is a valid one",
                    "Ravlin Configurator", ui::Buttons::Ok, ui::Icon::Exclamation);
    PPDFreeOpt(parser);
    return std::nullopt;
  }
  PpdOptions options;
  options.FileName = Cut(parsed->FileName);
  options.ModelName = Cut(parsed->ModelName);
  options.MaxMediaWidth = Points(parsed->MaxMediaWidth);
  options.MaxMediaHeight = Points(parsed->MaxMediaHeight);
  for (const std::string& keyword : parsed->Resolutions) {
    const double value = DecimalValue(keyword);
    if (value > 0) options.Resolutions.push_back(value);
  }
  PPDFreeOpt(parser);
  return options;
}

}  // namespace rvc::ppd
