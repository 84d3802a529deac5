// PpdOptions for the lifecycle operations: the record the PPD reader fills
// (ppd/ppd_options.h), under the lifecycle namespace.
#pragma once

#include "ppd/ppd_options.h"

namespace rvc::lifecycle {

using PpdOptions = ppd::PpdOptions;

}  // namespace rvc::lifecycle
