/* Sample "resolutiondll": stands in for the resolution editor. Interface version 1.0. It shows
 * nothing and only records its calls (common/sample_log.h). Plain C. */
#include "plugins/samples/common/sample_log.h"

static const char kSample[] = "resolution";

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return 1.0; }

RVC_PLUGIN_EXPORT int NewResolutionDlg(void* configuration, int isNew, const char* folder, RvcPluginTrace* trace) {
  SampleRecord(kSample, "NewResolutionDlg", trace, "%s, %d, %s", SAMPLE_PTR(configuration), isNew, SAMPLE_TEXT(folder));
  return 1;
}

RVC_PLUGIN_EXPORT int ModifyResolutionDlg(const char* name, void* configuration, int isNew, const char* folder,
                                   RvcPluginTrace* trace) {
  SampleRecord(kSample, "ModifyResolutionDlg", trace, "%s, %s, %d, %s", SAMPLE_TEXT(name), SAMPLE_PTR(configuration), isNew,
               SAMPLE_TEXT(folder));
  return 1;
}

RVC_PLUGIN_EXPORT int ViewResolutionDlg(const char* name, void* configuration, int isNew, const char* folder,
                                 RvcPluginTrace* trace) {
  SampleRecord(kSample, "ViewResolutionDlg", trace, "%s, %s, %d, %s", SAMPLE_TEXT(name), SAMPLE_PTR(configuration), isNew,
               SAMPLE_TEXT(folder));
  return 1;
}

SAMPLE_CHECK_TYPE(RvcNewResolutionDlgTraceFn, NewResolutionDlg);
SAMPLE_CHECK_TYPE(RvcModifyResolutionDlgTraceFn, ModifyResolutionDlg);
SAMPLE_CHECK_TYPE(RvcViewResolutionDlgTraceFn, ViewResolutionDlg);
