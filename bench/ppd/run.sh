#!/usr/bin/env bash
# Builds the PPD benchmark in Release (build-bench-ppd, -j2) and runs it: generating a PPD
# of binary screening for 10, 100 and 400 resolutions (100: about 87,000 lines) against
# writing the same bytes line by line through one buffered stream (default and 64 KB
# buffer), in the same run. Prints the time ratios, the peak heap and the resident size of
# generation per size at the end. Extra arguments go to the benchmark, e.g.
# --benchmark_repetitions=5.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$PWD/build-bench-ppd
cmake -S bench/ppd -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 ppd_bench >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/ppd_bench" --benchmark_counters_tabular=true --benchmark_out="$out" --benchmark_out_format=json "$@"
# Resident size of processes that only generate, one per size.
rss=""
for n in 10 100 400; do
  kib=$("$build/ppd_bench" --benchmark_filter="^Generate/$n/" --benchmark_min_time=0.2 --benchmark_format=json |
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
