// Sections of the halftone screening: default frequency and angle per resolution, and
// the colour separation entries of every screen ruling and resolution.
//
// Binary screening writes 31 rulings x 2 styles x 14 lines per resolution, so the
// separation lines are composed from pieces shared by a whole block rather than
// formatted one by one.
#include <array>

#include "ppd/create_ppd.h"

namespace rvc::ppd {
namespace {

using detail::AppendInt;
using detail::AppendReal;
using detail::IntegerPart;

struct Colour {
  const char* name;
  const char* offset;
  const char* flexo;
};

// In the order of the offset and flexo blocks.
constexpr std::array<Colour, 5> kColours = {{
    {"ProcessCyan", "15.0", "7.5"},
    {"ProcessMagenta", "75.0", "37.5"},
    {"ProcessYellow", "0.0", "82.5"},
    {"ProcessBlack", "45.0", "67.5"},
    {"CustomColor", "45.0", "67.5"},
}};
// The order of the unscreened blocks.
constexpr std::array<const char*, 5> kUnscreenedColours = {"ProcessBlack", "ProcessCyan", "ProcessMagenta",
                                                           "ProcessYellow", "CustomColor"};

// The nominal frequency of unscreened output at resolution r.
int UnscreenedFrequency(double r) { return IntegerPart(r * 213.333 / 4000 + 0.5); }

// The reference resolution of eight-bit output: the first of at least 300 dpi, else the first.
double ReferenceResolution(const std::vector<double>& resolutions) {
  for (double r : resolutions) {
    if (r >= 300) return r;
  }
  return resolutions.front();
}

// ".<n>lpi.<d>dpi.<style>/<n> lpi / <style><d>: \"", the part of a separation line
// between the colour and the value.
void AppendOptionTail(std::string& out, int n, int d, std::string_view style) {
  out += '.';
  AppendInt(out, n);
  out += "lpi.";
  AppendInt(out, d);
  out += "dpi.";
  out += style;
  out += '/';
  AppendInt(out, n);
  out += " lpi / ";
  out += style;
  AppendInt(out, d);
  out += ": \"";
}

}  // namespace

int CCreatePpd::AddHalftoneInformation(const std::vector<double>& resolutions) {
  if (CopyUntilPlaceholder("<Add Halftone Information>",
                           "Halftone information is not added to PPD, as it can't find the place holder "
                           "'<Add Halftone Information>' in the template.") < 0) {
    return -1;
  }
  if (resolutions.empty()) return 1;  // no reference resolution: the section stays empty
  const bool eightBit = screenMode_ == ScreenMode::EightBitsPerSpot;
  const double frequency = eightBit ? UnscreenedFrequency(ReferenceResolution(resolutions)) : 150.0;
  WriteFormat("*ScreenFreq: \"%.15g\"", {frequency});
  WriteFormat("*ScreenAngle: \"%.15g\"", {75.0});
  WriteLine("*%");
  for (double r : resolutions) {
    const double f = eightBit ? UnscreenedFrequency(r) : 150.0;
    WriteFormat("*ResScreenFreq %ddpi: \"%.15g\"", {IntegerPart(r), f});
    WriteFormat("*ResScreenAngle %ddpi: \"%.15g\"", {IntegerPart(r), 75.0});
  }
  return 1;
}

int CCreatePpd::AddScreeningInformation(const std::vector<double>& resolutions) {
  if (CopyUntilPlaceholder("<Add Screening information>",
                           "Screening information is not added to PPD, as it can't find the place holder "
                           "'<Add Screening information>' in the template.") < 0) {
    return -1;
  }
  if (resolutions.empty()) return 1;  // no default separation: the section stays empty
  if (screenMode_ == ScreenMode::EightBitsPerSpot) {
    WriteScreeningEightBit(resolutions);
  } else {
    WriteScreeningBinary(resolutions);
  }
  return 1;
}

void CCreatePpd::WriteScreeningBinary(const std::vector<double>& resolutions) {
  const int first = IntegerPart(resolutions.front());
  WriteFormat("*DefaultColorSep: ProcessBlack.%dlpi.%ddpi.offset/%d lpi / offset%d", {150, first, 150, first});

  std::string tail;
  for (const bool flexo : {false, true}) {
    const std::string_view style = flexo ? "flexo" : "offset";
    for (int ruling = 50; ruling <= 200; ruling += 5) {
      for (double r : resolutions) {
        std::string& block = line_;
        block.clear();
        block += "*%";
        block += eol_;
        detail::AppendFormat(
            block,
            flexo ? "*%% ================== Settings for %.15g ppi, %.15g lpi, flexo =================="
                  : "*%% ================== Settings for %.15g ppi, %.15g lpi, offset ==================",
            {r, static_cast<double>(ruling)});
        block += eol_;
        block += "*%";
        block += eol_;
        tail.clear();
        AppendOptionTail(tail, ruling, IntegerPart(r), style);
        for (const Colour& colour : kColours) {
          block += "*ColorSepScreenAngle ";
          block += colour.name;
          block += tail;
          block += flexo ? colour.flexo : colour.offset;
          block += '"';
          block += eol_;
        }
        block += "*%";
        block += eol_;
        for (const Colour& colour : kColours) {
          block += "*ColorSepScreenFreq ";
          block += colour.name;
          block += tail;
          AppendReal(block, ruling, 15);
          block += '"';
          block += eol_;
        }
        ppd_.Append(block);
      }
    }
  }
}

void CCreatePpd::WriteScreeningEightBit(const std::vector<double>& resolutions) {
  const double reference = ReferenceResolution(resolutions);
  const int f = UnscreenedFrequency(reference);
  const int d = IntegerPart(reference);
  WriteFormat("*DefaultColorSep: ProcessBlack.%dlpi.%ddpi.Unscreened/%d lpi / Unscreened%d", {f, d, f, d});

  std::string tail;
  for (double r : resolutions) {
    const int n = UnscreenedFrequency(r);
    WriteLine("*%");
    WriteFormat("*%% Settings for %.15gppi, %.15g lpi / Unscreened ===============================================",
                {r, static_cast<double>(n)});
    WriteLine("*%");
    tail.clear();
    AppendOptionTail(tail, n, IntegerPart(r), "Unscreened");
    for (const char* colour : kUnscreenedColours) {
      line_.assign("*ColorSepScreenAngle ").append(colour).append(tail).append("0.0\"").append(eol_);
      ppd_.Append(line_);
    }
    WriteLine("*%");
    for (const char* colour : kUnscreenedColours) {
      line_.assign("*ColorSepScreenFreq ").append(colour).append(tail);
      AppendReal(line_, n, 15);
      line_.append("\"").append(eol_);
      ppd_.Append(line_);
    }
  }
}

}  // namespace rvc::ppd
