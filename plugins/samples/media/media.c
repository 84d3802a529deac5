/* Sample "mediadll": stands in for the media editor. Interface version 1.0. It shows
 * nothing and only records its calls (common/sample_log.h). Plain C. */
#include "plugins/samples/common/sample_log.h"

static const char kSample[] = "media";

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return 1.0; }

RVC_PLUGIN_EXPORT int NewMediaDlg(void* configuration, int isNew, const char* folder, RvcPluginTrace* trace) {
  SampleRecord(kSample, "NewMediaDlg", trace, "%s, %d, %s", SAMPLE_PTR(configuration), isNew, SAMPLE_TEXT(folder));
  return 1;
}

RVC_PLUGIN_EXPORT int ModifyMediaDlg(const char* name, void* configuration, int isNew, const char* folder,
                                   RvcPluginTrace* trace) {
  SampleRecord(kSample, "ModifyMediaDlg", trace, "%s, %s, %d, %s", SAMPLE_TEXT(name), SAMPLE_PTR(configuration), isNew,
               SAMPLE_TEXT(folder));
  return 1;
}

RVC_PLUGIN_EXPORT int ViewMediaDlg(const char* name, void* configuration, int isNew, const char* folder,
                                 RvcPluginTrace* trace) {
  SampleRecord(kSample, "ViewMediaDlg", trace, "%s, %s, %d, %s", SAMPLE_TEXT(name), SAMPLE_PTR(configuration), isNew,
               SAMPLE_TEXT(folder));
  return 1;
}

SAMPLE_CHECK_TYPE(RvcNewMediaDlgTraceFn, NewMediaDlg);
SAMPLE_CHECK_TYPE(RvcModifyMediaDlgTraceFn, ModifyMediaDlg);
SAMPLE_CHECK_TYPE(RvcViewMediaDlgTraceFn, ViewMediaDlg);
