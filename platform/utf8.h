// UTF-8 validity, for output that must be valid UTF-8 whatever bytes the installation's
// files hold (JSON, messages).
#pragma once

#include <cstddef>
#include <string_view>

namespace rvc::platform {

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at `at`, or 0 when
// the byte there starts none: a stray continuation byte, a cut sequence, an overlong
// form, a surrogate or a code point above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace rvc::platform
