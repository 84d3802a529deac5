// JSON text of ravlinctl's listings and reports.
#pragma once

#include <string>

namespace rvc::ctl {

// `text` as a JSON string: quotes, backslashes and control characters escaped, valid UTF-8
// kept as it is, and every other byte as \u00XX (its Latin-1 reading, so that no byte is
// lost).
std::string JsonString(const std::string& text);

}  // namespace rvc::ctl
