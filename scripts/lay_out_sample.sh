#!/usr/bin/env bash
# Lays out the bundled sample installation in TARGET: copies sample/ there (replacing a
# layout made there before), writes TARGET/environment, the installation's environment
# file, and tells how to point the configurator at it. The bundled copy is never changed.
#
#   scripts/lay_out_sample.sh TARGET
#   scripts/lay_out_sample.sh --new-version KEY TARGET
#
# TARGET must be missing, empty, or a layout made by this script. See
# docs/sample-installation.md for what the sample holds.
#
# --new-version lays out flavour KEY of the layout in TARGET as a newer version of itself,
# as an installer leaves it after removing the old version and installing the new one
# (docs/installer-jobs.md): a new program folder prog/KEY-next/ with fresh templates (each
# dispatcher ini template gains a topic "release" with "build=10.1.1"), named by the
# catalogues; the old program folder removed; and a data folder that holds only the
# flavour's default dispatcher (its folder and its ini copy, no list file) and the
# launcher copies ("*.bak") the install job kept there.
set -euo pipefail

usage() {
  echo "usage: $0 TARGET" >&2
  echo "       $0 --new-version KEY TARGET" >&2
  exit 2
}

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
source_dir="$repo/sample"
[[ -d "$source_dir/config" ]] || { echo "$0: no sample installation in $source_dir" >&2; exit 1; }
marker_line="# Environment of a sample installation laid out by scripts/lay_out_sample.sh"

