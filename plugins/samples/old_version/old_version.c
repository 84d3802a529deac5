/* Sample of a library whose "GetVersionNr" reports a version below 1.0 (SAMPLE_VERSION,
 * built as 0.5 and as 0.9): the configurator must not use it. It exports the functions of
 * every kind of plug-in; each only records that it was called (common/sample_log.h), which
 * the tests expect never to happen. Plain C. */
#include "plugins/samples/common/sample_log.h"

#ifndef SAMPLE_VERSION
#error "SAMPLE_VERSION: the version this library reports"
#endif
#ifndef SAMPLE_NAME
#error "SAMPLE_NAME: the name in the call log"
#endif

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return SAMPLE_VERSION; }

RVC_PLUGIN_EXPORT void* GetGeneralTab(void* tab, const char* data, const char* type, const char* program) {
  SampleRecord(SAMPLE_NAME, "GetGeneralTab", NULL, "%s, %s, %s, %s", SAMPLE_PTR(tab), data, type, program);
  return NULL;
}
RVC_PLUGIN_EXPORT void* ViewGeneralTab(void* tab, const char* data, const char* type, const char* program) {
  SampleRecord(SAMPLE_NAME, "ViewGeneralTab", NULL, "%s, %s, %s, %s", SAMPLE_PTR(tab), data, type, program);
  return NULL;
}
RVC_PLUGIN_EXPORT void** GetExtraTabSheets(void* tab, void* configuration, const char* program, const char* data,
                                           const char* type) {
  SampleRecord(SAMPLE_NAME, "GetExtraTabSheets", NULL, "%s, %s, %s, %s, %s", SAMPLE_PTR(tab),
               SAMPLE_PTR(configuration), program, data, type);
  return NULL;
}
RVC_PLUGIN_EXPORT void** ViewExtraTabSheets(void* tab, void* configuration, const char* program, const char* data,
                                            const char* type) {
  SampleRecord(SAMPLE_NAME, "ViewExtraTabSheets", NULL, "%s, %s, %s, %s, %s", SAMPLE_PTR(tab),
               SAMPLE_PTR(configuration), program, data, type);
  return NULL;
}
RVC_PLUGIN_EXPORT const char** GetCaptions(void) {
  SampleRecord(SAMPLE_NAME, "GetCaptions", NULL, "");
  return NULL;
}
RVC_PLUGIN_EXPORT void OnOK(void* page) { SampleRecord(SAMPLE_NAME, "OnOK", NULL, "%s", SAMPLE_PTR(page)); }
RVC_PLUGIN_EXPORT int OnOKExt(void* page) {
  SampleRecord(SAMPLE_NAME, "OnOKExt", NULL, "%s", SAMPLE_PTR(page));
  return -1;
}
RVC_PLUGIN_EXPORT void OnCancel(void* page) { SampleRecord(SAMPLE_NAME, "OnCancel", NULL, "%s", SAMPLE_PTR(page)); }
RVC_PLUGIN_EXPORT int GetSynchronizeDlg(void* window, const char* data, const char* program, const char* type) {
  SampleRecord(SAMPLE_NAME, "GetSynchronizeDlg", NULL, "%s, %s, %s, %s", SAMPLE_PTR(window), data, program, type);
  return 0;
}
RVC_PLUGIN_EXPORT int NewConfigurationDlg(void* configuration, int isNew, const char* program, const char* path,
                                          const char* type) {
  SampleRecord(SAMPLE_NAME, "NewConfigurationDlg", NULL, "%s, %d, %s, %s, %s", SAMPLE_PTR(configuration), isNew,
               program, path, type);
  return 0;
}
RVC_PLUGIN_EXPORT int ModifyConfigurationDlg(const char* name, void* configuration, int isNew, const char* program,
                                             const char* path, const char* type) {
  SampleRecord(SAMPLE_NAME, "ModifyConfigurationDlg", NULL, "%s, %s, %d, %s, %s, %s", name,
               SAMPLE_PTR(configuration), isNew, program, path, type);
  return 0;
}
RVC_PLUGIN_EXPORT int ViewConfigurationDlg(const char* name, void* configuration, int isNew, const char* program,
                                           const char* path, const char* type) {
  SampleRecord(SAMPLE_NAME, "ViewConfigurationDlg", NULL, "%s, %s, %d, %s, %s, %s", name, SAMPLE_PTR(configuration),
               isNew, program, path, type);
  return 0;
}

/* The media and resolution-set editors. */
#define SAMPLE_NEW_EDITOR(function)                                                                       \
  RVC_PLUGIN_EXPORT int function(void* configuration, int isNew, const char* folder) {                    \
    SampleRecord(SAMPLE_NAME, #function, NULL, "%s, %d, %s", SAMPLE_PTR(configuration), isNew, folder); \
    return 0;                                                                                             \
  }
#define SAMPLE_MODIFY_EDITOR(function)                                                                       \
  RVC_PLUGIN_EXPORT int function(const char* name, void* configuration, int isNew, const char* folder) {     \
    SampleRecord(SAMPLE_NAME, #function, NULL, "%s, %s, %d, %s", name, SAMPLE_PTR(configuration), isNew, \
                 folder);                                                                                    \
    return 0;                                                                                                \
  }
SAMPLE_NEW_EDITOR(NewMediaDlg)
SAMPLE_MODIFY_EDITOR(ModifyMediaDlg)
SAMPLE_MODIFY_EDITOR(ViewMediaDlg)
SAMPLE_NEW_EDITOR(NewResolutionDlg)
SAMPLE_MODIFY_EDITOR(ModifyResolutionDlg)
SAMPLE_MODIFY_EDITOR(ViewResolutionDlg)

RVC_PLUGIN_EXPORT int ModifyResAndCalDlg(void* configuration, const char* set, double resolution) {
  SampleRecord(SAMPLE_NAME, "ModifyResAndCalDlg", NULL, "%s, %s, %g", SAMPLE_PTR(configuration), set, resolution);
  return 0;
}
RVC_PLUGIN_EXPORT const char* getAddedSet(void) {
  SampleRecord(SAMPLE_NAME, "getAddedSet", NULL, "");
  return "never";
}
RVC_PLUGIN_EXPORT double getAddedRes(void) {
  SampleRecord(SAMPLE_NAME, "getAddedRes", NULL, "");
  return 1.0;
}
RVC_PLUGIN_EXPORT int Backup(const char* data, const char* backup, const char* flavour, const char* type,
                             const char* program) {
  SampleRecord(SAMPLE_NAME, "Backup", NULL, "%s, %s, %s, %s, %s", data, backup, flavour, type, program);
  return 0;
}
RVC_PLUGIN_EXPORT int Restore(const char* backup, const char* data, const char* flavour, const char* type,
                              const char* program) {
  SampleRecord(SAMPLE_NAME, "Restore", NULL, "%s, %s, %s, %s, %s", backup, data, flavour, type, program);
  return 0;
}
