// Sample of a library without "GetVersionNr", as libraries were written before interface
// version 1.0: its functions take no trace object, and the dispatcher dialog calls "OnOK"
// for its page (never "OnOKExt"). It serves every item of the device-type table, records
// its calls (common/sample_log.h) and makes one page (pages/sample_pages.h).
#include "plugins/samples/common/sample_log.h"
#include "plugins/samples/pages/sample_pages.h"

namespace {
constexpr char kSample[] = "old_style";
void* pages[RVC_PLUGIN_MAX_PAGES];
const char* captions[RVC_PLUGIN_MAX_PAGES] = {"Old style"};
}  // namespace

RVC_PLUGIN_EXPORT void* GetGeneralTab(void* tab, const char* data, const char* type, const char* program) {
  SampleRecord(kSample, "GetGeneralTab", nullptr, "%s, %s, %s, %s", SAMPLE_PTR(tab), data, type, program);
  return SampleMakePage(tab, "General page of the old-style sample");
}
RVC_PLUGIN_EXPORT void* ViewGeneralTab(void* tab, const char* data, const char* type, const char* program) {
  SampleRecord(kSample, "ViewGeneralTab", nullptr, "%s, %s, %s, %s", SAMPLE_PTR(tab), data, type, program);
  return SampleMakePage(tab, "General page of the old-style sample (view)");
}
RVC_PLUGIN_EXPORT void** GetExtraTabSheets(void* tab, void* configuration, const char* program, const char* data,
                                           const char* type) {
  SampleRecord(kSample, "GetExtraTabSheets", nullptr, "%s, %s, %s, %s, %s", SAMPLE_PTR(tab),
               SAMPLE_PTR(configuration), program, data, type);
  pages[0] = SampleMakePage(tab, "Old-style page");
  return pages;
}
RVC_PLUGIN_EXPORT void** ViewExtraTabSheets(void* tab, void* configuration, const char* program, const char* data,
                                            const char* type) {
  SampleRecord(kSample, "ViewExtraTabSheets", nullptr, "%s, %s, %s, %s, %s", SAMPLE_PTR(tab),
               SAMPLE_PTR(configuration), program, data, type);
  pages[0] = SampleMakePage(tab, "Old-style page (view)");
  return pages;
}
RVC_PLUGIN_EXPORT const char** GetCaptions() {
  SampleRecord(kSample, "GetCaptions", nullptr, "");
  return captions;
}
RVC_PLUGIN_EXPORT void OnOK(void* page) {
  SampleRecord(kSample, "OnOK", nullptr, "%s", SamplePageText(page));
}
RVC_PLUGIN_EXPORT void OnCancel(void* page) {
  SampleRecord(kSample, "OnCancel", nullptr, "%s", SamplePageText(page));
}
// Its result is not used by the configurator: 0 must not end the Modify command.
RVC_PLUGIN_EXPORT int GetSynchronizeDlg(void* window, const char* data, const char* program, const char* type) {
  SampleRecord(kSample, "GetSynchronizeDlg", nullptr, "%s, %s, %s, %s", SAMPLE_PTR(window), data, program, type);
  return 0;
}
RVC_PLUGIN_EXPORT int NewConfigurationDlg(void* configuration, int isNew, const char* program, const char* path,
                                          const char* type) {
  SampleRecord(kSample, "NewConfigurationDlg", nullptr, "%s, %d, %s, %s, %s", SAMPLE_PTR(configuration), isNew,
               program, path, type);
  return 1;
}
RVC_PLUGIN_EXPORT int ModifyConfigurationDlg(const char* name, void* configuration, int isNew, const char* program,
                                             const char* path, const char* type) {
  SampleRecord(kSample, "ModifyConfigurationDlg", nullptr, "%s, %s, %d, %s, %s, %s", name,
               SAMPLE_PTR(configuration), isNew, program, path, type);
  return 1;
}
RVC_PLUGIN_EXPORT int ViewConfigurationDlg(const char* name, void* configuration, int isNew, const char* program,
                                           const char* path, const char* type) {
  SampleRecord(kSample, "ViewConfigurationDlg", nullptr, "%s, %s, %d, %s, %s, %s", name, SAMPLE_PTR(configuration),
               isNew, program, path, type);
  return 1;
}

#define SAMPLE_NEW_EDITOR(function)                                                                   \
  RVC_PLUGIN_EXPORT int function(void* configuration, int isNew, const char* folder) {                \
    SampleRecord(kSample, #function, nullptr, "%s, %d, %s", SAMPLE_PTR(configuration), isNew, folder); \
    return 1;                                                                                         \
  }
#define SAMPLE_MODIFY_EDITOR(function)                                                                          \
  RVC_PLUGIN_EXPORT int function(const char* name, void* configuration, int isNew, const char* folder) {        \
    SampleRecord(kSample, #function, nullptr, "%s, %s, %d, %s", name, SAMPLE_PTR(configuration), isNew, folder); \
    return 1;                                                                                                   \
  }
SAMPLE_NEW_EDITOR(NewMediaDlg)
SAMPLE_MODIFY_EDITOR(ModifyMediaDlg)
SAMPLE_MODIFY_EDITOR(ViewMediaDlg)
SAMPLE_NEW_EDITOR(NewResolutionDlg)
SAMPLE_MODIFY_EDITOR(ModifyResolutionDlg)
SAMPLE_MODIFY_EDITOR(ViewResolutionDlg)

SAMPLE_CHECK_TYPE(RvcGetGeneralTabFn, GetGeneralTab);
SAMPLE_CHECK_TYPE(RvcGetExtraTabSheetsFn, GetExtraTabSheets);
SAMPLE_CHECK_TYPE(RvcGetCaptionsFn, GetCaptions);
SAMPLE_CHECK_TYPE(RvcOnOKFn, OnOK);
SAMPLE_CHECK_TYPE(RvcOnCancelFn, OnCancel);
SAMPLE_CHECK_TYPE(RvcGetSynchronizeDlgFn, GetSynchronizeDlg);
SAMPLE_CHECK_TYPE(RvcModifyConfigurationDlgFn, ModifyConfigurationDlg);
SAMPLE_CHECK_TYPE(RvcNewMediaDlgFn, NewMediaDlg);
SAMPLE_CHECK_TYPE(RvcModifyResolutionDlgFn, ModifyResolutionDlg);
