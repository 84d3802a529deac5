#!/usr/bin/env bash
# Dispatcher creation against `cp -r` of the source dispatcher's folder, in one run.
#
# Lays the sample installation out in a temporary folder, puts 200 MB of job files into
# the folder of Tiffmono's first dispatcher and then, ROUNDS times in alternation, copies
# that folder with `cp -r` and creates a dispatcher from it (CreateDispatcher with the
# source's queue setup, through the driver, process start and flavour loading included).
# Each round starts from a synced disk with the previous copy removed. The table shows
# the median wall time, user + system time, and wall time with the write-back of the
# dirty pages ("wall + sync"); "inside" is the time of CreateDispatcher alone, of its
# folder copy and of the other building steps. Ratios are against cp -r; the goal is at
# most 1.2 in wall + sync. With --quick: 20 MB, 2 rounds. Builds Release in
# build-bench-create, or in $RVC_BENCH_BUILD (bench/common/bench_build.sh).
#
#   bench/lifecycle/run.sh [--quick]       # ROUNDS=5, MB=200, in $TMPDIR (or /tmp)
#   ROUNDS=3 MB=50 BENCH_DIR=/data bench/lifecycle/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source bench/common/bench_build.sh
bench_quick "$@"
rounds=${ROUNDS:-5}
megabytes=${MB:-200}
((quick)) && rounds=${ROUNDS:-2} megabytes=${MB:-20}
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}

bench_build lifecycle "$root/build-bench-create" create_dispatcher_bench
driver=$bench_bin/create_dispatcher_bench

source bench/common/work_folder.sh
make_work_folder "$parent" create-dispatcher-bench $((megabytes * 3 + 50))
install=$work/ravlin
"$root/scripts/lay_out_sample.sh" "$install" >/dev/null
export RAVLIN_ENVIRONMENT_FILE=$install/environment
src=$install/data/Tiffmono/Tiffmono
created=$install/data/Tiffmono/Bench
copied=$work/copy

echo "generating $megabytes MB in $src"
"$driver" generate "$src" "$megabytes"
sync
echo "source: $(find "$src" -type f | wc -l) files, $(du -sm "$src" | cut -f1) MB on $(df -PT "$parent" | awk 'NR == 2 {print $2}')"

source bench/common/timed_rounds.sh

# Each creation adds "Bench" to the flavour's list file and writes its ini file; both go
# back to how they were, so that every round creates the same dispatcher afresh.
list_file=$install/data/Tiffmono/rvc1.cfg
cp -p "$list_file" "$work/rvc1.cfg"
clean() {
  rm -rf "$copied" "$created" "$install/hotfolders" "$install/data/Tiffmono/data/zvBench_dispatcher.ini"
  cp -p "$work/rvc1.cfg" "$list_file"
  sync
}

copy_round() {
  clean
  timed cp cp -r "$src" "$copied"
}
create_round() {
  clean
  timed CreateDispatcher "$driver" create Tiffmono Bench
  head -n 1 "$work/stdout" >>"$work/inside.times"
}
# The order alternates, so that neither tool always runs after the other.
for ((round = 1; round <= rounds; round++)); do
  printf 'round %d/%d\n' "$round" "$rounds"
  if ((round % 2)); then copy_round; create_round; else create_round; copy_round; fi
  if ((round == 1)); then
    diff -r "$src/jobs0" "$created/jobs0" >/dev/null || { echo "the new dispatcher lacks the source's files" >&2; exit 1; }
  fi
done
clean

echo
echo "median of $rounds rounds in milliseconds (min-max); ratio = tool / cp -r"
table 18 cp cp CreateDispatcher
# Inside the driver: CreateDispatcher as a whole, and of it the folder copy and the
# other building steps.
for column in 1 3 4; do
  read -r m lo hi <<<"$(stats inside "$column")"
  case $column in 1) what="inside: all" ;; 3) what="inside: copy" ;; 4) what="inside: other" ;; esac
  printf '%-18s %6d (%5d-%5d)\n' "$what" "$m" "$lo" "$hi"
done
goal "dispatcher creation vs cp -r of its folder (wall + sync)" CreateDispatcher cp 3 1.2
