// The curve library: the dot gain curves of the installation, by kind.
//
// Data: the folder named by KW_DATA_DGC; every curve is one file whose extension gives its
// kind and whose name without the extension is the curve's name (blanks allowed). The
// points inside are read by the RIP. See docs/feature-components.md.
#pragma once

namespace rvc::features {

// Kinds of curve resources.
enum CurveKind : int {
  kCurveDgc = 3,     // simple dot gain curve, "*.dgc"
  kCurveScrDgc = 4,  // dot gain curve of a screening, "*.scrdgc"
  kCurveIcpro = 8,   // press characterisation curve, "*.icpro"
};

struct CCurveContext;

// nullptr when KW_DATA_DGC does not name a readable folder.
CCurveContext* CCurveInit();
// The names of the curves of `kind`, sorted ignoring case, as a null-terminated array;
// nullptr for a null context, an unknown kind or a folder that cannot be read. The caller
// releases each name and then the array with free().
char** CCurveListResources(CCurveContext* context, int kind);
void CCurveExit(CCurveContext* context);

}  // namespace rvc::features
