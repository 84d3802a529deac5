/* Sample "resandcaldll": stands in for the resolution value editor. Interface version
 * 1.0. It changes nothing in the configuration; it reports as added the resolution it was
 * given, or 1200 dpi when it was given 0 (a value to add), in the set it was given, and
 * records its calls (common/sample_log.h). Plain C. */
#include <stdio.h>

#include "plugins/samples/common/sample_log.h"

static const char kSample[] = "resandcal";
static char addedSet[256];
static double addedRes;

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return 1.0; }

RVC_PLUGIN_EXPORT int ModifyResAndCalDlg(void* configuration, const char* setName, double resolution,
                                         RvcPluginTrace* trace) {
  SampleRecord(kSample, "ModifyResAndCalDlg", trace, "%s, %s, %g", SAMPLE_PTR(configuration), SAMPLE_TEXT(setName),
               resolution);
  snprintf(addedSet, sizeof addedSet, "%s", SAMPLE_TEXT(setName));
  addedRes = resolution != 0.0 ? resolution : 1200.0;
  return 1;
}

RVC_PLUGIN_EXPORT const char* getAddedSet(void) {
  SampleRecord(kSample, "getAddedSet", NULL, "");
  return addedSet;
}

RVC_PLUGIN_EXPORT double getAddedRes(void) {
  SampleRecord(kSample, "getAddedRes", NULL, "");
  return addedRes;
}

SAMPLE_CHECK_TYPE(RvcModifyResAndCalDlgTraceFn, ModifyResAndCalDlg);
SAMPLE_CHECK_TYPE(RvcGetAddedSetFn, getAddedSet);
SAMPLE_CHECK_TYPE(RvcGetAddedResFn, getAddedRes);
