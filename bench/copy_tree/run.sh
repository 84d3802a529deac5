#!/usr/bin/env bash
# CopyTree against `cp -r` on the same tree, in one run: 500 MB in 2,000 files of 200 KB
# and 10,000 files of 10 KB, copied ROUNDS times by each tool in alternation.
#
# Each round starts from a synced disk with the target removed. Per tool the table shows
# "wall", the elapsed time of the command (process start included); "cpu", its user +
# system time, which other load on the machine disturbs much less; and "wall + sync",
# which adds writing the dirty pages back to the disk. Ratios are against cp -r; the goal
# is at most 1.2 in wall + sync. With --quick: 50 MB, 2 rounds. Builds Release in
# build-bench-copy, or in $RVC_BENCH_BUILD (bench/common/bench_build.sh).
#
#   bench/copy_tree/run.sh [--quick]  # ROUNDS=5, tree in $TMPDIR (or /tmp)
#   ROUNDS=3 BENCH_DIR=/data bench/copy_tree/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common/bench_build.sh
bench_quick "$@"
rounds=${ROUNDS:-5}
tree=(2000 204800 10000 10240)
((quick)) && rounds=${ROUNDS:-2} tree=(200 204800 1000 10240)
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}

bench_build copy_tree "$PWD/build-bench-copy" copy_tree_bench
driver=$bench_bin/copy_tree_bench

# Source, one target at a time and some room.
source bench/common/work_folder.sh
make_work_folder "$parent" copy-tree-bench $((((tree[0] * tree[1] + tree[2] * tree[3]) / 1024) * 12 / 5 / 1024))
src=$work/src
dst=$work/dst

echo "generating the tree in $src"
"$driver" generate "$src" "${tree[@]}"
sync
echo "tree: $(find "$src" -type f | wc -l) files, $(du -sm "$src" | cut -f1) MB on $(df -PT "$parent" | awk 'NR == 2 {print $2}')"

source bench/common/timed_rounds.sh

# copy <label> <command...>: one timed copy into an emptied destination.
copy() {
  rm -rf "$dst"
  sync
  timed "$@"
}

labels=(cp CopyTree CopyTree-noprogress)
for ((round = 1; round <= rounds; round++)); do
  printf 'round %d/%d\n' "$round" "$rounds"
  copy cp cp -r "$src" "$dst"
  copy CopyTree "$driver" copy "$src" "$dst"
  if ((round == 1)); then
    diff -r "$src" "$dst" >/dev/null || { echo "CopyTree made a different tree" >&2; exit 1; }
  fi
  copy CopyTree-noprogress "$driver" copy --no-progress "$src" "$dst"
done
rm -rf "$dst"

echo
echo "median of $rounds rounds in milliseconds (min-max); ratio = tool / cp -r"
table 20 cp "${labels[@]}"
goal "CopyTree vs cp -r (wall + sync)" CopyTree cp 3 1.2
