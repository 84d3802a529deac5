// Sample "dispatcherdll": two extra pages for the dispatcher dialog. Interface version
// 1.0. Each page has one text field (pages/sample_pages.h); OnOKExt refuses (keeps the
// dialog open) while a page's field holds "refuse".
#include <cstring>

#include "plugins/samples/common/sample_log.h"
#include "plugins/samples/pages/sample_pages.h"

namespace {
constexpr char kSample[] = "dispatcher";
void* pages[RVC_PLUGIN_MAX_PAGES];
const char* captions[RVC_PLUGIN_MAX_PAGES] = {"Device", "Calibration"};

void** MakePages(void* tab) {
  pages[0] = SampleMakePage(tab, "Device settings of the sample plug-in");
  pages[1] = SampleMakePage(tab, "Calibration of the sample plug-in");
  return pages;
}
}  // namespace

RVC_PLUGIN_EXPORT double GetVersionNr() { return 1.0; }

RVC_PLUGIN_EXPORT const char** GetCaptions() {
  SampleRecord(kSample, "GetCaptions", nullptr, "");
  return captions;
}

RVC_PLUGIN_EXPORT void** GetExtraTabSheets(void* tab, void* configuration, const char* program, const char* data,
                                           const char* type, RvcPluginTrace* trace) {
  SampleRecord(kSample, "GetExtraTabSheets", trace, "%s, %s, %s, %s, %s", SAMPLE_PTR(tab), SAMPLE_PTR(configuration),
               program, data, type);
  return MakePages(tab);
}

RVC_PLUGIN_EXPORT void** ViewExtraTabSheets(void* tab, void* configuration, const char* program, const char* data,
                                            const char* type, RvcPluginTrace* trace) {
  SampleRecord(kSample, "ViewExtraTabSheets", trace, "%s, %s, %s, %s, %s", SAMPLE_PTR(tab),
               SAMPLE_PTR(configuration), program, data, type);
  return MakePages(tab);
}

RVC_PLUGIN_EXPORT int OnOKExt(void* page) {
  const char* text = SamplePageText(page);
  SampleRecord(kSample, "OnOKExt", nullptr, "%s", text);
  return std::strcmp(text, "refuse") == 0 ? -1 : 0;
}

// For hosts that do not know OnOKExt; the configurator does not call it at version 1.0.
RVC_PLUGIN_EXPORT void OnOK(void* page) { SampleRecord(kSample, "OnOK", nullptr, "%s", SamplePageText(page)); }

RVC_PLUGIN_EXPORT void OnCancel(void* page) {
  SampleRecord(kSample, "OnCancel", nullptr, "%s", SamplePageText(page));
}

SAMPLE_CHECK_TYPE(RvcGetCaptionsFn, GetCaptions);
SAMPLE_CHECK_TYPE(RvcGetExtraTabSheetsTraceFn, GetExtraTabSheets);
SAMPLE_CHECK_TYPE(RvcGetExtraTabSheetsTraceFn, ViewExtraTabSheets);
SAMPLE_CHECK_TYPE(RvcOnOKExtFn, OnOKExt);
SAMPLE_CHECK_TYPE(RvcOnOKFn, OnOK);
SAMPLE_CHECK_TYPE(RvcOnCancelFn, OnCancel);
