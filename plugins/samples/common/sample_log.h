/* The call log of the sample plug-ins, so that tests can see what the configurator called
 * with which arguments. Every call appends one line
 *     <sample> <export>(<argument>, <argument>, ...)
 * to the file named by the environment variable RVC_PLUGIN_SAMPLE_LOG (nothing when it
 * is unset) and, when the call carries a trace object, hands the same line to it.
 * Pointers are written as "null" or "set", a trace object as the last argument "trace".
 *
 * The log is test instrumentation outside any installation: each line is one write to a
 * file opened for appending, so lines of several calls never mix. Plain C. */
#ifndef RVC_SAMPLE_LOG_H
#define RVC_SAMPLE_LOG_H

#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "plugins/plugin_api.h"

#define SAMPLE_PTR(p) ((p) != NULL ? "set" : "null")
#define SAMPLE_TEXT(s) ((s) != NULL ? (s) : "(null)")

/* Checks that the export `function` has the type `type` of plugin_api.h. */
#define SAMPLE_CHECK_TYPE(type, function) \
  static type* const function##_type_check __attribute__((unused)) = function

/* Records one call: `format` and its arguments give the text between the parentheses;
 * ", trace" is added when `trace` is not NULL. */
static inline void SampleRecord(const char* sample, const char* exportName, RvcPluginTrace* trace,
                                const char* format, ...) {
  char arguments[1024];
  char line[1200];
  va_list list;
  va_start(list, format);
  vsnprintf(arguments, sizeof arguments, format, list);
  va_end(list);
  snprintf(line, sizeof line, "%s %s(%s%s%s)", sample, exportName, arguments,
           trace != NULL && arguments[0] != '\0' ? ", " : "", trace != NULL ? "trace" : "");
  if (trace != NULL && trace->trace != NULL) trace->trace(trace->context, line);

  const char* path = getenv("RVC_PLUGIN_SAMPLE_LOG");
  if (path == NULL || path[0] == '\0') return;
  int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  size_t length = strlen(line);
  line[length] = '\n';
  ssize_t written = write(fd, line, length + 1);
  (void)written;
  close(fd);
}

#endif /* RVC_SAMPLE_LOG_H */