new_version() {
  local key="$1" target
  target="$(realpath -m -- "$2")"
  [[ "$key" =~ ^[A-Za-z0-9_]+$ && -d "$source_dir/prog/$key" ]] || { echo "$0: no flavour $key in the sample" >&2; exit 1; }
  if [[ ! -f "$target/environment" || "$(head -n 1 -- "$target/environment")" != "$marker_line" ]]; then
    echo "$0: $target holds no layout made by this script" >&2
    exit 1
  fi
  local prog="$target/prog/$key" next="$target/prog/$key-next" data="$target/data/$key"
  rm -rf -- "$next"
  cp -R -- "$source_dir/prog/$key" "$next"
  # Configured paths of the program folder name the new one.
  sed -i "s/\\\\prog\\\\$key\\\\/\\\\prog\\\\$key-next\\\\/g" -- "$next/dat/types.dat"
  local ini
  for ini in "$next"/dat/templates/inifiles/*.ini; do
    printf '\n[release]\nbuild=10.1.1\n' >>"$ini"
  done
  for catalogue in "$target"/config/rvc*.dat; do
    sed -i "s/\\\\prog\\\\$key\\\\/\\\\prog\\\\$key-next\\\\/" -- "$catalogue"
  done
  rm -rf -- "$prog"
  # The new version's data folder: its default dispatcher only, in the folder named after
  # the flavour, and the launcher copies ("*.bak") that the install job keeps there.
  local kept
  kept="$(mktemp -d)"
  find "$data" -maxdepth 1 -type f -name '*.bak' -exec mv -t "$kept" -- {} + 2>/dev/null || true
  rm -rf -- "$data"
  mkdir -p -- "$data/data"
  find "$kept" -maxdepth 1 -type f -exec mv -t "$data" -- {} +
  rmdir -- "$kept"
  cp -R -- "$source_dir/data/$key/$key" "$data/$key"
  cp -- "$source_dir/data/$key/data/zv${key}_dispatcher.ini" "$data/data/"
  echo "Flavour $key of $target laid out as a new version: program folder $next, data folder $data (default dispatcher only)"
}

if (($# == 3)) && [[ "$1" == --new-version ]]; then
  new_version "$2" "$3"
  exit 0
fi
(($# == 1)) || usage
[[ -n "$1" ]] || usage

# An absolute, normalised path (the folder may not exist yet).
target="$(realpath -m -- "$1")"

case "$target/" in
  "$source_dir"/* ) echo "$0: $target lies inside the bundled sample; choose another folder" >&2; exit 1 ;;
esac
case "$source_dir/" in
  "$target"/* ) echo "$0: $target holds the bundled sample; choose another folder" >&2; exit 1 ;;
esac
if [[ "$target" == / ]]; then
  echo "$0: refusing to lay out the sample in /" >&2
  exit 1
fi

# Configured paths expand into at most 260 characters; the longest path of the sample
# below its root is about 60 characters.
if ((${#target} > 190)); then
  echo "$0: $target is too long (${#target} characters; at most 190)" >&2
  exit 1
fi

# Replace a previous layout, but never anything else.
if [[ -e "$target" || -L "$target" ]]; then
  if [[ ! -d "$target" || -L "$target" ]]; then
    echo "$0: $target exists and is not a folder" >&2
    exit 1
  fi
  if [[ -n "$(ls -A -- "$target")" ]]; then
    if [[ -f "$target/environment" ]] && [[ "$(head -n 1 -- "$target/environment")" == "$marker_line" ]]; then
      rm -rf -- "$target"
    else
      echo "$0: $target is not empty and holds no layout made by this script; not touching it" >&2
      exit 1
    fi
  fi
fi

mkdir -p -- "$target"
cp -R -- "$source_dir/." "$target/"
# Folders the configurator writes into: temporary copies and the two shortcut folders.
mkdir -p -- "$target/tmp" "$target/desktop" "$target/programs"
# The proof server's backup-and-restore tool is a stand-in script; it must stay runnable.
chmod +x -- "$target/prog/Proof/bin_ix86/cfgbackuprestore_setup" "$target/prog/Proof/bin_ix86/cfgconvert_setup"

# The sample plug-in libraries (plugins/samples/, built with the tests or with
# RVC_BUILD_PLUGIN_SAMPLES) go to TARGET/plugins, where the sample's types.dat names some
# of them. They are taken from RVC_PLUGIN_SAMPLES_DIR, else from the dev build; without
# them those device types simply have no plug-ins.
plugins_dir="${RVC_PLUGIN_SAMPLES_DIR:-$repo/build/plugin_samples}"
mkdir -p -- "$target/plugins"
if compgen -G "$plugins_dir/librvc_sample_*.so" >/dev/null; then
  cp -- "$plugins_dir"/librvc_sample_*.so "$target/plugins/"
else
  echo "Note: no sample plug-ins in $plugins_dir (build the target rvc_plugin_samples); the sample runs without them" >&2
fi

# The sample keeps its ICC profiles as hex text ("<profile>.icc.hex", lines starting with
# "#" are comments); the layout holds the binary profiles that Little CMS reads.
decode_hex() {
  local hex
  hex="$(grep -v '^#' -- "$1" | tr -d ' \t\r\n')"
  [[ "$hex" =~ ^([0-9a-fA-F][0-9a-fA-F])*$ ]] || { echo "$0: $1 is not hex text" >&2; exit 1; }
  printf "$(printf '%s' "$hex" | sed 's/../\\x&/g')"
}
while IFS= read -r -d '' hex; do
  decode_hex "$hex" >"${hex%.hex}"
  rm -f -- "$hex"
done < <(find "$target/cms" \( -iname '*.icc.hex' -o -iname '*.icm.hex' \) -type f -print0 2>/dev/null)

cat >"$target/environment" <<EOF
$marker_line
# Point the configurator at it with: export RAVLIN_ENVIRONMENT_FILE=$target/environment
RAVLIN_SAMPLE_ROOT=$target
KW_DATA_RAVLINCONFIG=$target/config
KW_PROG_RAVLINCONFIG=$target/configurator
KW_DATA_TRP=$target/trp
KW_DATA_SCREENS=$target/screens
KW_DATA_DGC=$target/curves
KW_CMS=$target/cms
TMP=$target/tmp
RAVLIN_DESKTOP_DIR=$target/desktop
RAVLIN_PROGRAMS_DIR=$target/programs
EOF

cat <<EOF
Sample installation laid out in $target
Use it with:
  export RAVLIN_ENVIRONMENT_FILE=$target/environment
  build/apps/rvc_setup/rvc_setup              # interactive, all flavours
  build/apps/rvc_setup/rvc_setup Tiffmono -v  # a job on one flavour (here: refresh its shortcuts)
Flavours: Tiffmono, Proof, Dedezi, Approval (the last one has no list files and is rebuilt from disk).
EOF
