// The engine: file naming, opening, the placeholder search, names, end comments, closing.
#include "ppd/create_ppd.h"

#include <locale.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <ctime>

#include "core/rvc_trace.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ppd/ppd_keywords.h"
#include "ui/user_interface.h"

namespace rvc::ppd {
namespace {

constexpr const char* kTitle = "Ravlin Configurator";

std::string WithoutLeadingBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

void Trace(std::string_view text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

// The system's text for a failed open, naming the file.
std::string SystemText(int error, const std::string& path) { return std::string(std::strerror(error)) + ": " + path; }

// "%A, %B %d, %Y" of today in English, whatever the process locale.
std::string TodayText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[96];
  size_t length = 0;
  if (locale_t c = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr))) {
    length = ::strftime_l(text, sizeof text, "%A, %B %d, %Y", &local, c);
    ::freelocale(c);
  }
  return std::string(text, length);
}

}  // namespace

CCreatePpd::CCreatePpd(std::string productVersion) : productVersion_(std::move(productVersion)) {}

CCreatePpd::~CCreatePpd() {
  ppd_.Discard();
  template_.Close();
}

std::string CCreatePpd::OptionKey(std::string_view name) {
  std::string key = AsciiKeywordText(name);
  if (key.size() > kMaxKeyword) key = key.substr(key.size() - (kMaxKeyword - 1));
  return key.empty() ? HashKeyword(name) : key;
}

std::string CCreatePpd::PaperName(std::string_view name) {
  std::string paper = AsciiKeywordText(name);
  if (paper.size() > kMaxPaperKeyword) paper = paper.substr(paper.size() - kMaxPaperKeyword);
  for (char& c : paper) {
    if (c == '.') c = '_';
  }
  return paper.empty() ? HashKeyword(name) : paper;
}

bool CCreatePpd::IsOwnKeyword(std::string_view name) {
  std::string plain(name);
  std::replace(plain.begin(), plain.end(), ' ', '_');
  return OptionKey(name) == plain;
}

std::vector<std::string> CCreatePpd::OptionKeys(const std::vector<std::string>& names, size_t count) {
  count = std::min(count, names.size());
  OptionKeywords keys;
  std::vector<std::string> result(count);
  for (size_t i = 0; i < count; ++i) {
    if (IsOwnKeyword(names[i])) result[i] = keys.Keep(OptionKey(names[i]));
  }
  for (size_t i = 0; i < count; ++i) {
    if (!IsOwnKeyword(names[i])) result[i] = keys.Unique(OptionKey(names[i]));
  }
  return result;
}

std::string CCreatePpd::Choice(const std::string& key, std::string_view name) {
  return IsOwnKeyword(name) ? key : key + "/" + Latin1Translation(name);
}

