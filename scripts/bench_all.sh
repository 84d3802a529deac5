#!/usr/bin/env bash
# Runs every benchmark (bench/*/run.sh) on one shared Release build tree and prints the
# goals they report as one Markdown table: the machine, the date, and per goal the
# medians of ours and of the reference, their ratio, the spread of the per-round ratios,
# the limit and whether it was met. That table is what README.md shows.
#
#   scripts/bench_all.sh [--quick] [--only NAME...]
#     --quick  passed to each run.sh: few runs on small data, a smoke test
#     --only   only the named benchmarks (folder names below bench/)
#
# The build tree is build-bench at the repository top (RVC_BENCH_BUILD overrides it);
# each benchmark's full output goes to <build tree>/logs/<name>.log. Exits non-zero when a
# goal was missed or a benchmark failed.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
quick=()
only=()
while (($#)); do
  case $1 in
    --quick) quick=(--quick) ;;
    --only)
      shift
      while (($#)) && [[ $1 != --* ]]; do only+=("$1"); shift; done
      continue
      ;;
    *) echo "usage: $0 [--quick] [--only NAME...]" >&2; exit 2 ;;
  esac
  shift
done

export RVC_BENCH_BUILD=${RVC_BENCH_BUILD:-$top/build-bench}
logs=$RVC_BENCH_BUILD/logs
mkdir -p "$logs"
echo "configuring $RVC_BENCH_BUILD (Release)" >&2
cmake -S . -B "$RVC_BENCH_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRVC_BUILD_BENCH=ON -DRVC_BUILD_TESTS=OFF \
  -DRVC_BUILD_PLUGIN_SAMPLES=ON >"$logs/configure.log" 2>&1 || { cat "$logs/configure.log" >&2; exit 1; }

names=()
for script in bench/*/run.sh; do
  name=$(basename "$(dirname "$script")")
  if ((${#only[@]})) && [[ " ${only[*]} " != *" $name "* ]]; then continue; fi
  names+=("$name")
done
((${#names[@]})) || { echo "no benchmark named ${only[*]}" >&2; exit 2; }

started=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
begin=$SECONDS
rows=()
failed=0
for name in "${names[@]}"; do
  echo "running bench/$name/run.sh ${quick[*]} (log: $logs/$name.log)" >&2
  t0=$SECONDS
  if bash "bench/$name/run.sh" "${quick[@]}" >"$logs/$name.log" 2>&1; then
    status=ok
  else
    status=failed
    failed=1
  fi
  lines=$(grep '^GOAL|' "$logs/$name.log" || true)
  if [[ -z $lines ]]; then
    rows+=("| $name | (no goal reported: $status, see $logs/$name.log) | | | | | | |")
    failed=1
  else
    while IFS='|' read -r _ goal ours reference unit ratio spread limit result; do
      [[ $result == met ]] || failed=1
      [[ $result == met ]] || result="**$result**"
      rows+=("| $name | $goal | $ours $unit | $reference $unit | $ratio | $spread | $limit | $result |")
    done <<<"$lines"
  fi
  echo "  $status in $((SECONDS - t0)) s" >&2
done

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
ram=$(awk '/^MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)
echo
echo "Machine: $(nproc) cores, $cpu, $ram RAM; $(uname -sr)."
echo "Date: $started; load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg);" \
  "$((SECONDS - begin)) s${quick:+ (--quick: smoke test, not figures)}."
echo
echo "| benchmark | goal | ours (median) | reference (median) | ratio | spread | limit | result |"
echo "|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
exit "$failed"
