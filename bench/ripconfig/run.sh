#!/usr/bin/env bash
# The RIP configuration editor on a configuration of 50 configurations, 200 media and 40
# resolution sets of 100 values, side by side with plain file access in one run:
#   - the configuration dialog's opening on the handle the General page holds, against
#     reading the bytes of the configuration files (goal: at most 2x); the library's
#     opening of the files with the dialog on top is shown below it;
#   - writing after one changed resolution value against writing the same bytes through
#     the atomic-file component (goal: at most 1.2x).
# Prints one GOAL line per goal (bench/ripconfig/ripconfig_bench.cpp explains the
# figures). Builds in Release: in $RVC_BENCH_BUILD when set, else in build-bench-ripconfig.
#
#   bench/ripconfig/run.sh [--quick] [--folder DIR]   # DIR: where the files go ($TMPDIR)
set -euo pipefail
cd "$(dirname "$0")/../.."
if [[ -n "${RVC_BENCH_BUILD:-}" ]]; then
  cmake --build "$RVC_BENCH_BUILD" -j2 --target ripconfig_bench >/dev/null
  bench=$(find "$RVC_BENCH_BUILD" -name ripconfig_bench -type f -perm -u+x | head -n1)
else
  build=$PWD/build-bench-ripconfig
  cmake -S bench/ripconfig -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target ripconfig_bench >/dev/null
  bench=$build/ripconfig_bench
fi
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
exec "$bench" "$@"
