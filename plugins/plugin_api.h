/* Ravlin Configurator: the interface of device-type plug-in libraries.
 *
 * A device type names its plug-in libraries in the flavour's device-type table
 * "<program folder>/dat/types.dat" (items "generaldll", "dispatcherdll", "synchronizedll",
 * "configurationdll", "mediadll", "resolutiondll", "resandcaldll", "backupdll"). The
 * configurator loads such a library and calls the plain C exports below by name. This
 * header is all a plug-in needs; it is plain C and may be included from C++.
 *
 * Conventions of every export:
 * - Texts are `const char*` in UTF-8, owned by the caller and valid during the call only.
 *   Paths are Linux paths. The program folder is the flavour's program folder and ends
 *   with "/"; the dispatcher's data folder ("<dispatcher folder>/data") does not.
 * - The tab control and the pages are opaque. In the Qt program the tab control is a
 *   `QTabWidget*` and a page is a `QWidget*` that the plug-in created as a child of the
 *   tab control; the program adds the page as a tab. Without a display (ravlinctl, tests)
 *   the tab control is NULL: a plug-in then creates no widget and may return any non-NULL
 *   handle of its own for a page, which it gets back in OnOK, OnOKExt and OnCancel.
 * - The configuration handle and the main window are opaque to plug-ins (the main window
 *   is a `QWidget*` in the Qt program, NULL without a display).
 *
 * Versions: a library that exports "GetVersionNr" is used only when it returns 1.0 or
 * more; it then gets a trace object as the extra last argument of its editor and page
 * functions (the "...TraceFn" types), and the dispatcher library's "OnOKExt" is called
 * instead of "OnOK". A library without "GetVersionNr" is called without the trace object
 * (the plain types). Below 1.0 the library is not used at all.
 *
 * Check a definition against its type with a declaration such as
 *     static RvcGetGeneralTabTraceFn* const kCheck = GetGeneralTab;
 * (one file cannot declare both variants of an export under the same name).
 */
#ifndef RVC_PLUGIN_API_H
#define RVC_PLUGIN_API_H

#ifdef __cplusplus
#define RVC_PLUGIN_EXTERN_C extern "C"
#else
#define RVC_PLUGIN_EXTERN_C
#endif

/* Put before each exported definition: C linkage, visible from the library. */
#define RVC_PLUGIN_EXPORT RVC_PLUGIN_EXTERN_C __attribute__((visibility("default")))

/* The number of extra pages a dispatcher library can add, and the size of the page and
 * caption arrays it returns. */
#define RVC_PLUGIN_MAX_PAGES 10

