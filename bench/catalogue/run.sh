#!/usr/bin/env bash
# Loading a flavour catalogue of 10 flavours with 10 dispatchers each against reading the
# bytes of the files that load reads and listing the folders it searches, in one run: once
# with the list files ("rvc2.cfg", "rvc1.cfg") and once rebuilt from disk without them.
# Builds the benchmark in Release (build-bench-catalogue, -j2), generates the installation
# from the bundled sample in a temporary folder (about 4,000 small files, well under
# 50 MB), runs five interleaved repetitions on a warm page cache, and prints the medians,
# the ratios load / read (goal: at most 3 against the files and folders) and the peak heap
# of one load. Then the resident size of a process that only
# loads, per variant. The generated installation is removed at the end.
#
#   bench/catalogue/run.sh                        # in $TMPDIR (or /tmp)
#   BENCH_DIR=/data bench/catalogue/run.sh --benchmark_repetitions=9
# Extra arguments go to the benchmark (they come after the defaults and so win).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$PWD/build-bench-catalogue
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}

echo "building the benchmark (Release) in $build"
cmake -S bench/catalogue -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 catalogue_bench >/dev/null
bench=$build/catalogue_bench

work=$(mktemp -d "$parent/catalogue-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$bench" --root="$work/installation" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true --benchmark_counters_tabular=true "$@"

echo
echo "resident size of a process that generates the installation and loads it once (KiB):"
for variant in list rebuild; do
  "$bench" --root="$work/rss-$variant" --load-once="$variant"
done
