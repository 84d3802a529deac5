// The driver of PPD generation for one dispatcher.
#include "ppd/create_ppd_for_dispatcher.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ppd/create_ppd.h"
#include "ppd/features/folder_listing.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"
#include "ui/user_interface.h"

namespace rvc::ppd {
namespace {

constexpr const char* kTitle = "Ravlin Configurator";

void Trace(std::string_view text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

// A decimal number at the start of `text` (blanks and one opening double quote skipped),
// read the same in every locale; 0 when there is none.
double DecimalOf(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\"");
  if (first == std::string_view::npos) return 0;
  text.remove_prefix(first);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// A preference read as text: non-zero when its integer value is.
bool Flag(const store::ResourceDb& db, std::string_view item, bool fallback) {
  const std::optional<std::string> value = db.FindQuoted("_internal_", item);
  if (!value || value->find_first_not_of(" \t") == std::string::npos) return fallback;
  return std::strtol(value->c_str(), nullptr, 10) != 0;
}

// The words of a list joined by blanks.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
    const size_t end = text.find_first_of(" \t", at);
    words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end;
  }
  return words;
}

// Film names become paper names without blanks and double quotes; inch marks leave
// "Inch" behind them (14" x 20" gives 14x20Inch).
paper_struct FilmPaper(const ripconfig::FilmRecord& film) {
  paper_struct paper;
  bool quoted = false;
  for (char c : film.name) {
    if (c == ' ') continue;
    if (c == '"') {
      quoted = true;
      continue;
    }
    paper.name.push_back(c);
  }
  if (quoted) paper.name += "Inch";
  if (paper.name.size() > kMaxPaperName) paper.name.resize(kMaxPaperName);
  paper.text = film.name;
  paper.width = detail::MilToPoints(film.horizontalSize);
  paper.height = detail::MilToPoints(film.verticalSize);
  return paper;
}

// Removes the files of `folder` matching `pattern` except `kept` (a path, any case):
// what an earlier type or port separator left under another name.
void DeleteOthers(const store::CRvcUtils& utils, const std::string& folder, std::string_view pattern,
                  const std::string& kept) {
  std::error_code error;
  for (const std::string& name : features::detail::MatchingFiles(folder, pattern, error)) {
    const std::string path = platform::JoinPath(folder, name);
    if (!platform::EqualsNoCase(path, kept)) utils.DeleteTree(path, false, /*ignoreErrors=*/true);
  }
}

// Copies the files of the PPD folder, except "ravlin.inf", into `location`. False after
// the failure was reported.
bool CopyPpdFolder(const store::CRvcUtils& utils, const std::string& ppdFolder, const std::string& location) {
  try {
    const std::string target = platform::ResolveNoCase(utils.ExpandPath(location));
    utils.CreateFolderTree(target);
    std::error_code error;
    // The PPD folder itself: its files are where they should be already.
    if (std::filesystem::equivalent(ppdFolder, target, error)) return true;
    store::CopyOptions options;
    options.showProgress = false;
    for (const std::string& name : features::detail::MatchingFiles(ppdFolder, "*", error)) {
      if (platform::EqualsNoCase(name, "ravlin.inf")) continue;
      utils.CopyTree(platform::JoinPath(ppdFolder, name), platform::JoinPath(target, name), options);
    }
    if (error) throw CRvcException(msg::kCopyFailed, ppdFolder, target);
    return true;
  } catch (const CRvcException& e) {
    e.Report();
    return false;
  }
}

}  // namespace

PpdPreferences ReadPpdPreferences(const std::string& catalogueFileName) {
  const std::string folder = platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or("");
  const store::ResourceDb db =
      store::ResourceDb::OpenOrThrow(platform::NativePath(folder) + platform::kSeparator + catalogueFileName);
  PpdPreferences preferences;
  preferences.includeDotJob = Flag(db, "IncludeDotJobInPPD", false);
  preferences.includeDgc = Flag(db, "IncludeDGCInPPD", true);
  preferences.extraPpdLocation = db.FindQuoted("_internal_", "ExtraPPDLocation").value_or("");
  return preferences;
}