#ifdef __cplusplus
extern "C" {
#endif

/* The trace object: `trace(context, line)` appends one line to the configurator's trace
 * file (the configurator adds the time stamp). Valid until the call it was passed to
 * returns, for page libraries until the dialog closes. */
typedef struct RvcPluginTrace {
  void* context;
  void (*trace)(void* context, const char* line);
} RvcPluginTrace;

/* Every library: "GetVersionNr", the interface version it implements (optional). */
typedef double RvcGetVersionNrFn(void);

/* ---- "generaldll": replaces the General page of the dispatcher dialog. ---------------
 * "GetGeneralTab" (modify) and "ViewGeneralTab" (view, read-only): the page, or NULL for
 * no General page. `dataFolder` is the dispatcher folder + "/data". */
typedef void* RvcGetGeneralTabFn(void* tabControl, const char* dataFolder, const char* deviceType,
                                 const char* programFolder);
typedef void* RvcGetGeneralTabTraceFn(void* tabControl, const char* dataFolder, const char* deviceType,
                                      const char* programFolder, RvcPluginTrace* trace);
/* "OnOK" of the general library: the dialog's OK was accepted; `page` is its page. Also
 * "OnOK" of a dispatcher library without "GetVersionNr", called per extra page. */
typedef void RvcOnOKFn(void* page);

/* ---- "dispatcherdll": extra pages of the dispatcher dialog. ---------------------------
 * "GetExtraTabSheets" (modify) and "ViewExtraTabSheets" (view): an array of
 * RVC_PLUGIN_MAX_PAGES page pointers owned by the library; the pages before the first
 * NULL are used. */
typedef void** RvcGetExtraTabSheetsFn(void* tabControl, void* configuration, const char* programFolder,
                                      const char* dataFolder, const char* deviceType);
typedef void** RvcGetExtraTabSheetsTraceFn(void* tabControl, void* configuration, const char* programFolder,
                                           const char* dataFolder, const char* deviceType, RvcPluginTrace* trace);
/* "GetCaptions": an array of RVC_PLUGIN_MAX_PAGES texts owned by the library; a non-empty
 * text i is the tab caption of extra page i. */
typedef const char** RvcGetCaptionsFn(void);
/* "OnOKExt" (libraries of version 1.0 and above), per extra page on OK: a negative result
 * keeps the dialog open. */
typedef int RvcOnOKExtFn(void* page);
/* "OnCancel", per extra page on Cancel. */
typedef void RvcOnCancelFn(void* page);

/* ---- "synchronizedll": a step before the Modify dialog opens. -------------------------
 * "GetSynchronizeDlg". `dispatcherDataFolder` is the dispatcher folder + "/Data". With
 * the trace object a result of 0 ends the Modify command; the result of the variant
 * without it is not used. */
typedef int RvcGetSynchronizeDlgFn(void* mainWindow, const char* dispatcherDataFolder, const char* programFolder,
                                   const char* deviceType);
typedef int RvcGetSynchronizeDlgTraceFn(void* mainWindow, const char* dispatcherDataFolder,
                                        const char* programFolder, const char* deviceType, RvcPluginTrace* trace);

/* ---- "configurationdll": replaces the configuration dialog. ---------------------------
 * "NewConfigurationDlg" gets `isNew` 1; "ModifyConfigurationDlg" and
 * "ViewConfigurationDlg" get the selected configuration's name and `isNew` 0.
 * `configPath` is the dispatcher's "zv_config.res". Results are not used. */
typedef int RvcNewConfigurationDlgFn(void* configuration, int isNew, const char* programFolder,
                                     const char* configPath, const char* deviceType);
typedef int RvcNewConfigurationDlgTraceFn(void* configuration, int isNew, const char* programFolder,
                                          const char* configPath, const char* deviceType, RvcPluginTrace* trace);
typedef int RvcModifyConfigurationDlgFn(const char* name, void* configuration, int isNew, const char* programFolder,
                                        const char* configPath, const char* deviceType);
typedef int RvcModifyConfigurationDlgTraceFn(const char* name, void* configuration, int isNew,
                                             const char* programFolder, const char* configPath,
                                             const char* deviceType, RvcPluginTrace* trace);
typedef RvcModifyConfigurationDlgFn RvcViewConfigurationDlgFn;
typedef RvcModifyConfigurationDlgTraceFn RvcViewConfigurationDlgTraceFn;

/* ---- "mediadll" and "resolutiondll": replace the media and resolution-set editors. ----
 * "NewMediaDlg" / "NewResolutionDlg" get `isNew` 1; "ModifyMediaDlg", "ViewMediaDlg",
 * "ModifyResolutionDlg" and "ViewResolutionDlg" get the selected name and `isNew` 0.
 * `folder` is the folder the calling dialog was given. Results are not used. */
typedef int RvcNewEditorDlgFn(void* configuration, int isNew, const char* folder);
typedef int RvcNewEditorDlgTraceFn(void* configuration, int isNew, const char* folder, RvcPluginTrace* trace);
typedef int RvcModifyEditorDlgFn(const char* name, void* configuration, int isNew, const char* folder);
typedef int RvcModifyEditorDlgTraceFn(const char* name, void* configuration, int isNew, const char* folder,
                                      RvcPluginTrace* trace);
typedef RvcNewEditorDlgFn RvcNewMediaDlgFn;
typedef RvcNewEditorDlgTraceFn RvcNewMediaDlgTraceFn;
typedef RvcModifyEditorDlgFn RvcModifyMediaDlgFn;
typedef RvcModifyEditorDlgTraceFn RvcModifyMediaDlgTraceFn;
typedef RvcModifyEditorDlgFn RvcViewMediaDlgFn;
typedef RvcModifyEditorDlgTraceFn RvcViewMediaDlgTraceFn;
typedef RvcNewEditorDlgFn RvcNewResolutionDlgFn;
typedef RvcNewEditorDlgTraceFn RvcNewResolutionDlgTraceFn;
typedef RvcModifyEditorDlgFn RvcModifyResolutionDlgFn;
typedef RvcModifyEditorDlgTraceFn RvcModifyResolutionDlgTraceFn;
typedef RvcModifyEditorDlgFn RvcViewResolutionDlgFn;
typedef RvcModifyEditorDlgTraceFn RvcViewResolutionDlgTraceFn;

/* ---- "resandcaldll": replaces the resolution value editor. -----------------------------
 * "ModifyResAndCalDlg" gets the set's name and the selected resolution in dpi (0 when the
 * value is to be added). Afterwards "getAddedSet" and "getAddedRes" name the set and the
 * resolution that the plug-in added (NULL or an empty text, and 0, when it added none);
 * the texts stay owned by the library. The result of ModifyResAndCalDlg is not used. */
typedef int RvcModifyResAndCalDlgFn(void* configuration, const char* setName, double resolution);
typedef int RvcModifyResAndCalDlgTraceFn(void* configuration, const char* setName, double resolution,
                                         RvcPluginTrace* trace);
typedef const char* RvcGetAddedSetFn(void);
typedef double RvcGetAddedResFn(void);

/* ---- "backupdll": device data of a dispatcher in backups. -------------------------------
 * "Backup" gets the flavour's data folder, the dispatcher's backup folder, the flavour's
 * display name, the device type and the program folder. "Restore" gets the backed-up
 * dispatcher folder, the flavour's data folder, its display name, the installed
 * dispatcher's device type and the program folder. Results are not used. */
typedef int RvcBackupFn(const char* dataFolder, const char* backupFolder, const char* flavourName,
                        const char* deviceType, const char* programFolder);
typedef int RvcBackupTraceFn(const char* dataFolder, const char* backupFolder, const char* flavourName,
                             const char* deviceType, const char* programFolder, RvcPluginTrace* trace);
typedef int RvcRestoreFn(const char* backedUpFolder, const char* dataFolder, const char* flavourName,
                         const char* deviceType, const char* programFolder);
typedef int RvcRestoreTraceFn(const char* backedUpFolder, const char* dataFolder, const char* flavourName,
                              const char* deviceType, const char* programFolder, RvcPluginTrace* trace);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* RVC_PLUGIN_API_H */
