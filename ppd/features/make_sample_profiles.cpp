// Writes the ICC profiles of the sample installation's colour management folder, made
// with Little CMS, as hex text ("<file>.icc.hex"): the sample keeps text files only, and
// scripts/lay_out_sample.sh turns them back into the binary profiles.
//
//   rvc_make_sample_profiles FOLDER
//
// Profiles: two CMYK print profiles, a grey print profile whose name holds blanks, and a
// display profile (not a print profile, so PPDs do not list it).
#include <lcms2.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct CmykModel {
  double paperL;   // lightness of the bare paper
  double dotGain;  // extra darkening at 50 % tone
};

double Tone(double value, double dotGain) { return value + dotGain * 4.0 * value * (1.0 - value); }

// CMYK (0..1) to Lab of a simple subtractive press: each ink darkens and shifts hue.
cmsCIELab CmykToLab(const double cmyk[4], const CmykModel& model) {
  const double c = Tone(cmyk[0], model.dotGain), m = Tone(cmyk[1], model.dotGain);
  const double y = Tone(cmyk[2], model.dotGain), k = Tone(cmyk[3], model.dotGain);
  cmsCIELab lab;
  lab.L = model.paperL * (1 - 0.45 * c) * (1 - 0.5 * m) * (1 - 0.1 * y) * (1 - 0.85 * k);
  lab.a = (-35 * c + 70 * m - 5 * y) * (1 - k);
  lab.b = (-45 * c - 5 * m + 85 * y) * (1 - k);
  return lab;
}

int SampleAToB(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  const double cmyk[4] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0, in[3] / 65535.0};
  const cmsCIELab lab = CmykToLab(cmyk, *static_cast<const CmykModel*>(cargo));
  cmsFloat2LabEncoded(out, &lab);
  return 1;
}

// Lab to CMYK: grey component replacement of a light-to-dark ramp, chroma into CMY.
int SampleBToA(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
  cmsCIELab lab;
  cmsLabEncoded2Float(&lab, in);
  const double darkness = 1.0 - lab.L / 100.0;
  const double k = darkness > 0.5 ? (darkness - 0.5) * 2.0 : 0.0;
  auto clamp = [](double v) { return v < 0 ? 0.0 : v > 1 ? 1.0 : v; };
  const double c = clamp(darkness - lab.a / 256.0 - lab.b / 512.0);
  const double m = clamp(darkness + lab.a / 256.0);
  const double y = clamp(darkness + lab.b / 256.0);
  const double cmyk[4] = {c, m, y, k};
  for (int i = 0; i < 4; ++i) out[i] = static_cast<cmsUInt16Number>(std::lround(cmyk[i] * 65535.0));
  return 1;
}

void SetText(cmsHPROFILE profile, cmsTagSignature tag, const char* text) {
  cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(mlu, "en", "US", text);
  cmsWriteTag(profile, tag, mlu);
  cmsMLUfree(mlu);
}

void Describe(cmsHPROFILE profile, const char* description) {
  SetText(profile, cmsSigProfileDescriptionTag, description);
  SetText(profile, cmsSigCopyrightTag, "Sample data of Ravlin Configurator, no copyright");
}

cmsPipeline* Lut(int inputs, int outputs, int gridPoints, cmsSAMPLER16 sampler, void* cargo) {
  cmsPipeline* lut = cmsPipelineAlloc(nullptr, inputs, outputs);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, gridPoints, inputs, outputs, nullptr);
  cmsStageSampleCLut16bit(clut, sampler, cargo, 0);
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, inputs, nullptr));
  cmsPipelineInsertStage(lut, cmsAT_END, clut);
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, outputs, nullptr));
  return lut;
}

cmsHPROFILE CmykPrintProfile(const char* description, CmykModel& model) {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 4.3);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  Describe(profile, description);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  cmsPipeline* aToB = Lut(4, 3, 2, SampleAToB, &model);
  cmsPipeline* bToA = Lut(3, 4, 3, SampleBToA, nullptr);
  cmsWriteTag(profile, cmsSigAToB0Tag, aToB);
  cmsWriteTag(profile, cmsSigBToA0Tag, bToA);
  cmsPipelineFree(aToB);
  cmsPipelineFree(bToA);
  return profile;
}

cmsHPROFILE GreyPrintProfile(const char* description) {
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
  cmsFreeToneCurve(curve);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  Describe(profile, description);
  return profile;
}

cmsHPROFILE DisplayProfile(const char* description) {
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  Describe(profile, description);
  return profile;
}

bool WriteHex(cmsHPROFILE profile, const std::string& folder, const std::string& file, const char* description) {
  cmsMD5computeID(profile);
  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(profile, nullptr, &size)) return false;
  std::vector<unsigned char> bytes(size);
  if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) return false;
  cmsCloseProfile(profile);

  std::ofstream out(folder + "/" + file + ".hex", std::ios::binary);
  out << "# ICC profile \"" << description << "\" (" << size << " bytes), made with Little CMS by\n"
      << "# rvc_make_sample_profiles; scripts/lay_out_sample.sh writes " << file << " from it.\n";
  static const char kDigits[] = "0123456789abcdef";
  for (cmsUInt32Number i = 0; i < size; ++i) {
    out << kDigits[bytes[i] >> 4] << kDigits[bytes[i] & 15];
    if (i % 32 == 31 || i + 1 == size) out << '\n';
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  CmykModel coated{95.0, 0.12}, uncoated{91.0, 0.2};
  bool ok = WriteHex(CmykPrintProfile("ISOcoated_v2", coated), folder, "ISOcoated_v2.icc", "ISOcoated_v2");
  ok = WriteHex(CmykPrintProfile("ISOuncoated", uncoated), folder, "ISOuncoated.icc", "ISOuncoated") && ok;
  ok =
      WriteHex(GreyPrintProfile("Orva Newsprint Grey"), folder, "Orva_Newsprint_Grey.icc", "Orva Newsprint Grey") && ok;
  ok = WriteHex(DisplayProfile("Orva sRGB Display"), folder, "Orva_sRGB_Display.icm", "Orva sRGB Display") && ok;
  if (!ok) std::fprintf(stderr, "%s: could not write the profiles into %s\n", argv[0], folder.c_str());
  return ok ? 0 : 1;
}
