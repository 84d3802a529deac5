#!/usr/bin/env bash
# Lays out the bundled sample installation in DEST and grows it into the installation that
# the big-data benchmarks (backup, restore, update) work on: the first N flavours of the
# sample, each with D dispatchers (clones created with ravlinctl, as an administrator
# would), and M MB of job files spread evenly over the dispatchers' folders, in
# "data/spool" of each (bench/common/filler.sh), where a backup and an update copy them.
#
#   bench/common/grow_sample.sh DEST [--flavours N] [--dispatchers D] [--megabytes M]
#                               [--ravlinctl PATH]
#
# Defaults: 4 flavours, 10 dispatchers, 500 MB. DEST/environment is the environment file
# (RAVLIN_ENVIRONMENT_FILE). The flavours not kept are removed from the layout's catalogues.
# ravlinctl is taken from --ravlinctl, else $RVC_BENCH_BUILD, else build/.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"

usage() {
  echo "usage: $0 DEST [--flavours N] [--dispatchers D] [--megabytes M] [--ravlinctl PATH]" >&2
  exit 2
}

[[ $# -ge 1 ]] || usage
dest=$1
shift
flavours=4 dispatchers=10 megabytes=500 ravlinctl=
while [[ $# -gt 0 ]]; do
  case $1 in
    --flavours) flavours=$2; shift 2 ;;
    --dispatchers) dispatchers=$2; shift 2 ;;
    --megabytes) megabytes=$2; shift 2 ;;
    --ravlinctl) ravlinctl=$2; shift 2 ;;
    *) usage ;;
  esac
done
[[ "$flavours$dispatchers$megabytes" =~ ^[0-9]+$ ]] || usage

if [[ -z "$ravlinctl" ]]; then
  for candidate in "${RVC_BENCH_BUILD:+$RVC_BENCH_BUILD/apps/ravlinctl/ravlinctl}" \
    "$repo/build/apps/ravlinctl/ravlinctl"; do
    [[ -n "$candidate" && -x "$candidate" ]] && { ravlinctl=$candidate; break; }
  done
fi
[[ -x "$ravlinctl" ]] || { echo "$0: no ravlinctl built (give --ravlinctl PATH)" >&2; exit 1; }

"$repo/scripts/lay_out_sample.sh" "$dest" >/dev/null
dest=$(realpath -- "$dest")
# Whoever runs the benchmark administers the layout: no password is asked.
echo "RAVLIN_ADMIN_GROUP=$(id -gn)" >>"$dest/environment"
export RAVLIN_ENVIRONMENT_FILE="$dest/environment"

# The flavours in catalogue order; those beyond the first N leave both catalogues.
mapfile -t all < <(sed -n 's/^\[\([^]]*\)\].*/\1/p' "$dest/config/rvc.dat" | grep -vx '_internal_')
((flavours >= 1 && flavours <= ${#all[@]})) || {
  echo "$0: the sample has ${#all[@]} flavours; --flavours must be 1 to ${#all[@]}" >&2
  exit 1
}
kept=("${all[@]:0:flavours}")
for catalogue in "$dest"/config/rvc*.dat; do
  awk -v keep=" ${kept[*]} " '
    /^\[/ { name = substr($0, 2, index($0, "]") - 2); skip = (name != "_internal_" && index(keep, " " name " ") == 0) }
    !skip' "$catalogue" >"$catalogue.new"
  mv -- "$catalogue.new" "$catalogue"
done

# json_field NAME: the string values of NAME in ravlinctl's --json listing, one a line.
json_field() { grep -o "\"$1\": *\"[^\"]*\"" | sed 's/.*"\([^"]*\)"$/\1/'; }

# Clones until each flavour holds D dispatchers, cycling over the device types its
# dispatchers have (a type made from a PPD would need a PPD file, so those are left out).
for key in "${kept[@]}"; do
  mapfile -t types < <("$ravlinctl" list --flavour "$key" --json | json_field type | grep -vi 'fromppd' | sort -u)
  count=$("$ravlinctl" list --flavour "$key" --json | json_field type | wc -l)
  ((${#types[@]})) || { echo "$0: flavour $key has no dispatcher to clone" >&2; exit 1; }
  i=0
  while ((count < dispatchers)); do
    out=$("$ravlinctl" create --flavour "$key" --type "${types[i % ${#types[@]}]}" --yes 2>&1) ||
      { echo "$out" >&2; exit 1; }
    count=$((count + 1)) i=$((i + 1))
  done
done

# The filler: each dispatcher's folder gets its share in "data/spool".
mapfile -t folders < <(for key in "${kept[@]}"; do
  "$ravlinctl" list --flavour "$key" --json | json_field folder | sed "s|^|$dest/data/$key/|"
done)
((${#folders[@]})) || { echo "$0: no dispatcher folders found" >&2; exit 1; }
source "$repo/bench/common/filler.sh"
share=$((megabytes * 1024 * 1024 / ${#folders[@]}))
n=0
for folder in "${folders[@]}"; do
  [[ -d "$folder" ]] || { echo "$0: dispatcher folder $folder not found" >&2; exit 1; }
  n=$(write_filler "$folder/data/spool" "$share" "$n")
done
echo "$dest: ${#kept[@]} flavours, ${#folders[@]} dispatchers, $(du -sm "$dest/data" | cut -f1) MB in data/"
