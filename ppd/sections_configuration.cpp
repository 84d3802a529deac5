// Sections of the RIP configurations, proof configurations, resolutions, pixel clock and
// perimeter.
#include "platform/path.h"
#include "ppd/create_ppd.h"

namespace rvc::ppd {

using detail::IntegerPart;

namespace {

// The keyword of the default: that of the listed name equal to it (exactly, else
// ignoring case), else that of the first, so that the default always names a choice.
std::string DefaultKey(const std::vector<std::string>& keys, const std::vector<std::string>& names,
                       const std::string& defaultName) {
  for (bool exact : {true, false}) {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (exact ? names[i] == defaultName : platform::EqualsNoCase(names[i], defaultName)) return keys[i];
    }
  }
  return keys.empty() ? CCreatePpd::OptionKey(defaultName) : keys.front();
}

}  // namespace

int CCreatePpd::AddConfigurationSets(const std::string& defaultName, const std::vector<std::string>& names, int count) {
  if (CopyUntilPlaceholder("<Add Configuration Sets>",
                           "Configurations are not added to PPD, as it can't find the place holder "
                           "'<Add Configuration Sets>' in the template.") < 0) {
    return -1;
  }
  constexpr const char* kEntry = "*QBConfiguration %s: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /conf";
  if (count <= 0) {
    WriteFormat("*DefaultQBConfiguration: %s", {"Unknown"});
    WriteFormat(kEntry, {"Unknown"});
    WriteEntryEnd("Unknown");
    return 1;
  }
  const std::vector<std::string> keys = OptionKeys(names, static_cast<size_t>(count));
  WriteFormat("*DefaultQBConfiguration: %s", {DefaultKey(keys, names, defaultName)});
  for (size_t i = 0; i < keys.size(); ++i) {
    WriteFormat(kEntry, {Choice(keys[i], names[i])});
    WriteEntryEnd(names[i]);
  }
  return 1;
}

int CCreatePpd::AddProofConfigurations(const std::string& defaultName, const std::vector<std::string>& names,
                                       const std::vector<double>& resolutions, int count) {
  if (CopyUntilPlaceholder("<Add Configuration Sets>",
                           "Configurations are not added to PPD, as it can't find the place holder "
                           "'<Add Configuration Sets>' in the template.") < 0) {
    return -1;
  }
  constexpr const char* kResolution = "(%s) >> >> /HWResolution [%.15g %.15g] >> setpagedevice } stopped cleartomark\"";
  if (count <= 0) {
    WriteFormat("*DefaultQBConfiguration: %s", {"Unknown"});
    WriteFormat("*QBConfiguration %s/%s : \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /proof_config",
                {"Unknown", "Unknown"});
    WriteFormat(kResolution, {"Unknown", 0.0, 0.0});
    WriteLine("*End");
    return 1;
  }
  const std::vector<std::string> keys = OptionKeys(names, static_cast<size_t>(count));
  WriteFormat("*DefaultQBConfiguration: %s", {DefaultKey(keys, names, defaultName)});
  for (size_t i = 0; i < keys.size(); ++i) {
    const double resolution = i < resolutions.size() ? resolutions[i] : 0.0;
    const std::string& key = keys[i];
    const std::string text = IsOwnKeyword(names[i]) ? key : Latin1Translation(names[i]);
    WriteFormat("*QBConfiguration %s/%s (%d): \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /proof_config",
                {key, text, IntegerPart(resolution)});
    WriteFormat(kResolution, {names[i], resolution, resolution});
    WriteLine("*End");
  }
  return 1;
}

int CCreatePpd::AddResolutionList(const std::vector<double>& resolutions, int defaultIndex) {
  if (CopyUntilPlaceholder("<Add Resolution List>",
                           "Resolution list is not added to PPD, as it can't find the place holder "
                           "'<Add Resolution List>' in the template.") < 0) {
    return -1;
  }
  // Without resolutions the option keeps no choice; its default must still be there, and
  // "Unknown" leaves the resolution to the configuration chosen.
  if (resolutions.empty()) {
    WriteLine("*DefaultResolution: Unknown");
    return 1;
  }
  size_t d = defaultIndex >= 0 && static_cast<size_t>(defaultIndex) < resolutions.size()
                 ? static_cast<size_t>(defaultIndex)
                 : 0;
  if (IntegerPart(resolutions[d]) == 0) d = 0;
  WriteFormat("*DefaultResolution: %ddpi", {IntegerPart(resolutions[d])});
  for (double r : resolutions) {
    WriteFormat("*Resolution %ddpi: \"1 dict dup /HWResolution [%.15g %.15g] put setpagedevice\"",
                {IntegerPart(r), r, r});
  }
  return 1;
}

int CCreatePpd::AddPixelClockAndPerimeter(int pixelClock, double perimeterMil) {
  if (CopyUntilPlaceholder("<Add PixelClock>",
                           "Pixel Clock is not added to PPD, as it can't find the place holder "
                           "'<Add PixelClock>' in the template.") < 0) {
    return -1;
  }
  WriteFormat("*DefaultQBPixelClock: %d", {pixelClock});
  WriteFormat(
      "*QBPixelClock %d: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /pixelclock %d >> >> >> "
      "setpagedevice } stopped cleartomark\"",
      {pixelClock, pixelClock});
  WriteLine("*End");

  if (CopyUntilPlaceholder("<Add Perimeter>",
                           "Perimeter is not added to PPD, as it can't find the place holder "
                           "'<Add Perimeter>' in the template.") < 0) {
    return -1;
  }
  const double millimetres = perimeterMil * 25.4 / 1000;
  WriteFormat("*DefaultQBPerimeter: %.6g", {millimetres});
  WriteFormat(
      "*QBPerimeter %d/%.6g: \"[ { << /DeviceRenderingInfo << /Type 0 /Tamrix << /perimeter %.6g >> >> >> "
      "setpagedevice } stopped cleartomark\"",
      {IntegerPart(millimetres), millimetres, millimetres});
  WriteLine("*End");
  return 1;
}

}  // namespace rvc::ppd
