/* Sample "synchronizedll": the synchronisation step before the Modify dialog. Interface
 * version 1.0. Built twice: returning 1 (the command goes on) and, as "synchronize_stop",
 * returning 0 (the command ends before the dialog opens). Plain C. */
#include "plugins/samples/common/sample_log.h"

#ifndef SAMPLE_RESULT
#error "SAMPLE_RESULT: what GetSynchronizeDlg returns"
#endif

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return 1.0; }

RVC_PLUGIN_EXPORT int GetSynchronizeDlg(void* window, const char* data, const char* program, const char* type,
                                        RvcPluginTrace* trace) {
  SampleRecord(SAMPLE_NAME, "GetSynchronizeDlg", trace, "%s, %s, %s, %s", SAMPLE_PTR(window), data, program, type);
  return SAMPLE_RESULT;
}

SAMPLE_CHECK_TYPE(RvcGetSynchronizeDlgTraceFn, GetSynchronizeDlg);
