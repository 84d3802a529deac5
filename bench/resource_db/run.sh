#!/usr/bin/env bash
# The resource database against its references, in one run (bench/resource_db/
# resource_db_bench.cpp): parsing 22 MB against a raw scan of its lines and against
# libinih, and a flush (one item per topic changed) against an atomic write of the same
# bytes. Each pair runs 20 interleaved repetitions (3 with --quick); then, without --quick,
# the lookups and the peak heap once. Builds Release in build-bench-rdb, or in
# $RVC_BENCH_BUILD (bench/common/bench_build.sh). Extra arguments go to the benchmark.
#
#   bench/resource_db/run.sh [--quick] [benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common/bench_build.sh
bench_quick "$@"
bench_build resource_db "$PWD/build-bench-rdb" resource_db_bench
bench=$bench_bin/resource_db_bench
out=$(mktemp)
trap 'rm -f "$out"' EXIT

repetitions=20 min_time=0.2
((quick)) && repetitions=3 min_time=0.05
"$bench" --benchmark_filter='^(Parse|Flush|Write/WriteFileAtomically)' --benchmark_repetitions=$repetitions \
  --benchmark_min_time=$min_time --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true --benchmark_counters_tabular=true \
  --benchmark_out="$out" --benchmark_out_format=json "${bench_args[@]}"
echo
bench/common/gbench_goals.py "$out" \
  "resource database parse vs raw line scan|Parse/ours|Parse/line_scan|1.5" \
  "resource database parse vs libinih|Parse/ours|Parse/inih|0.2" \
  "resource database flush vs atomic write of the same bytes|Flush/ours|Write/WriteFileAtomically|1.15"
if ((!quick)); then
  echo
  "$bench" --benchmark_filter='^(Memory|Lookup)' --benchmark_counters_tabular=true "${bench_args[@]}"
fi
