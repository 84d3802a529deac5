// Device feature lists of the screening: dot shapes and screen filters.
#include <cstdlib>
#include <vector>

#include "ppd/create_ppd.h"
#include "ppd/features/dshlib.h"
#include "ppd/features/screeninfo.h"

namespace rvc::ppd {

int CCreatePpd::AddDotShapes(bool includeJobDotShape) {
  if (CopyUntilPlaceholder("<Add Dotshapes>",
                           "Dotshapes are not added to PPD, as it can't find the place holder "
                           "'<Add Dotshapes>' in the template.") < 0) {
    return -1;
  }
  // Unscreened output has no dots to choose.
  if (screenMode_ == ScreenMode::EightBitsPerSpot) {
    WriteLine("*%");
    return 1;
  }
  constexpr int kCapacity = 100;
  std::vector<features::ScrinfoDot> dots(kCapacity);
  int count = 0;
  // The library expands the folder itself.
  features::ScrinfoHandle* screens = features::scrinfo_open("%KW_DATA_SCREENS%");
  features::scrinfo_list_dots(screens, dots.data(), kCapacity, &count);

  if (count > 0) WriteFormat("*DefaultQBDotShape: %s", {OptionKey(dots[0].name)});
  if (includeJobDotShape) {
    WriteLine("*QBDotShape job/Dotshape from job (job): \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /dot");
    WriteLine("(job) >> >> >> setpagedevice } stopped cleartomark\"");
    WriteLine("*End");
  }
  for (int i = 0; i < count; ++i) {
    const std::string_view name = dots[i].name;
    const std::string text = std::string(dots[i].display) + " (" + std::string(name) + ")";
    WriteFormat("*QBDotShape %s/%s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /dot",
                {OptionKey(name), Latin1Translation(text, 200)});
    WriteEntryEnd(name);
  }
  features::scrinfo_close(screens);
  return 1;
}

int CCreatePpd::AddScreenFilters() {
  if (CopyUntilPlaceholder("<Add ScreenFilter>",
                           "Screen filter lists are not added to PPD, as it can't find the place holder "
                           "'<Add ScreenFilter>' in the template.") < 0) {
    return -1;
  }
  char** names = features::dshlib_GetFilterNames();
  if (names == nullptr) return 1;
  for (char** name = names; *name != nullptr; ++name) {
    WriteFeatureEntry("*QBScreenFilter %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /screenfilter", *name);
    std::free(*name);
  }
  std::free(names);
  return 1;
}

}  // namespace rvc::ppd
