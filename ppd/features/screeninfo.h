// The screening library: the dot shapes a RIP installation offers, each with the text its
// user interfaces show for it.
//
// Data: "dotshapes.dat" in the screening data folder (normally "%KW_DATA_SCREENS%"), a
// resource database with one topic per dot shape, in the order they are offered; the item
// "Display" of a topic is the dot shape's display text (the name itself when missing).
// See docs/feature-components.md.
#pragma once

namespace rvc::features {

inline constexpr int kDotNameSize = 200;

// One dot shape as scrinfo_list_dots hands it out: zero-terminated texts, cut to fit.
struct ScrinfoDot {
  char name[kDotNameSize];
  char display[kDotNameSize];
};

struct ScrinfoHandle;

// Opens the screening data of `folder`, a path that may hold environment references and
// is expanded here. nullptr when it does not name an existing folder (a variable unset,
// no such folder).
ScrinfoHandle* scrinfo_open(const char* folder);
// Fills up to `capacity` records of `dots` in list order and sets `count` to the number
// filled. 0 on success; -1 for a null handle or an unreadable "dotshapes.dat" (count 0).
// A folder without "dotshapes.dat" has no dot shapes.
int scrinfo_list_dots(ScrinfoHandle* handle, ScrinfoDot* dots, int capacity, int* count);
void scrinfo_close(ScrinfoHandle* handle);

}  // namespace rvc::features
