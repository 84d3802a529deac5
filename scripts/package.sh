#!/usr/bin/env bash
# Builds the Debian package (release preset), checks it with lintian (no errors allowed),
# and runs the packaged programs from scratch roots: the package unpacked with dpkg -x,
# and the same build installed under another prefix (/opt/ravlin) with DESTDIR. Both run
# on a copy of the sample installation whose environment file leaves
# KW_PROG_RAVLINCONFIG unset, so the programs must find their data beside themselves.
#
#   scripts/package.sh          # prints the path of the package last
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh lintian

cmake --preset release >/dev/null
cmake --build --preset release --target package
deb=$(ls -t build-release/ravlin-configurator_*.deb | head -n 1)

echo "lintian $deb"
lintian_out=$(lintian "$deb" 2>&1 | grep -v "running with root privileges" || true)
[[ -z "$lintian_out" ]] || printf '%s\n' "$lintian_out"
if grep -q '^E:' <<<"$lintian_out"; then
  echo "$0: lintian reports errors" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
dpkg -x "$deb" "$scratch/deb"
DESTDIR="$scratch/opt" cmake --install build-release --prefix /opt/ravlin >/dev/null

scripts/lay_out_sample.sh "$scratch/sample" >/dev/null
grep -v '^KW_PROG_RAVLINCONFIG=' "$scratch/sample/environment" >"$scratch/environment"
export RAVLIN_ENVIRONMENT_FILE="$scratch/environment"

for bin in "$scratch/deb/usr/bin" "$scratch/opt/opt/ravlin/bin"; do
  echo "running the programs in $bin"
  "$bin/ravlinctl" --version
  "$bin/rvc_setup" --version
  # A job: rewrite the launchers of the Tiffmono dispatchers; its trace must end with Stop.
  rm -f "$scratch/sample/config/trace_rvc_version.txt"
  "$bin/rvc_setup" Tiffmono -v
  tail -n 1 "$scratch/sample/config/trace_rvc_version.txt" | grep -q 'Stop' ||
    { echo "$0: the version job of $bin did not finish" >&2; exit 1; }
  # PPD generation reads PpdInfo.dat and the INF template from the installed data.
  "$bin/ravlinctl" ppd Mono --yes
  "$bin/ravlinctl" doctor
done
echo "$deb"
