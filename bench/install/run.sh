#!/usr/bin/env bash
# The installer's update and backup jobs on a flavour of 10 dispatchers holding 500 MB,
# each side by side with its reference in one run:
#
#   update  `rvc_setup Tiffmono -u` on the flavour laid out as a new version
#           (scripts/lay_out_sample.sh --new-version) with the saved state of its backup,
#           against `cp -r` of that saved state into the data folder followed by
#           `ravlinctl ppd --all` on the copy (with the ppd folders that the saved state
#           leaves out made again); goal at most 1.3x.
#   backup  `rvc_setup Tiffmono -b` on the grown flavour, against `cp -r` of its data
#           folder; goal at most 1.15x.
#
# The flavour is grown by bench/common/grow_sample.sh (Tiffmono, 10 dispatchers, MB of
# filler in their folders). Rounds alternate the order of the tools; each starts from the
# same files on a synced disk, laid out again untimed (the saved state as hard links to a
# kept copy: the jobs replace files, never write into them). The table shows per tool
# the median "wall" time (process start included), "cpu" (user + system, less disturbed
# by other load) and "wall + sync" (with the write-back of the dirty pages), ratios against
# the reference. The GOAL lines judge "wall + sync", the time until the data is on disk:
# the jobs flush what they write, cp leaves dirty pages behind, so wall time alone would
# charge the jobs a write-back that the reference skips. Their spread is the min-max of
# the per-round ratios.
#
#   bench/install/run.sh             # ROUNDS=5, MB=500, in $TMPDIR (or /tmp)
#   bench/install/run.sh --quick     # 2 rounds of 20 MB: a smoke test
#   ROUNDS=7 BENCH_DIR=/data bench/install/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
rounds=${ROUNDS:-5}
megabytes=${MB:-500}
if [[ ${1:-} == --quick ]]; then
  rounds=2 megabytes=20
fi
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}
key=Tiffmono

if [[ -n ${RVC_BENCH_BUILD:-} ]]; then
  echo "building rvc_setup and ravlinctl in $RVC_BENCH_BUILD"
  cmake --build "$RVC_BENCH_BUILD" -j2 --target rvc_setup ravlinctl >/dev/null
  bin=$RVC_BENCH_BUILD
else
  build=$root/build-bench-install
  echo "building rvc_setup and ravlinctl (Release) in $build"
  cmake -S bench/install -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target install_bench >/dev/null
  bin=$build/rvc
fi
setup=$bin/apps/rvc_setup/rvc_setup
ctl=$bin/apps/ravlinctl/ravlinctl

# The grown flavour, its saved state, a copy of each and the copies of the rounds.
source bench/common/work_folder.sh
make_work_folder "$parent" install-bench $((megabytes * 5 + 100))
install=$work/ravlin
echo "growing the sample in $install"
bench/common/grow_sample.sh "$install" --flavours 1 --dispatchers 10 --megabytes "$megabytes" --ravlinctl "$ctl"
export RAVLIN_ENVIRONMENT_FILE=$install/environment
unset DISPLAY WAYLAND_DISPLAY
data=$install/data/$key
saved=$install/tmp/$key
copy=$work/copy
cp -- "$data/rvc1.cfg" "$work/rvc1.cfg"
sync
echo "flavour $key: $("$ctl" list --flavour "$key" | wc -l) dispatchers," \
  "$(find "$data" -type f | wc -l) files, $(du -sm "$data" | cut -f1) MB on $(df -PT "$parent" | awk 'NR == 2 {print $2}')"

source bench/common/timed_rounds.sh

# goal <name> <ours> <reference> <limit>: the GOAL line of the "wall + sync" times; the
# rounds of both labels are paired in order for the spread of the ratio.
goal() {
  local name=$1 ours=$2 reference=$3 limit=$4 m base
  read -r m _ _ <<<"$(stats "$ours" 3)"
  read -r base _ _ <<<"$(stats "$reference" 3)"
  paste -d' ' <(cut -d' ' -f3 "$work/$ours.times") <(cut -d' ' -f3 "$work/$reference.times") |
    awk -v name="$name" -v m="$m" -v base="$base" -v limit="$limit" '
      { r = $1 / $2; lo = (NR == 1 || r < lo) ? r : lo; hi = (NR == 1 || r > hi) ? r : hi }
      END { ratio = m / base
            printf "GOAL|%s|%d|%d|ms|%.2f|%.2f-%.2f|%s|%s\n", name, m, base, ratio, lo, hi, limit,
              (ratio <= limit ? "met" : "MISSED") }'
}

# --- Backup ---

backup_round() {
  rm -rf "$saved"
  cp -- "$work/rvc1.cfg" "$data/rvc1.cfg"
  sync
  timed backup "$setup" "$key" -b
}
backup_copy_round() {
  rm -rf "$copy"
  sync
  timed cp-data cp -r "$data" "$copy"
}
echo
echo "backup job against cp -r of the data folder"
for ((round = 1; round <= rounds; round++)); do
  printf 'round %d/%d\n' "$round" "$rounds"
  if ((round % 2)); then backup_round; backup_copy_round; else backup_copy_round; backup_round; fi
  if ((round == 1)); then
    [[ -f "$saved/rvc1.cfg" && -d "$saved/$key/data/spool" ]] || { echo "the backup job saved no state" >&2; exit 1; }
  fi
done
rm -rf "$copy"
mv -- "$saved" "$work/saved"

# --- Update ---

scripts/lay_out_sample.sh --new-version "$key" "$install" >/dev/null
cp -a -- "$data" "$work/new-data"

update_round() {
  rm -rf "$data" "$saved"
  cp -a -- "$work/new-data" "$data"
  cp -al -- "$work/saved" "$saved"
  sync
  timed update "$setup" "$key" -u
}
update_copy_round() {
  rm -rf "$data" "$saved"
  sync
  # The saved state leaves the ppd folders out; the PPDs need them back.
  timed cp+ppd bash -c 'cp -r "$1" "$2" && for d in "$2"/*/data; do mkdir -p "${d%/data}/ppd"; done &&
    "$3" ppd --all --yes' _ "$work/saved" "$data" "$ctl"
}
echo
echo "update job against cp -r of the saved state and ravlinctl ppd --all"
# The first round's update is judged: every dispatcher back, the saved state gone.
check_update() {
  local listed
  listed=$("$ctl" list --flavour "$key" | wc -l)
  ((listed == 10)) || { echo "the update left $listed dispatchers, not 10" >&2; exit 1; }
  [[ ! -e "$saved" ]] || { echo "the update kept its saved state" >&2; exit 1; }
}
for ((round = 1; round <= rounds; round++)); do
  printf 'round %d/%d\n' "$round" "$rounds"
  if ((round % 2)); then
    update_round
    ((round > 1)) || check_update
    update_copy_round
  else
    update_copy_round
    update_round
  fi
done
rm -rf "$data"

echo
echo "median of $rounds rounds in milliseconds (min-max); ratio = tool / reference"
table 10 cp-data cp-data backup
table 10 cp+ppd cp+ppd update
goal "backup job of 10 dispatchers with ${megabytes} MB vs cp -r of the data folder" backup cp-data 1.15
goal "update job of 10 dispatchers with ${megabytes} MB vs cp -r of the saved state + ravlinctl ppd --all" update cp+ppd 1.3
