// The colour management library: colour strategies and the ICC profiles of the
// installation's colour management database.
//
// Data: the folder named by KW_CMS (the database):
//   strategies.dat  a resource database with one topic per colour strategy (colour
//                   transformation), in the order they are offered; optional
//   profiles/       ICC profiles ("*.icc", "*.icm"), read with Little CMS; optional
// See docs/feature-components.md.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rvc::features {

// Error codes that cdb_error_get hands out after a failed TCMS_Init.
enum CmsError : int {
  kCmsNotDefined = 1,           // KW_CMS is unset or empty
  kCmsFolderMissing = 2,        // it names no readable folder
  kCmsStrategiesUnreadable = 3,  // strategies.dat exists but cannot be read
  kCmsLibraryMissing = 4         // Little CMS, which reads the profiles, cannot be loaded
};

// Opens the database. 0 on success; non-zero after failure, with the reasons queued for
// cdb_error_get. Calling it again starts afresh.
int TCMS_Init();
// Closes the database; the lists handed out become invalid.
void TCMS_End();
// The next queued error of the last TCMS_Init and its code, or nullptr when none is left.
// The text stays valid until the next call.
const char* cdb_error_get(int* code);

// The colour strategy names in database order; `count` receives their number. The array
// belongs to the library and stays valid until the next call or TCMS_End; nullptr (count
// 0) without an open database.
const char* const* TCMSDB_ColTransfListAll(int* count);

// State of a profile scan; a value-initialised one starts a new scan.
struct TCMSDB_Scan {
  bool started = false;
  std::vector<std::string> names;
  size_t next = 0;
};

// The next profile of `profileClass` ("print", "monitor", "input", "link", "abstract",
// "colorspace", "named"), or nullptr when there is none left. Profiles come in the order
// of their file names (ignoring case); a profile's name is its description, else its
// file name without the extension. `colorSpace` 0 takes every data colour space, else
// only profiles of that ICC signature ('CMYK', 'GRAY', ...); `flags` must be 0. The text
// stays valid as long as `scan`.
const char* TCMSDB_ProcScan(TCMSDB_Scan* scan, const char* profileClass, int colorSpace, int flags);

}  // namespace rvc::features
