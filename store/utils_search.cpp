#include <vector>

#include "store/rvc_utils.h"

namespace rvc::store {

// The listing behind FindFirstMatch / FindNextMatch.
struct CRvcUtils::SearchState {
  std::vector<std::pair<std::string, int64_t>> matches;  // name, last-write time
  size_t next = 0;
};

CRvcUtils::CRvcUtils() = default;
CRvcUtils::~CRvcUtils() = default;

}  // namespace rvc::store
