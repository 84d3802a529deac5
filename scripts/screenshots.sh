#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots: the main window on the bundled sample
# installation, its New dialog and the tabs of its Modify dialog (General, Setup,
# Swapfiles and a page of the sample dispatcher plug-in), run under a virtual X server (Xvfb). The program grabs
# its own windows (RVC_SCREENSHOT, see gui/diagnostics.h). The configuration, media and
# resolution set dialogs are grabbed by their view test on its way through them, the
# Restore dialog and the backup's progress dialog by the Restore view's test.
#
#   scripts/screenshots.sh [OUTPUT_FOLDER]     default: docs/screenshots
#
# BUILD_DIR names the build folder (default: build, configured with the dev preset when
# missing). Needs xvfb (xvfb-run) and Qt 6 (qt6-base-dev).
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
out="$(realpath -m -- "${1:-docs/screenshots}")"
build="${BUILD_DIR:-build}"

command -v xvfb-run >/dev/null || { echo "$0: xvfb-run not found (Debian: apt-get install xvfb)" >&2; exit 1; }
if [[ ! -f "$build/build.ninja" ]]; then
  if [[ "$build" == build ]]; then cmake --preset dev >/dev/null; else cmake -S . -B "$build" -G Ninja >/dev/null; fi
fi
cmake --build "$build" --target rvc_setup rvc_plugin_samples gui_ripconfig_views_test gui_restore_view_test -- -j2

scratch="$(mktemp -d)"
trap 'rm -rf -- "$scratch"' EXIT
RVC_PLUGIN_SAMPLES_DIR="$build/plugin_samples" scripts/lay_out_sample.sh "$scratch/sample" >/dev/null
mkdir -m 700 "$scratch/run"

mkdir -p "$out"
shots=(main-window.png new-dispatcher.png modify-general.png modify-setup.png modify-swapfiles.png
  modify-plugin-page.png configuration.png media.png resolution-set.png restore.png backup-progress.png)
for shot in "${shots[@]}"; do rm -f -- "${out:?}/$shot"; done
# The first flavour of the sample has no PPD types; the screenshots show Ravlin Tiff with
# its second dispatcher clicked, whose device type names the sample plug-in libraries.
env RAVLIN_ENVIRONMENT_FILE="$scratch/sample/environment" XDG_RUNTIME_DIR="$scratch/run" \
  RVC_SCREENSHOT="$out" RVC_SCREENSHOT_FLAVOUR="Ravlin Tiff" RVC_SCREENSHOT_ROW=1 \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$repo/$build/apps/rvc_setup/rvc_setup"

env XDG_RUNTIME_DIR="$scratch/run" RVC_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$repo/$build/tests/gui/gui_ripconfig_views_test" >/dev/null
env XDG_RUNTIME_DIR="$scratch/run" RVC_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$repo/$build/tests/gui/gui_restore_view_test" >/dev/null

for shot in "${shots[@]}"; do
  [[ -s "$out/$shot" ]] || { echo "$0: $out/$shot was not taken" >&2; exit 1; }
done
echo "Screenshots in $out: ${shots[*]}"