int CCreatePpd::OpenFiles(const std::string& templatePath, const std::string& ppdFolder, const std::string& deviceType,
                          const std::string& flavour, int portSeparator, ScreenMode screenMode) {
  Close();
  writeError_.clear();
  featureKeys_.clear();
  typeName_ = platform::ToUpperAscii(WithoutLeadingBlanks(deviceType));
  flavourName_ = platform::ToUpperAscii(WithoutLeadingBlanks(flavour));
  screenMode_ = screenMode;
  const std::string number = std::to_string(portSeparator);
  const std::string& type = typeName_;

  flavourPrefix_.clear();
  const std::string limit = platform::GetEnv("RVC_PPD_LIMITNAME").value_or("");
  if (limit.empty()) {
    longName_ = "QB";
    shortName_ = "QB";
    if (!flavourName_.empty()) {
      longName_ += flavourName_ + number + "_";
      shortName_ += flavourName_.substr(0, 3) + number;
      flavourPrefix_ = flavourName_;
    }
    if (longName_.size() + type.size() > 27) {
      if (longName_.size() < 27) longName_ += type.substr(0, 27 - longName_.size());
    } else {
      longName_ += type;
    }
    if (shortName_.size() < 8) shortName_ += type.substr(0, 8 - shortName_.size());
  } else {
    longName_ = "QB";
    if (!flavourName_.empty()) {
      flavourPrefix_ = flavourName_.substr(0, 3);
      longName_ += flavourPrefix_ + number;
    }
    if (longName_.size() < 8) longName_ += type.substr(0, 8 - longName_.size());
    // The long name is the file's own name here; *PCFileName names that file, within
    // the eight characters of an 8.3 name should the port number be unusually long.
    shortName_ = longName_.substr(0, 8);
  }

  ppdPath_ = platform::ResolveNoCase(platform::JoinPath(platform::NativePath(ppdFolder), longName_ + ".PPD"));
  templatePath_ = templatePath;

  if (templatePath.empty()) {
    ui::ShowMessage("No Template Ppd file is specified.", kTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    Trace("No Template Ppd file is specified.");
    return -1;
  }
  int error = 0;
  const std::string templateFile = platform::ResolveNoCase(platform::NativePath(templatePath));
  if (!template_.Open(templateFile, error)) {
    ui::ShowMessage(SystemText(error, templateFile), kTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    Trace("Template Ppd file could not be opend.");
    return -1;
  }
  if (!ppd_.Create(ppdPath_, error)) {
    template_.Close();
    ui::ShowMessage(SystemText(error, ppdPath_), kTitle, ui::Buttons::Ok, ui::Icon::Exclamation);
    Trace("New Ppd file could not be opend.");
    return -1;
  }
  // Generated lines follow the template's line break.
  std::string_view first;
  template_.Next(first);
  eol_ = template_.CrLf() ? "\r\n" : "\n";
  template_.Seek(0);
  return 1;
}

int CCreatePpd::Close() {
  template_.Close();
  if (!ppd_.IsOpen()) return 1;
  if (!ppd_.Close()) {
    writeError_ = ppd_.ErrorText();
    Trace("New Ppd file could not be written: " + ppdPath_ + ": " + writeError_);
    return -1;
  }
  return 1;
}

bool CCreatePpd::Flush() {
  if (ppd_.Flush()) return true;
  writeError_ = ppd_.ErrorText();
  return false;
}

CCreatePpd::Position CCreatePpd::Mark() const { return {template_.Tell(), ppd_.Tell()}; }

void CCreatePpd::Restore(const Position& position) {
  if (!template_.IsOpen() || !ppd_.IsOpen()) return;
  template_.Seek(position.templateOffset);
  ppd_.Truncate(position.ppdOffset);
}

void CCreatePpd::CopyLine(std::string_view line) {
  ppd_.Append(line);
  ppd_.Append("\n");  // after a CR of the template's own, this completes its CR LF
}

bool CCreatePpd::CopyUntil(std::string_view placeholder) {
  if (!template_.IsOpen()) return false;
  std::string_view line;
  while (template_.Next(line)) {
    if (line.find(placeholder) != std::string_view::npos) {
      placeholderLine_.assign(line);
      return true;
    }
    CopyLine(line);
  }
  return false;
}

int CCreatePpd::CopyUntilPlaceholder(std::string_view placeholder, std::string_view missingTrace) {
  const Position start = Mark();
  if (CopyUntil(placeholder)) return 1;
  Restore(start);
  Trace(missingTrace);
  return -1;
}

void CCreatePpd::WriteLine(std::string_view text) {
  ppd_.Append(text);
  ppd_.Append(eol_);
}

void CCreatePpd::WriteFormat(std::string_view format, std::initializer_list<detail::FormatArg> args) {
  line_.clear();
  detail::AppendFormat(line_, format, args);
  line_ += eol_;
  ppd_.Append(line_);
}

void CCreatePpd::WriteEntryEnd(std::string_view name) {
  WriteFormat("(%s) >> >> >> setpagedevice } stopped cleartomark\"", {name});
  WriteLine("*End");
}

void CCreatePpd::WriteFeatureEntry(std::string_view entry, std::string_view name) {
  // The option is the main keyword the entry starts with: "*QBScreenFilter %s: ...".
  const std::string option(entry.substr(0, entry.find(' ')));
  OptionKeywords& keys = featureKeys_[option];
  const std::string key = IsOwnKeyword(name) ? keys.Keep(OptionKey(name)) : keys.Unique(OptionKey(name));
  WriteFormat(entry, {Choice(key, name)});
  WriteEntryEnd(name);
}

int CCreatePpd::AddNames() {
  if (CopyUntilPlaceholder("<Add Names>",
                           "Names are not added to PPD, as it can't find the place holder "
                           "'<Add Names>' in the template.") < 0) {
    return -1;
  }
  const std::string& p = flavourName_;
  const std::string& t = typeName_;
  WriteFormat("*PCFileName: \"%s.PPD\"", {shortName_});
  WriteLine("*LanguageEncoding: ISOLatin1");
  WriteLine("*LanguageVersion: English");
  WriteLine("*Manufacturer: \"ORVA\"");
  WriteFormat("*ModelName: \"ORVA-%s-%s\"", {p, t});
  // At most 31 characters: the type gives way, then the flavour.
  std::string shortNick = "ORVA-" + p + "-" + t.substr(0, std::min<size_t>(t.size(), 25));
  if (shortNick.size() > kMaxShortNickName) {
    shortNick.resize(kMaxShortNickName);
    while (shortNick.back() == ' ') shortNick.pop_back();
  }
  WriteFormat("*ShortNickName: \"%s\"", {shortNick});
  WriteFormat("*NickName: \"ORVA-%s-%s\"", {p, t});
  return 1;
}

int CCreatePpd::AddEndComments() {
  if (CopyUntil("<Add End Comments>")) {
    WriteLine("*%");
    WriteFormat("*%% End of Orva %s PPD file", {longName_});
    WriteFormat("*%% Last update : %s", {TodayText()});
    WriteFormat("*%% Created by:RavlinConfigurator %s", {productVersion_});
    WriteLine("*%");
  }
  return 1;
}

}  // namespace rvc::ppd
