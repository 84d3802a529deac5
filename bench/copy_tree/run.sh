#!/usr/bin/env bash
# CopyTree against `cp -r` on the same tree, in one run: 500 MB in 2,000 files of 200 KB
# and 10,000 files of 10 KB, copied ROUNDS times by each tool in alternation.
#
# Each round starts from a synced disk with the target removed. Per tool the table shows
# "wall", the elapsed time of the command (process start included); "cpu", its user +
# system time, which other load on the machine disturbs much less; and "wall + sync",
# which adds writing the dirty pages back to the disk. Ratios are against cp -r.
#
#   bench/copy_tree/run.sh            # ROUNDS=5, tree in $TMPDIR (or /tmp)
#   ROUNDS=3 BENCH_DIR=/data bench/copy_tree/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$root/build-bench-copy
rounds=${ROUNDS:-5}
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}

echo "building the driver (Release) in $build"
cmake -S bench/copy_tree -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 copy_tree_bench >/dev/null
driver=$build/copy_tree_bench

# Source, one target at a time and some room.
need_kb=$((1200 * 1024))
free_kb=$(df -Pk "$parent" | awk 'NR == 2 {print $4}')
if ((free_kb < need_kb)); then
  echo "need $((need_kb / 1024)) MB free in $parent, have $((free_kb / 1024)) MB" >&2
  exit 1
fi

work=$(mktemp -d "$parent/copy-tree-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$work/src
dst=$work/dst

echo "generating the tree in $src"
"$driver" generate "$src" 2000 204800 10000 10240
sync
echo "tree: $(find "$src" -type f | wc -l) files, $(du -sm "$src" | cut -f1) MB on $(df -PT "$parent" | awk 'NR == 2 {print $2}')"

now_ms() { date +%s%3N; }

# run <label> <command...>: one timed round; appends "wall cpu wall+sync" in
# milliseconds to the label's file.
run() {
  local label=$1
  shift
  rm -rf "$dst"
  sync
  local real user sys start end
  if ! { TIMEFORMAT='%3R %3U %3S'; time "$@" 2>"$work/stderr"; } 2>"$work/time"; then
    cat "$work/stderr" >&2
    exit 1
  fi
  start=$(now_ms)
  sync
  end=$(now_ms)
  read -r real user sys <"$work/time"
  awk -v r="$real" -v u="$user" -v s="$sys" -v w="$((end - start))" \
    'BEGIN {printf "%d %d %d\n", r * 1000, (u + s) * 1000, r * 1000 + w}' >>"$work/$label.times"
}

labels=(cp CopyTree CopyTree-noprogress)
for ((round = 1; round <= rounds; round++)); do
  printf 'round %d/%d\n' "$round" "$rounds"
  run cp cp -r "$src" "$dst"
  run CopyTree "$driver" copy "$src" "$dst"
  if ((round == 1)); then
    diff -r "$src" "$dst" >/dev/null || { echo "CopyTree made a different tree" >&2; exit 1; }
  fi
  run CopyTree-noprogress "$driver" copy --no-progress "$src" "$dst"
done
rm -rf "$dst"

# stats <label> <column>: median, min and max in milliseconds.
stats() {
  cut -d' ' -f"$2" "$work/$1.times" | sort -n | awk '{v[NR] = $1} END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%d %d %d", m, v[1], v[NR]}'
}

echo
echo "median of $rounds rounds in milliseconds (min-max); ratio = tool / cp -r"
printf '%-20s %20s %6s %20s %6s %20s %6s\n' tool wall ratio cpu ratio "wall + sync" ratio
for label in "${labels[@]}"; do
  line=$(printf '%-20s' "$label")
  for column in 1 2 3; do
    read -r m lo hi <<<"$(stats "$label" "$column")"
    read -r base _ _ <<<"$(stats cp "$column")"
    line+=$(printf ' %6d (%5d-%5d) %6.2f' "$m" "$lo" "$hi" "$(awk -v a="$m" -v b="$base" 'BEGIN {print a / b}')")
  done
  echo "$line"
done
