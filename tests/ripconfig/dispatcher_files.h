// A dispatcher's configuration files for the ripconfig tests: a folder with
// data/zv_config.res, zv_film.res, zv_recorder.res and data/data/zv_names.res.
#pragma once

#include <string>

#include "tests/support/test_support.h"

namespace rvc::ripconfig::testing {

inline const char* const kConfigRes =
    "; RIP configurations\n"
    "[Main]\n"
    "confs=maxsize A4\n"
    "sets=set_0 set_1\n"
    "used=A4\n"
    "origin=DEFAULT\n"
    "\n"
    "[PavoNet]\n"
    "commandport=4100\n"
    "ldir1=/var/rip/ldir1\n"
    "ldir2=/var/rip/ldir2\n"
    "\n"
    "[maxsize]\n"
    "name=maxsize\n"
    "film=Maxsize\n"
    "set=set_0\n"
    "output=\n"
    "vsize=20000\n"
    "hsize=14000\n"
    "polarity=1\n"
    "curve=\n"
    "\n"
    "[A4]\n"
    "name=A4\n"
    "film=A4\n"
    "set=set_1\n"
    "output=/var/rip/out\n"
    "vsize=11693\n"
    "hsize=8268\n"
    "polarity=0\n"
    "curve=Plate DGC\n"
    "rip_private=kept\n"
    "\n"
    "[set_0]\n"
    "name=set_0\n"
    "res1=2000,1,0,0,0.0,0.0,1000.0,1000.0\n"
    "res2=2400, 1, 55, 1, 0.5, 0, 1000, 990\n"
    "\n"
    "[set_1]\n"
    "name=set_1\n"
    "res1=1200,1,0,0,0,0,1000,1000\n";

inline const char* const kFilmRes =
    "[Maxsize]\n"
    "vsize=20000\n"
    "hsize=14000\n"
    "polarity=1\n"
    "sizetext=20.0\" x 14.0\"\n"
    "flag=0\n"
    "curve=\n"
    "\n"
    "[A4]\n"
    "vsize=11693\n"
    "hsize=8268\n"
    "polarity=0\n"
    "sizetext=11.7\" x 8.3\"\n"
    "flag=2\n"
    "curve=Plate DGC\n";

inline const char* const kRecorderRes =
    "[Recorder]\n"
    "maxwidth=14000\n"
    "maxheight=20000\n"
    "pixelclock=120.5\n"
    "perimeter=0\n";

inline const char* const kNamesRes =
    "[Names]\n"
    "name1=Default\n"
    "name2=PavoNet\n";

// Writes the files into <dir>/Press/data and returns the zv_config.res path.
inline std::string WriteDispatcher(const test::TempDir& dir) {
  test::WriteFile(dir / "Press/data/zv_config.res", kConfigRes);
  test::WriteFile(dir / "Press/data/zv_film.res", kFilmRes);
  test::WriteFile(dir / "Press/data/zv_recorder.res", kRecorderRes);
  test::WriteFile(dir / "Press/data/data/zv_names.res", kNamesRes);
  return dir / "Press/data/zv_config.res";
}

}  // namespace rvc::ripconfig::testing
