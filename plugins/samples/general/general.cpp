// Sample "generaldll": a General page of its own in place of the built-in one. Interface
// version 1.0. Its page has one text field (pages/sample_pages.h); OnOK records the field.
#include "plugins/samples/common/sample_log.h"
#include "plugins/samples/pages/sample_pages.h"

namespace {
constexpr char kSample[] = "general";
}  // namespace

RVC_PLUGIN_EXPORT double GetVersionNr() { return 1.0; }

RVC_PLUGIN_EXPORT void* GetGeneralTab(void* tab, const char* data, const char* type, const char* program,
                                      RvcPluginTrace* trace) {
  SampleRecord(kSample, "GetGeneralTab", trace, "%s, %s, %s, %s", SAMPLE_PTR(tab), data, type, program);
  return SampleMakePage(tab, "General page of the sample plug-in");
}

RVC_PLUGIN_EXPORT void* ViewGeneralTab(void* tab, const char* data, const char* type, const char* program,
                                       RvcPluginTrace* trace) {
  SampleRecord(kSample, "ViewGeneralTab", trace, "%s, %s, %s, %s", SAMPLE_PTR(tab), data, type, program);
  return SampleMakePage(tab, "General page of the sample plug-in (view)");
}

RVC_PLUGIN_EXPORT void OnOK(void* page) { SampleRecord(kSample, "OnOK", nullptr, "%s", SamplePageText(page)); }

SAMPLE_CHECK_TYPE(RvcGetGeneralTabTraceFn, GetGeneralTab);
SAMPLE_CHECK_TYPE(RvcGetGeneralTabTraceFn, ViewGeneralTab);
SAMPLE_CHECK_TYPE(RvcOnOKFn, OnOK);
