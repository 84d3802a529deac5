#!/usr/bin/env bash
# Loading a flavour catalogue of 10 flavours with 10 dispatchers each against reading the
# bytes of the files that load reads and listing the folders it searches, in one run: once
# with the list files ("rvc2.cfg", "rvc1.cfg") and once rebuilt from disk without them.
# Builds the benchmark in Release (build-bench-catalogue, or $RVC_BENCH_BUILD: see
# bench/common/bench_build.sh), generates the installation from the bundled sample in a
# temporary folder (about 4,000 small files, well under 50 MB), runs 20 interleaved
# repetitions (3 with --quick) on a warm page cache, and prints the medians, the ratios
# load / read and the peak heap of one load, then the resident size of a process that
# only loads, per variant. Goals: the load within 1.3x of reading the same files and
# listing the same folders with list files, 1.35x rebuilt. The generated installation is
# removed at the end.
#
#   bench/catalogue/run.sh [--quick]             # in $TMPDIR (or /tmp)
#   BENCH_DIR=/data bench/catalogue/run.sh --benchmark_repetitions=9
# Extra arguments go to the benchmark (they come after the defaults and so win).
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common/bench_build.sh
bench_quick "$@"
bench_build catalogue "$PWD/build-bench-catalogue" catalogue_bench
bench=$bench_bin/catalogue_bench
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}

work=$(mktemp -d "$parent/catalogue-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

repetitions=20 min_time=0.1
((quick)) && repetitions=3 min_time=0.02
"$bench" --root="$work/installation" --benchmark_repetitions=$repetitions --benchmark_min_time=$min_time \
  --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=true \
  --benchmark_counters_tabular=true --benchmark_out="$work/result.json" --benchmark_out_format=json \
  "${bench_args[@]}"
echo
bench/common/gbench_goals.py "$work/result.json" \
  "catalogue load with list files vs reading its files and listing its folders|Load/list/real_time|ReadAndList/list/real_time|1.3" \
  "catalogue load rebuilt from disk vs reading its files and listing its folders|Load/rebuild/real_time|ReadAndList/rebuild/real_time|1.35"

echo
echo "resident size of a process that generates the installation and loads it once (KiB):"
for variant in list rebuild; do
  "$bench" --root="$work/rss-$variant" --load-once="$variant"
done
