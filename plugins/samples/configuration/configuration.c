/* Sample "configurationdll": stands in for the configuration dialog. It shows nothing and
 * only records its calls (common/sample_log.h). Plain C, interface version 1.0. */
#include "plugins/samples/common/sample_log.h"

static const char kSample[] = "configuration";

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return 1.0; }

RVC_PLUGIN_EXPORT int NewConfigurationDlg(void* configuration, int isNew, const char* programFolder,
                                          const char* configPath, const char* deviceType, RvcPluginTrace* trace) {
  SampleRecord(kSample, "NewConfigurationDlg", trace, "%s, %d, %s, %s, %s", SAMPLE_PTR(configuration), isNew,
               SAMPLE_TEXT(programFolder), SAMPLE_TEXT(configPath), SAMPLE_TEXT(deviceType));
  return 1;
}

RVC_PLUGIN_EXPORT int ModifyConfigurationDlg(const char* name, void* configuration, int isNew,
                                             const char* programFolder, const char* configPath,
                                             const char* deviceType, RvcPluginTrace* trace) {
  SampleRecord(kSample, "ModifyConfigurationDlg", trace, "%s, %s, %d, %s, %s, %s", SAMPLE_TEXT(name),
               SAMPLE_PTR(configuration), isNew, SAMPLE_TEXT(programFolder), SAMPLE_TEXT(configPath),
               SAMPLE_TEXT(deviceType));
  return 1;
}

RVC_PLUGIN_EXPORT int ViewConfigurationDlg(const char* name, void* configuration, int isNew,
                                           const char* programFolder, const char* configPath, const char* deviceType,
                                           RvcPluginTrace* trace) {
  SampleRecord(kSample, "ViewConfigurationDlg", trace, "%s, %s, %d, %s, %s, %s", SAMPLE_TEXT(name),
               SAMPLE_PTR(configuration), isNew, SAMPLE_TEXT(programFolder), SAMPLE_TEXT(configPath),
               SAMPLE_TEXT(deviceType));
  return 1;
}

SAMPLE_CHECK_TYPE(RvcNewConfigurationDlgTraceFn, NewConfigurationDlg);
SAMPLE_CHECK_TYPE(RvcModifyConfigurationDlgTraceFn, ModifyConfigurationDlg);
SAMPLE_CHECK_TYPE(RvcViewConfigurationDlgTraceFn, ViewConfigurationDlg);
