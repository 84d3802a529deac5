/* Sample "backupdll": stands in for a device type's own backup data. Interface version
 * 1.0. "Backup" writes the file "device_data.txt" into the dispatcher's backup folder,
 * naming the flavour and the device type; "Restore" only records its call. Both record
 * their calls (common/sample_log.h). Plain C. */
#include <stdio.h>

#include "plugins/samples/common/sample_log.h"

static const char kSample[] = "backup";

RVC_PLUGIN_EXPORT double GetVersionNr(void) { return 1.0; }

RVC_PLUGIN_EXPORT int Backup(const char* dataFolder, const char* backupFolder, const char* flavourName,
                             const char* deviceType, const char* programFolder, RvcPluginTrace* trace) {
  SampleRecord(kSample, "Backup", trace, "%s, %s, %s, %s, %s", SAMPLE_TEXT(dataFolder), SAMPLE_TEXT(backupFolder),
               SAMPLE_TEXT(flavourName), SAMPLE_TEXT(deviceType), SAMPLE_TEXT(programFolder));
  if (backupFolder == NULL) return 0;
  char path[4096];
  snprintf(path, sizeof path, "%s/device_data.txt", backupFolder);
  FILE* file = fopen(path, "w");
  if (file == NULL) return 0;
  fprintf(file, "flavour=%s\ntype=%s\n", SAMPLE_TEXT(flavourName), SAMPLE_TEXT(deviceType));
  fclose(file);
  return 1;
}

RVC_PLUGIN_EXPORT int Restore(const char* backedUpFolder, const char* dataFolder, const char* flavourName,
                              const char* deviceType, const char* programFolder, RvcPluginTrace* trace) {
  SampleRecord(kSample, "Restore", trace, "%s, %s, %s, %s, %s", SAMPLE_TEXT(backedUpFolder), SAMPLE_TEXT(dataFolder),
               SAMPLE_TEXT(flavourName), SAMPLE_TEXT(deviceType), SAMPLE_TEXT(programFolder));
  return 1;
}

SAMPLE_CHECK_TYPE(RvcBackupTraceFn, Backup);
SAMPLE_CHECK_TYPE(RvcRestoreTraceFn, Restore);
