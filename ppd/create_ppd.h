// CCreatePpd: turns a PPD template into a dispatcher's PPD.
//
// The template is an ordinary PPD in which whole lines carry placeholders such as
// "<Add Names>". The engine copies it line by line into the new PPD and, at each
// placeholder line, writes generated lines instead. Each section writer (Add...) handles
// one placeholder or a small group; the driver calls them in a fixed order and every one
// searches on from where the previous one stopped, so the placeholders must stand in the
// template in that order. A section whose placeholder is missing returns -1, leaves both
// files as they were and writes one trace line; the next section simply searches on.
//
// Both files are streamed: memory use does not depend on the size of the template or of
// the PPD. See docs/ppd-generation.md.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ppd/line_files.h"
#include "ppd/ppd_format.h"
#include "ppd/ppd_keywords.h"
#include "ppd/ppd_types.h"

namespace rvc::ppd {

class CCreatePpd {
 public:
  // `productVersion` is written into the end comments ("Created by:RavlinConfigurator").
  explicit CCreatePpd(std::string productVersion = "10.1");
  ~CCreatePpd();  // closes the template and drops a PPD not yet closed: the old one stays
  CCreatePpd(const CCreatePpd&) = delete;
  CCreatePpd& operator=(const CCreatePpd&) = delete;

  // Derives the PPD names (LongName, ShortName) and opens the template and the new PPD
  // "<ppdFolder>/<LongName>.PPD", which is written into a temporary file beside it
  // (platform::AtomicFile) and takes its place at Close(). 1, or -1 after a message box and a trace line, with no
  // file open. With "RVC_PPD_LIMITNAME" set the long name keeps to eight characters.
  int OpenFiles(const std::string& templatePath, const std::string& ppdFolder, const std::string& deviceType,
                const std::string& flavour, int portSeparator, ScreenMode screenMode);

  // Section writers, in the order a template lists their placeholders. 1: done; -1:
  // placeholder missing (traced), nothing written.
  int AddNames();  // <Add Names>
  // Device feature lists, from the installation's components (docs/feature-components.md).
  // An unavailable component leaves its entries out (traced, or shown where it matters);
  // the PPD stays valid.
  int AddDotShapes(bool includeJobDotShape);  // <Add Dotshapes>; "*%" alone for eight bits per spot
  int AddScreenFilters();                     // <Add ScreenFilter>
  int AddDgcs(bool includeCurves);            // <Add SimpleDGC>, then <Add AutomaticDGC>
  // A line holding "<Add TRP": the "*.ini" files of KW_DATA_TRP; "<Add TRP With Section>"
  // also writes the group around them.
  int AddTrpFiles();
  int AddColorManagement();  // <Add ColorStrategies>, <Add SrcProfiles>, <Add DstProfiles>
  int AddConfigurationSets(const std::string& defaultName, const std::vector<std::string>& names,
                           int count);  // <Add Configuration Sets>
  // Proof configurations: resolutions[i] belongs to names[i] (0 where missing).
  int AddProofConfigurations(const std::string& defaultName, const std::vector<std::string>& names,
                             const std::vector<double>& resolutions, int count);    // <Add Configuration Sets>
  int AddResolutionList(const std::vector<double>& resolutions, int defaultIndex);  // <Add Resolution List>
  int AddPixelClockAndPerimeter(int pixelClock, double perimeterMil);               // <Add PixelClock>, <Add Perimeter>
  int AddHalftoneInformation(const std::vector<double>& resolutions);               // <Add Halftone Information>
  // The papers of PpdInfo.dat, then `filmPapers`; only those within the maximum size are
  // listed. Handles the page size, region, imageable area and paper dimension
  // placeholders in one pass up to "<Add PaperDimension>". Raises CRvcException 109 when
  // PpdInfo.dat cannot be read.
  int AddPageSizes(int maxWidth, int maxHeight, const std::vector<paper_struct>& filmPapers);
  int AddCustomPageSize(int maxWidth, int maxHeight);                   // <Add CustomPageSize>
  int AddScreeningInformation(const std::vector<double>& resolutions);  // <Add Screening information>
  // Copies up to "<Add End Comments>" (the whole rest when it is missing, untraced) and
  // writes the closing comments there; the template's remaining lines are not copied.
  int AddEndComments();
  // Completes the PPD, replaces the old one with it and closes the template. 1; -1 when
  // the PPD could not be written completely (traced, WriteError() says why); the old PPD
  // is untouched then.
  int Close();
  // Writes out what the PPD holds so far: false when any write failed (a full disk), the
  // reason in WriteError().
  bool Flush();
  const std::string& WriteError() const { return writeError_; }

