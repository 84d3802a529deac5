// The screen filter library: the filters the RIP can apply to screened output.
//
// Data: "screenfilters.dat" in the folder named by KW_DATA_SCREENS, a resource database
// with one topic per filter (its parameters are the RIP's), in the order they are
// offered. See docs/feature-components.md.
#pragma once

namespace rvc::features {

// The filter names as a null-terminated array; nullptr when the screening folder or its
// "screenfilters.dat" cannot be read. The caller releases each name and then the array
// with free().
char** dshlib_GetFilterNames();

}  // namespace rvc::features
