#!/usr/bin/env bash
# The settings editor's speed, each against its reference in the same run:
#
# - model load: opening the Modify dialog's model (the dialog object and its General,
#   Setup and Swapfiles pages) on a dispatcher whose RIP configuration holds 50
#   configurations, 200 media and 40 resolution sets, against reading the bytes of the
#   files that opening reads; in one process, in alternation (settings_model_bench).
#   Goal: at most 2x.
# - first paint: the Modify dialog against a bare QDialog with a QTabWidget of as many
#   empty tabs, of the same size, on one Xvfb server (settings_paint_bench). Timed from
#   the dialog's construction (our model's opening included) to its first painted frame,
#   in one process and in alternation, not from process start: a process start measures
#   the same Qt start-up twice (bench/gui times that for the main window) and the program's
#   own start-up, which the operator does not wait for when clicking Modify; within one
#   process both sides find Qt, its fonts and the style loaded and only the dialog's own
#   work differs. After two untimed rounds, each round keeps the fastest of three first
#   paints of each side (a single one waits for the X server and the scheduler, whose
#   delays on a loaded machine decide a round's ratio otherwise). Goal: at most 1.5x.
# - folder rename: `ravlinctl set NAME --folder NEW` on a dispatcher holding 200 MB
#   (process start, installation lock, journal and every rewritten file included) against
#   a shell script that moves the folder with `mv` and rewrites the same text files with
#   `sed -i` (renaming those whose names carry the folder). The files are those the first,
#   untimed, rename changed. Each round renames there and back with both; the compared
#   figure is the wall time including the `sync` that follows each (our files are synced
#   as they are written, the script's only by that sync). Goal: at most 1.1x.
#
# The dispatcher measured is the sample's Mono1 (flavour Tiffmono), whose device type
# adds the sample plug-in's two pages, so its dialog has five tabs. Each goal prints one
# line "GOAL|name|ours|reference|ms|ratio|min-max of the per-round ratios|limit|met or
# MISSED" (bench/common conventions).
#
#   bench/settings/run.sh [--quick]      default: 20 rounds for the dialog, 7 renames
#   RVC_BENCH_BUILD=DIR bench/settings/run.sh    build in a shared Release tree
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=20 renames=7 megabytes=200
if [[ ${1:-} == --quick ]]; then
  runs=3 renames=2 megabytes=10
elif [[ $# -gt 0 ]]; then
  echo "usage: $0 [--quick]" >&2
  exit 2
fi
command -v xvfb-run >/dev/null || { echo "$0: xvfb-run not found (Debian: apt-get install xvfb)" >&2; exit 1; }

targets=(settings_model_bench settings_paint_bench ravlinctl rvc_plugin_samples)
if [[ -n ${RVC_BENCH_BUILD:-} ]]; then
  build=$RVC_BENCH_BUILD
else
  build=$root/build-bench-settings
  cmake -S bench/settings -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRVC_BUILD_PLUGIN_SAMPLES=ON >/dev/null
fi
echo "building ${targets[*]} (Release) in $build"
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
found() { find "$build" -name "$1" -type f -perm -u+x -print -quit; }
model=$(found settings_model_bench) paint=$(found settings_paint_bench) ravlinctl=$(found ravlinctl)
plugins=$(dirname "$(find "$build" -name 'librvc_sample_dispatcher.so' -print -quit)")
[[ -x "$model" && -x "$paint" && -x "$ravlinctl" ]] || { echo "$0: the drivers were not built" >&2; exit 1; }

parent=${TMPDIR:-/tmp}
source bench/common/work_folder.sh
make_work_folder "$parent" settings-bench $((megabytes + 50))
install=$work/ravlin
RVC_PLUGIN_SAMPLES_DIR=$plugins scripts/lay_out_sample.sh "$install" >/dev/null
# Whoever runs the benchmark administers the copy: no password is asked.
echo "RAVLIN_ADMIN_GROUP=$(id -gn)" >>"$install/environment"
export RAVLIN_ENVIRONMENT_FILE=$install/environment
data=$install/data/Tiffmono
from=CtP_platedriver to=Bench_plates

echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $runs rounds"
"$model" grow "$data/$from/data/zv_config.res" 50 200 40
"$model" load --runs "$runs" Mono1
mkdir -m 700 "$work/run"
XDG_RUNTIME_DIR=$work/run xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$paint" --runs "$runs" Mono1

# The dispatcher's jobs (bench/common/filler.sh).
source bench/common/filler.sh
write_filler "$data/$from/spool" $((megabytes * 1024 * 1024)) >/dev/null
sync
echo "Mono1: $(find "$data/$from" -type f | wc -l) files, $(du -sm "$data/$from" | cut -f1) MB"

source bench/common/timed_rounds.sh
ours() { timed ours "$ravlinctl" set Mono1 --folder "$1"; }

# The untimed first rename names the files it rewrites; '@' stands for the folder name.
touch "$work/before"
sleep 0.05
"$ravlinctl" set Mono1 --folder "$to" >/dev/null
mapfile -t rewritten < <(find "$install" -type f -newer "$work/before" ! -path '*/spool/*' ! -name 'trace_rvc.txt' \
  ! -name '*.lock' | sed "s|$to|@|g")
"$ravlinctl" set Mono1 --folder "$from" >/dev/null
echo "rewritten by a rename: ${rewritten[*]#"$install/"}"

cat >"$work/reference.sh" <<'SCRIPT'
#!/usr/bin/env bash
# reference.sh DATA FROM TO FILE...: the folder moved, the files rewritten ('@' = folder).
set -eu
data=$1 from=$2 to=$3
shift 3
mv -- "$data/$from" "$data/$to"
for file in "$@"; do
  folder=${file%/*} name=${file##*/}
  old=${folder//@/$to}/${name//@/$from} new=${file//@/$to}
  if [[ $old != "$new" ]]; then mv -- "$old" "$new"; fi
  sed -i "s|$from|$to|g" "$new"
done
SCRIPT
chmod +x "$work/reference.sh"
reference() { timed reference "$work/reference.sh" "$data" "$1" "$2" "${rewritten[@]}"; }

sync
for ((round = 0; round < renames; round++)); do
  if ((round % 2 == 0)); then
    ours "$to"; ours "$from"; reference "$from" "$to"; reference "$to" "$from"
  else
    reference "$from" "$to"; reference "$to" "$from"; ours "$to"; ours "$from"
  fi
done
table 10 reference reference ours
# Column 3 is the wall time with the sync; the spread pairs the renames in order.
read -r o _ _ <<<"$(stats ours 3)"
read -r r _ _ <<<"$(stats reference 3)"
spread=$(paste -d' ' <(cut -d' ' -f3 "$work/ours.times") <(cut -d' ' -f3 "$work/reference.times") |
  awk '{r = $1 / $2; if (NR == 1 || r < lo) lo = r; if (NR == 1 || r > hi) hi = r} END {printf "%.2f-%.2f", lo, hi}')
awk -v o="$o" -v r="$r" -v s="$spread" -v mb="$megabytes" 'BEGIN {
  ratio = o / r
  printf "GOAL|folder rename of a dispatcher holding %d MB vs mv plus rewriting its text files|%d|%d|ms|%.2f|%s|1.1|%s\n",
    mb, o, r, ratio, s, (ratio <= 1.1 ? "met" : "MISSED")
}'
