// The trace log: one text file per process that any part of the program appends
// time-stamped lines to.
//
// The file is shared by all CRvcTrace instances of the process and stays open while at
// least one lives. The first instance chooses the file; later ones write into it
// whatever name they were given. Tracing never fails its caller: when the file cannot be
// opened, lines are dropped.
//
// The file is opened without following a symbolic link in its place (O_NOFOLLOW) and
// used only when it is a regular file with one link, so that a link planted in a shared
// temporary folder leads nowhere; the lines are dropped then. Cutting a large file to
// its tail replaces it through platform::AtomicFile.
#pragma once

#include <string>
#include <string_view>

namespace rvc {

class IRvcTrace {
 public:
  virtual void Trace(std::string_view message) = 0;
  virtual ~IRvcTrace() = default;
};

class CRvcTrace : public IRvcTrace {
 public:
  // Files larger than this are cut to their last kKeptTail bytes when opened.
  static constexpr long kSizeLimit = 131072;
  static constexpr long kKeptTail = 8192;

  // `name` is a full file path, or empty for "trace_rvc.txt" in DefaultTraceFolder().
  explicit CRvcTrace(const std::string& name);
  ~CRvcTrace() override;
  CRvcTrace(const CRvcTrace&) = delete;
  CRvcTrace& operator=(const CRvcTrace&) = delete;

  // Appends "<local time %Y-%m-%d,%H:%M:%S>\tRVC::<message>\n" at the end of the file.
  void Trace(std::string_view message) override;

  // The folder of the trace files: "KW_DATA_RAVLINCONFIG" (after the installation's
  // environment is set up), else "%TMP%", else TMPDIR, else /tmp; it ends with the
  // separator.
  static std::string DefaultTraceFolder();

  // The path of the file in use, or "" when none is open.
  static std::string CurrentFile();
};

}  // namespace rvc
