#!/usr/bin/env bash
# Start-up benchmark of the interactive program. Builds rvc_setup and the two programs of
# bench/gui in Release (build-bench-gui, -j2), lays out the bundled sample installation,
# and on one Xvfb server times, in turns, rvc_setup on the sample and a bare Qt window of
# the same Qt, each from process start to the first paint of its main window. Prints the
# medians, their ratio and the peak resident size (getrusage ru_maxrss) of each, and
# checks the goals: within 1.5 times the bare window, under 100 MB. The "label" row is the
# bare window with one line of text: the share of loading the font database.
#
# The X server runs with -noreset, as a desktop's server does: without it, Xvfb resets
# whenever its last client leaves, and each program would wait for the reset after the one
# before it.
#
#   bench/gui/run.sh [RUNS]      default: 20 timed starts of each
set -euo pipefail
cd "$(dirname "$0")/../.."
runs="${1:-20}"
build=$PWD/build-bench-gui
command -v xvfb-run >/dev/null || { echo "$0: xvfb-run not found (Debian: apt-get install xvfb)" >&2; exit 1; }
cmake -S bench/gui -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 rvc_setup gui_bench gui_bench_bare gui_bench_label >/dev/null

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
  "$build/gui_bench" --runs "$runs" bare="$build/gui_bench_bare" label="$build/gui_bench_label" \
  rvc_setup="$build/rvc/apps/rvc_setup/rvc_setup" |
  tee "$scratch/result"

awk '$1 == "rvc_setup" {
  ratio = $7; rss = $8
  printf "goal first paint within 1.5x the bare window: %s (%.2fx)\n", (ratio <= 1.5 ? "met" : "MISSED"), ratio
  printf "goal peak resident size under 100 MB: %s (%.1f MiB)\n", (rss < 100 ? "met" : "MISSED"), rss
}' "$scratch/result"
