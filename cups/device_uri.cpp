#include "cups/device_uri.h"

#include <cctype>

#include "platform/percent_encoding.h"

namespace rvc::cups {
namespace {

// Letters, digits and "-._~" stay; every other byte becomes %XX.
std::string Encode(std::string_view text) {
  return platform::PercentEncode(text, [](unsigned char c) {
    return !(std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~');
  });
}

std::optional<std::string> Decode(std::string_view text) { return platform::PercentDecode(text); }

}  // namespace

std::string MakeDeviceUri(const DispatcherAddress& address) {
  std::string uri = std::string(kScheme) + ":/" + Encode(address.flavour) + "/" + Encode(address.name);
  if (!address.version.empty()) uri += "?version=" + Encode(address.version);
  return uri;
}

std::optional<DispatcherAddress> ParseDeviceUri(std::string_view uri) {
  const std::string prefix = std::string(kScheme) + ":";
  if (uri.size() < prefix.size() || uri.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::string_view rest = uri.substr(prefix.size());
  // "ravlin:/F/N" as written, and "ravlin://F/N" as some tools spell it.
  while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  DispatcherAddress address;
  if (const size_t query = rest.find('?'); query != std::string_view::npos) {
    const std::string_view parameter = rest.substr(query + 1);
    rest = rest.substr(0, query);
    const std::string_view key = "version=";
    if (parameter.substr(0, key.size()) != key) return std::nullopt;
    auto version = Decode(parameter.substr(key.size()));
    if (!version || version->empty()) return std::nullopt;
    address.version = *version;
  }
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos || rest.find('/', slash + 1) != std::string_view::npos) return std::nullopt;
  auto flavour = Decode(rest.substr(0, slash));
  auto name = Decode(rest.substr(slash + 1));
  if (!flavour || !name || flavour->empty() || name->empty()) return std::nullopt;
  address.flavour = *flavour;
  address.name = *name;
  return address;
}

}  // namespace rvc::cups
