// Sections of the paper sizes: page sizes, page regions, imageable areas, paper
// dimensions and the custom page size.
#include <cstdlib>

#include "core/rvc_trace.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/text.h"
#include "ppd/create_ppd.h"
#include "store/resource_db.h"

namespace rvc::ppd {
namespace {

// The integer a C atoi reads at the start of `text` (0 when there is none).
int LeadingInteger(std::string_view text) {
  const std::string copy(text);
  const long value = std::strtol(copy.c_str(), nullptr, 10);
  if (value > 2147483647L) return 2147483647;
  if (value < -2147483647L) return -2147483647;
  return static_cast<int>(value);
}

// The choice of a paper: its keyword, with its translation string when it has one.
std::string Translated(const paper_struct& paper) {
  return paper.text.empty() ? paper.name : paper.name + "/" + paper.text;
}

}  // namespace

void CCreatePpd::LoadPaperSizes(const std::vector<paper_struct>& filmPapers) {
  papers_.clear();
  std::string folder = platform::GetEnv("KW_PROG_RAVLINCONFIG").value_or("");
  folder = platform::ExpandEnvironmentReferences(folder).value_or(folder);
  const std::string path = platform::JoinPath(platform::NativePath(folder), "dat/templates/PpdInfo.dat");
  const store::ResourceDb info = store::ResourceDb::OpenOrThrow(path);

  const int count = info.ItemCount("Paper");
  for (int i = 0; i < count; ++i) {
    const std::optional<std::string> item = info.ItemAt("Paper", i);
    if (!item) continue;
    std::string value = info.Find("Paper", *item).value_or("");
    if (value.size() > kMaxPaperName) value.resize(kMaxPaperName);
    const std::string_view size = platform::Trim(value);
    // Width, a capital X, height. Without an X the width reads as 0 and the height as
    // the number the whole value starts with.
    const size_t x = size.size() > 1 ? size.find('X', 1) : std::string_view::npos;
    paper_struct paper;
    paper.name = PaperName(std::string_view(*item).substr(0, kMaxPaperName));
    if (x == std::string_view::npos) {
      paper.width = 0;
      paper.height = LeadingInteger(size);
    } else {
      paper.width = LeadingInteger(size.substr(0, x));
      paper.height = LeadingInteger(size.substr(x + 1));
    }
    papers_.push_back(std::move(paper));
  }
  // Papers named in ASCII keep their keyword, even when it repeats one; films with other
  // letters get a derived one, unique among the papers, and their name as translation.
  OptionKeywords keys(kMaxPaperKeyword);
  for (const paper_struct& paper : papers_) keys.Keep(paper.name);
  auto nameOf = [](const paper_struct& film) { return std::string_view(film.name).substr(0, kMaxPaperName); };
  std::vector<std::string> filmKeys(filmPapers.size());
  for (bool derived : {false, true}) {
    for (size_t i = 0; i < filmPapers.size(); ++i) {
      const std::string_view name = nameOf(filmPapers[i]);
      if (HasNonAscii(name) != derived) continue;
      filmKeys[i] = derived ? keys.Unique(PaperName(name)) : keys.Keep(PaperName(name));
    }
  }
  for (size_t i = 0; i < filmPapers.size(); ++i) {
    const paper_struct& film = filmPapers[i];
    std::string text;
    if (HasNonAscii(nameOf(film))) text = Latin1Translation(film.text.empty() ? nameOf(film) : film.text);
    papers_.push_back({filmKeys[i], film.width, film.height, std::move(text)});
  }
}

int CCreatePpd::AddPageSizes(int maxWidth, int maxHeight, const std::vector<paper_struct>& filmPapers) {
  LoadPaperSizes(filmPapers);
  std::vector<const paper_struct*> fitting;
  for (const paper_struct& paper : papers_) {
    if (paper.width <= maxWidth && paper.height <= maxHeight) fitting.push_back(&paper);
  }
  const int w = maxWidth;
  const int h = maxHeight;

  // Where to return to when "<Add PaperDimension>" never comes: after the last
  // placeholder handled, or the start of the section.
  Position handled = Mark();
  std::string_view line;
  while (template_.IsOpen() && template_.Next(line)) {
    if (line.find("<Add PageSize setup>") != std::string_view::npos) {
      for (const paper_struct* p : fitting) {
        WriteFormat("*PageSize %s: \"<< /PageSize [%d %d] /Orientation 0 >> setpagedevice\"",
                    {Translated(*p), p->width, p->height});
        WriteFormat("*PageSize %s.Transverse: \"<< /PageSize [%d %d] /Orientation 1 >> setpagedevice\"",
                    {p->name, p->width, p->height});
      }
      WriteFormat("*PageSize Max: \"<< /PageSize [%d %d] /Orientation 0 >> setpagedevice\"", {w, h});
      WriteFormat("*PageSize Max.Transverse: \"<< /PageSize [%d %d] /Orientation 1 >> setpagedevice\"", {w, h});
    } else if (line.find("<Add PageSize Tarnsverse>") != std::string_view::npos ||
               line.find("<Add PageSize Transverse>") != std::string_view::npos) {
      for (const paper_struct* p : fitting) WriteFormat("\t/%s.Transverse [%d %d]", {p->name, p->width, p->height});
      WriteFormat("\t/Max.Transverse [%d %d]", {w, h});
    } else if (line.find("<Add PageSize>") != std::string_view::npos) {
      for (const paper_struct* p : fitting) WriteFormat("\t/%s [%d %d]", {p->name, p->width, p->height});
      WriteFormat("\t/Max [%d %d]", {w, h});
    } else if (line.find("<Add PageRegion>") != std::string_view::npos) {
      for (const paper_struct* p : fitting) {
        WriteFormat("*PageRegion %s: \"<< /PageSize [%d %d] /Orientation 0 >> setpagedevice\"",
                    {Translated(*p), p->width, p->height});
        WriteFormat("*PageRegion %s.Transverse: \"<< /PageSize [%d %d] /Orientation 1 >> setpagedevice\"",
                    {p->name, p->width, p->height});
      }
      WriteFormat("*PageRegion Max: \"<< /PageSize [%d %d] /Orientation 0 >> setpagedevice\"", {w, h});
      WriteFormat("*PageRegion Max.Transverse: \"<< /PageSize [%d %d] /Orientation 1 >> setpagedevice\"", {w, h});
    } else if (line.find("<Add ImageableArea>") != std::string_view::npos) {
      for (const paper_struct* p : fitting)
        WriteFormat("*ImageableArea %s: \"0 0 %d %d\"", {p->name, p->width, p->height});
      WriteFormat("*ImageableArea Max: \"0 0 %d %d\"", {w, h});
      for (const paper_struct* p : fitting) {
        WriteFormat("*ImageableArea %s.Transverse: \"0 0 %d %d\"", {p->name, p->width, p->height});
      }
      WriteFormat("*ImageableArea Max.Transverse: \"0 0 %d %d\"", {w, h});
    } else if (line.find("<Add PaperDimension>") != std::string_view::npos) {
      for (const paper_struct* p : fitting)
        WriteFormat("*PaperDimension %s: \"%d %d\"", {p->name, p->width, p->height});
      WriteFormat("*PaperDimension Max: \"%d %d\"", {w, h});
      for (const paper_struct* p : fitting) {
        WriteFormat("*PaperDimension %s.Transverse: \"%d %d\"", {p->name, p->width, p->height});
      }
      WriteFormat("*PaperDimension Max.Transverse: \"%d %d\"", {w, h});
      return 1;
    } else {
      CopyLine(line);
      continue;
    }
    handled = Mark();
  }
  Restore(handled);
  CRvcTrace("").Trace(
      "Paper Dimensions are not added to PPD, as it can't find the place holder '<Add PaperDimension>' in the "
      "template.");
  return -1;
}

int CCreatePpd::AddCustomPageSize(int maxWidth, int maxHeight) {
  if (CopyUntilPlaceholder("<Add CustomPageSize>",
                           "Custom page size is not added to PPD, as it can't find the place holder "
                           "'<Add CustomPageSize>' in the template.") < 0) {
    return -1;
  }
  WriteFormat("*ParamCustomPageSize Width: 1 points 1 %d", {maxWidth});
  WriteFormat("*ParamCustomPageSize Height: 2 points 1 %d", {maxHeight});
  WriteLine("*ParamCustomPageSize WidthOffset/Margins: 3 points 0 0");
  WriteLine("*ParamCustomPageSize HeightOffset: 4 points 0 0");
  WriteLine("*ParamCustomPageSize Orientation: 5 int 0 1");
  WriteFormat("*MaxMediaWidth: \"%d.0\"", {maxWidth});
  WriteFormat("*MaxMediaHeight: \"%d.0\"", {maxHeight});
  return 1;
}

}  // namespace rvc::ppd