  // Writes "ravlin.inf" into `ppdFolder` from the installation's INF template, naming
  // this object's PPD (call after OpenFiles), replacing the old one atomically.
  // `programFolder` is the flavour's program folder. False after a message box when the
  // template cannot be read; CRvcException 111 (path and reason) when the INF cannot be
  // written, the old INF then being untouched.
  bool CreateInf(const std::string& ppdFolder, const std::string& programFolder);

  const std::string& PpdPath() const { return ppdPath_; }
  const std::string& LongName() const { return longName_; }
  const std::string& ShortName() const { return shortName_; }
  // The upper-cased device type and flavour names, leading blanks removed.
  const std::string& TypeName() const { return typeName_; }
  const std::string& FlavourName() const { return flavourName_; }
  const std::string& FlavourPrefix() const { return flavourPrefix_; }
  // The papers of the last AddPageSizes, before the size filter.
  const std::vector<paper_struct>& Papers() const { return papers_; }

  // The keyword of a list entry: the name in ASCII (AsciiKeywordText: accents dropped,
  // blanks and other bytes a keyword cannot hold as "_"), cut to its last 39 characters
  // when longer than 40; a hash keyword when nothing is left.
  static std::string OptionKey(std::string_view name);
  // The name of a paper: the name in ASCII as above, cut to its last 28 characters, full
  // stops as "_".
  static std::string PaperName(std::string_view name);
  // Whether `name` is its own keyword (blanks aside): ASCII a keyword can hold, at most
  // 40 characters. Other names get a derived keyword and a translation string.
  static bool IsOwnKeyword(std::string_view name);
  // The keywords of the first `count` names of one option: names that are their own
  // keyword keep it (as they always have, even twice); derived keywords are made unique
  // in the option.
  static std::vector<std::string> OptionKeys(const std::vector<std::string>& names, size_t count);
  // The choice part of an entry line: `key`, with "/" and the ISOLatin1 translation of
  // `name` when the keyword is derived.
  static std::string Choice(const std::string& key, std::string_view name);

  static constexpr size_t kMaxPaperKeyword = 28;  // leaves room for ".Transverse"
  static constexpr size_t kMaxShortNickName = 31;

 private:
  struct Position {
    uint64_t templateOffset = 0;
    uint64_t ppdOffset = 0;
  };

  // Copies template lines to the PPD up to the first line containing `placeholder`
  // (case-sensitive) and drops that line. When the template ends first, both files go
  // back to where they were, `missingTrace` is traced and the result is -1.
  int CopyUntilPlaceholder(std::string_view placeholder, std::string_view missingTrace);
  // As above without going back: true when found, else the whole rest is copied. The
  // line found is kept in placeholderLine_.
  bool CopyUntil(std::string_view placeholder);
  Position Mark() const;
  void Restore(const Position& position);
  void CopyLine(std::string_view line);

  // Output helpers; every line gets the PPD's line break.
  void WriteLine(std::string_view text);
  void WriteFormat(std::string_view format, std::initializer_list<detail::FormatArg> args);
  // The shared entry lines: E1 with `name`, then E2.
  void WriteEntryEnd(std::string_view name);

  void LoadPaperSizes(const std::vector<paper_struct>& filmPapers);
  void WriteScreeningBinary(const std::vector<double>& resolutions);
  void WriteScreeningEightBit(const std::vector<double>& resolutions);
  // One entry of a feature list: `entry` filled with the OptionKey of `name`, then the
  // shared lines E1 (with `name`) and E2.
  void WriteFeatureEntry(std::string_view entry, std::string_view name);

  std::string templatePath_;
  std::string ppdPath_;
  std::string writeError_;
  std::string flavourPrefix_;
  std::string flavourName_;
  detail::LineReader template_;
  detail::LineWriter ppd_;
  std::vector<paper_struct> papers_;
  std::map<std::string, OptionKeywords> featureKeys_;  // the keywords of each feature option so far
  ScreenMode screenMode_ = ScreenMode::Unknown;
  std::string shortName_;
  std::string typeName_;
  std::string longName_;

  std::string productVersion_;
  std::string eol_ = "\n";       // the template's line break: CR LF when its first line has one
  std::string line_;             // reused for every generated line
  std::string placeholderLine_;  // the template line of the last placeholder found
};

}  // namespace rvc::ppd
