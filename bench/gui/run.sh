#!/usr/bin/env bash
# Start-up benchmark of the interactive program. Builds rvc_setup and the programs of
# bench/gui in Release (build-bench-gui, or $RVC_BENCH_BUILD: see
# bench/common/bench_build.sh), lays out the bundled sample installation, and on one Xvfb
# server times, in turns, rvc_setup on the sample and two bare Qt windows of the same Qt,
# each from process start to the first paint of its main window: an empty one, and one
# with a line of text in the application's font ("label"), which pays for loading the
# font database as any window with text does. Prints the medians, their ratios and the
# peak resident size (getrusage ru_maxrss) of each, and checks the goals: within 1.15x
# the window with text and 1.5x the empty one, under 50 MB.
#
# The X server runs with -noreset, as a desktop's server does: without it, Xvfb resets
# whenever its last client leaves, and each program would wait for the reset after the one
# before it.
#
#   bench/gui/run.sh [--quick] [RUNS]      default: 20 timed starts of each (5 with --quick)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common/bench_build.sh
bench_quick "$@"
runs=${bench_args[0]:-20}
((quick)) && runs=${bench_args[0]:-5}
command -v xvfb-run >/dev/null || { echo "$0: xvfb-run not found (Debian: apt-get install xvfb)" >&2; exit 1; }
bench_build gui "$PWD/build-bench-gui" rvc_setup gui_bench gui_bench_bare gui_bench_label

scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
scripts/lay_out_sample.sh "$scratch/sample" >/dev/null
# Whoever runs the benchmark administers the copy: no login dialog.
echo "RAVLIN_ADMIN_GROUP=$(id -gn)" >>"$scratch/sample/environment"
mkdir -m 700 "$scratch/run"

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), Qt $(
  dpkg-query -W -f '${Version}' libqt6widgets6 2>/dev/null || echo '?'), $runs runs each"
env RAVLIN_ENVIRONMENT_FILE="$scratch/sample/environment" XDG_RUNTIME_DIR="$scratch/run" \
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  "$bench_bin/gui_bench" --runs "$runs" bare="$bench_bin/gui_bench_bare" label="$bench_bin/gui_bench_label" \
  rvc_setup="$bench_top/apps/rvc_setup/rvc_setup" |
  tee "$scratch/result"

echo
awk '$1 == "spread" { spread[$2 "/" $3] = sprintf("%.2f-%.2f", $4, $5); next }
  $1 == "bare" || $1 == "label" || $1 == "rvc_setup" { paint[$1] = $3; rss[$1] = $8 }
  function goal(name, ours, reference, limit,   ratio) {
    ratio = paint[ours] / paint[reference]
    printf "GOAL|%s|%.1f|%.1f|ms|%.2f|%s|%s|%s\n", name, paint[ours], paint[reference], ratio,
      spread[ours "/" reference], limit, (ratio <= limit ? "met" : "MISSED")
  }
  END {
    goal("GUI first paint vs bare window with one label", "rvc_setup", "label", 1.15)
    goal("GUI first paint vs empty bare window", "rvc_setup", "bare", 1.5)
    printf "GOAL|GUI peak resident size vs bare window with one label|%.1f|%.1f|MiB|%.2f|-|under 50 MiB|%s\n",
      rss["rvc_setup"], rss["label"], rss["rvc_setup"] / rss["label"], (rss["rvc_setup"] < 50 ? "met" : "MISSED")
  }' "$scratch/result"
