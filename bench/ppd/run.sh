#!/usr/bin/env bash
# Builds the PPD benchmark in Release (build-bench-ppd, or $RVC_BENCH_BUILD: see
# bench/common/bench_build.sh) and runs it: generating a PPD of binary screening for 10,
# 100 and 400 resolutions (100: about 87,000 lines) against writing the same bytes line by
# line through one buffered stream (default and 64 KB buffer), in the same run, 20
# interleaved repetitions (3 with --quick). Prints the time ratios, the peak heap and the
# resident size of generation per size at the end. Goal: the PPD of 100 resolutions
# within 1.5x the buffered stream. Extra arguments go to the benchmark.
#
#   bench/ppd/run.sh [--quick] [benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common/bench_build.sh
bench_quick "$@"
bench_build ppd "$PWD/build-bench-ppd" ppd_bench
bench=$bench_bin/ppd_bench
out=$(mktemp)
trap 'rm -f "$out"' EXIT
repetitions=20 min_time=0.1
((quick)) && repetitions=3 min_time=0.02
"$bench" --benchmark_repetitions=$repetitions --benchmark_min_time=$min_time \
  --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=true \
  --benchmark_counters_tabular=true --benchmark_out="$out" --benchmark_out_format=json "${bench_args[@]}"
# Resident size of processes that only generate, one per size.
rss=""
for n in 10 100 400; do
  kib=$("$bench" --benchmark_filter="^Generate/$n/" --benchmark_min_time=0.2 --benchmark_format=json |
    python3 -c 'import json,sys; print(int(json.load(sys.stdin)["benchmarks"][0]["maxrss_KiB"]))')
  rss="$rss $n=$kib"
done
python3 - "$out" "$rss" <<'PY'
import json, sys
# With repetitions the medians stand for each benchmark, else its one run.
runs, medians = {}, {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    key = b.get("run_name", b["name"]).replace("/real_time", "")
    if b.get("run_type") == "aggregate":
        if b.get("aggregate_name") == "median":
            medians[key] = b
    else:
        runs.setdefault(key, b)
runs.update(medians)
rss = dict(item.split("=") for item in sys.argv[2].split())
print()
print(f"{'resolutions':>11} {'lines':>8} {'MB':>6} {'generate ms':>12} {'stream ms':>10} {'ratio':>6}"
      f" {'stream 64K ms':>14} {'ratio':>6} {'peak heap KiB':>14} {'max RSS KiB':>12}")
for name, gen in runs.items():
    if not name.startswith("Generate/"):
        continue
    n = name.split("/")[1]
    base = runs.get(f"BufferedStream/{n}")
    if base is None:
        continue
    big = runs.get(f"BufferedStream64K/{n}", base)
    print(f"{n:>11} {int(gen['lines']):>8} {gen['bytes'] / 1e6:>6.1f} {gen['real_time']:>12.2f}"
          f" {base['real_time']:>10.2f} {gen['real_time'] / base['real_time']:>6.2f}"
          f" {big['real_time']:>14.2f} {gen['real_time'] / big['real_time']:>6.2f}"
          f" {gen['peak_heap_KiB']:>14.1f} {rss.get(n, '?'):>12}")
print("ratio: generate / stream (goal: at most 1.5); max RSS: a process that only generates that PPD")
PY
echo
bench/common/gbench_goals.py "$out" \
  "PPD of 100 resolutions vs the same bytes through one buffered stream|Generate/100/real_time|BufferedStream/100/real_time|1.5"
