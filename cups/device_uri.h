// The device URI of a print queue that feeds a dispatcher: "ravlin:/FLAVOUR/NAME", with
// the flavour key and the dispatcher name percent-encoded, and "?version=X" when the
// installation's catalogue of product version X ("rvc_X.dat") is meant rather than
// "rvc.dat". CUPS hands it to the backend as argv[0] and in DEVICE_URI.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rvc::cups {

inline constexpr std::string_view kScheme = "ravlin";

struct DispatcherAddress {
  std::string flavour;  // catalogue key
  std::string name;     // dispatcher name
  std::string version;  // product version; "" for the default catalogue
};

std::string MakeDeviceUri(const DispatcherAddress& address);

// The address in `uri`; nothing when it is not a "ravlin:" URI of that form.
std::optional<DispatcherAddress> ParseDeviceUri(std::string_view uri);

}  // namespace rvc::cups