ScreenMode ReadScreenMode(const std::string& dispatcherDataFolder) {
  const std::string folder = platform::ResolveNoCase(platform::NativePath(dispatcherDataFolder));
  std::error_code error;
  const std::vector<std::string> fids = features::detail::MatchingFiles(folder, "*.fid", error);
  if (fids.empty()) return ScreenMode::Unknown;
  const std::string path = platform::JoinPath(folder, fids.front());
  const std::optional<store::ResourceDb> fid = store::ResourceDb::Open(path);
  if (!fid) {
    ui::ShowMessage("Could not open the fid file : " + path, kTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    return ScreenMode::Unknown;
  }
  return fid->FindInt("BitsPerSpot", "Value") == 8L ? ScreenMode::EightBitsPerSpot : ScreenMode::Binary;
}

bool CreatePpdForDispatcher(const store::DispatcherRecord& dispatcher, const std::string& programFolder,
                            const std::string& dataFolder, ripconfig::RavlcfgHandle* cfg,
                            const std::string& productVersion, const std::string& catalogueFileName,
                            std::string* extraPpdLocation) {
  if (extraPpdLocation != nullptr) extraPpdLocation->clear();
  const std::string& name = dispatcher.Name;
  store::CRvcUtils utils;

  // Paths. The PPD folder keeps its PPD and INF files until the new ones are complete.
  const std::string flavourData = platform::NativePath(dataFolder);
  const std::string folder = platform::JoinPath(flavourData, platform::NativePath(dispatcher.Folder));
  const std::string dataPath = platform::ResolveNoCase(platform::JoinPath(folder, "data"));
  const std::string ppdFolder = platform::ResolveNoCase(platform::JoinPath(folder, "ppd"));
  const bool proof = platform::EqualsNoCase(dispatcher.Flavour, "proof");
  const bool kdx = platform::EqualsNoCase(dispatcher.Flavour, "kdx");

  // Screen mode.
  const ScreenMode mode = ReadScreenMode(dataPath);
  if (mode == ScreenMode::Unknown) {
    Trace("Ppd file for " + name + " is not created due to 'Unknown' screen mode");
    return false;
  }

  // Template of the device type.
  std::string templatePath = utils.GetResourcePath(
      platform::JoinPath(platform::NativePath(programFolder), "dat/types.dat"), dispatcher.Type, "TemplatePPD");
  if (templatePath.empty()) {
    Trace("Ppd file for " + name +
          " is not created as there is no 'TemplatePPD' file is specified in 'types.dat' file ");
    return false;
  }

  // A kdx flatbed device (no pixel clock, or a drum) takes the template without the
  // pixel clock and perimeter options.
  ripconfig::RecorderRecord recorder;
  if (const ripconfig::RecorderRecord* record = ripconfig::ravlcfg_get_rec(cfg)) recorder = *record;
  if (kdx && (detail::IntegerPart(recorder.pixelClock) == 0 || recorder.perimeter != 0)) {
    constexpr std::string_view kCs = "qb_cs_template.ppd";
    const long at = store::CRvcUtils::FindLastNoCase(templatePath, kCs);
    if (at >= 0) templatePath.replace(static_cast<size_t>(at), kCs.size(), "qb_cf_template.ppd");
  }

  // Read before any file is open, so that a missing preference file leaves no partial PPD.
  const PpdPreferences preferences = ReadPpdPreferences(catalogueFileName);

  // The PPD file, opened on its template, and the names of the device.
  CCreatePpd ppd(productVersion);
  if (ppd.OpenFiles(templatePath, ppdFolder, dispatcher.Type, dispatcher.Flavour, dispatcher.Base, mode) < 0) {
    return false;
  }
  ppd.AddNames();

  // Resolutions: one per proof configuration, by position; else every resolution of
  // every set, once.
  std::vector<double> resolutions;
  std::vector<std::string> proofConfigurations;
  if (proof) {
    const std::string proofConfig =
        platform::ResolveNoCase(platform::JoinPath(flavourData, "RavProofConfig/RAVConfig.cfg"));
    if (const std::optional<store::ResourceDb> db = store::ResourceDb::Open(proofConfig)) {
      for (int i = 0; i < db->TopicCount(); ++i) {
        const std::string topic = db->TopicAt(i).value_or("");
        proofConfigurations.push_back(topic);
        resolutions.push_back(DecimalOf(db->FindQuoted(topic, "Resolution").value_or("")));
      }
    }
  } else {
    for (const ripconfig::ResolutionSet* set : ripconfig::ravlcfg_get_sets(cfg)) {
      for (const auto& entry : set->entries) {
        if (std::find(resolutions.begin(), resolutions.end(), entry->dpi) == resolutions.end()) {
          resolutions.push_back(entry->dpi);
        }
      }
    }
  }

  // Largest paper in points; fractions are cut.
  const int maxWidth = detail::MilToPoints(recorder.maxWidth);
  const int maxHeight = detail::MilToPoints(recorder.maxHeight);

  // Device features.
  ppd.AddDotShapes(preferences.includeDotJob);
  ppd.AddScreenFilters();
  ppd.AddDgcs(preferences.includeDgc);
  ppd.AddTrpFiles();

  // Configurations.
  if (proof) {
    if (!proofConfigurations.empty()) {
      ppd.AddProofConfigurations(proofConfigurations.front(), proofConfigurations, resolutions,
                                 static_cast<int>(proofConfigurations.size()));
    } else {
      ppd.AddConfigurationSets("(none)", {}, 0);
      Trace("No Configuration found in RAVConfig.cfg");
    }
    ppd.AddColorManagement();
  } else {
    ripconfig::ravlcfg_set_lists(cfg);
    ripconfig::BaseRecord base;
    if (const ripconfig::BaseRecord* record = ripconfig::ravlcfg_get_base(cfg)) base = *record;
    ppd.AddConfigurationSets(base.usedConf, Words(base.confNames), base.nrConfs);
    ppd.AddResolutionList(resolutions, 0);
    if (kdx) ppd.AddPixelClockAndPerimeter(detail::IntegerPart(recorder.pixelClock), recorder.perimeter);
    ppd.AddHalftoneInformation(resolutions);
  }

  // Papers.
  std::vector<paper_struct> films;
  for (const ripconfig::FilmRecord* film : ripconfig::ravlcfg_get_films(cfg)) films.push_back(FilmPaper(*film));
  ppd.AddPageSizes(maxWidth, maxHeight, films);
  ppd.AddCustomPageSize(maxWidth, maxHeight);

  // Screening, the closing comments, then the INF and the PPD in their places.
  if (!proof) ppd.AddScreeningInformation(resolutions);
  ppd.AddEndComments();
  // A full disk shows here at the latest; the INF is written only for a complete PPD,
  // and the PPD replaces the old one only after the INF did.
  if (!ppd.Flush()) throw CRvcException(msg::kSystemError, ppd.PpdPath(), ppd.WriteError());
  const bool infWritten = ppd.CreateInf(ppdFolder, programFolder);
  if (ppd.Close() < 0) throw CRvcException(msg::kSystemError, ppd.PpdPath(), ppd.WriteError());
  DeleteOthers(utils, ppdFolder, "*.ppd", ppd.PpdPath());
  if (infWritten) DeleteOthers(utils, ppdFolder, "*.inf", platform::JoinPath(ppdFolder, "ravlin.inf"));
  Trace("Ppd file for " + name + " is created at:" + ppdFolder);

  // The copy for the operator.
  if (!preferences.extraPpdLocation.empty() && CopyPpdFolder(utils, ppdFolder, preferences.extraPpdLocation)) {
    Trace("The created Ppd file for " + name + " is copied to: " + preferences.extraPpdLocation);
    if (extraPpdLocation != nullptr) *extraPpdLocation = preferences.extraPpdLocation;
  }

  // The INF file; a missing INF template does not change our result.
  if (infWritten) {
    Trace("Ravlin.inf file for Dispatcher" + name + " is created at:" + ppdFolder);
  } else {
    Trace("Ravlin.inf file for Dispatcher " + name + " could not be created");
  }
  return true;
}

}  // namespace rvc::ppd
