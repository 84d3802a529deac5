#!/usr/bin/env bash
# Backup and restore of a grown installation against `cp -r` of the same data folders, in
# one run.
#
# The sample is grown to 4 flavours x 10 dispatchers holding 500 MB
# (bench/common/grow_sample.sh). Then, ROUNDS times with the order alternating:
#   backup   `ravlinctl backup` (every flavour, with the rvc_setup backup job of each)
#            against `cp -r` of every dispatcher's data folder into a fresh folder;
#   restore  `ravlinctl restore B --flavour F --yes` of every flavour (clones removed and
#            re-created, every data folder copied back, one journaled change each)
#            against `cp -r` of every backed-up folder back over its data folder.
# Each round starts from a synced disk. The goals compare "wall + sync" (the time until
# the data is on disk: ours flushes, cp leaves dirty pages), medians over the rounds; the
# spread is the min-max of the per-round ratios.
#
# The restore goal restores over data equal to the backup (a restore right after a
# backup), where the restore finds most files already in place and links them instead of
# copying. --changed restores into data that differs instead: before each timed restore
# and each timed cp, the last 16 bytes of every job file are changed in place (the worst
# place for the restore's byte comparison, which reads both files to the end). It runs
# only restore rounds and prints an INFO line instead of the GOAL lines.
#
#   bench/backup/run.sh [--quick] [--changed]   # ROUNDS=5 and 500 MB; --quick: 2 rounds, 40 MB
#   BENCH_DIR=/data bench/backup/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
rounds=${ROUNDS:-5} megabytes=${MB:-500} changed=0
for option in "$@"; do
  case $option in
    --quick) rounds=2 megabytes=40 ;;
    --changed) changed=1 ;;
    *) echo "usage: $0 [--quick] [--changed]" >&2; exit 2 ;;
  esac
done
parent=${BENCH_DIR:-${TMPDIR:-/tmp}}

if [[ -n ${RVC_BENCH_BUILD:-} ]]; then
  build=$RVC_BENCH_BUILD
  cmake --build "$build" -j2 --target ravlinctl rvc_setup >/dev/null
  bin=$build
else
  build=$root/build-bench-backup
  echo "building ravlinctl and rvc_setup (Release) in $build" >&2
  cmake -S bench/backup -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target backup_bench >/dev/null
  bin=$build/rvc
fi
ctl=$(find "$bin" -name ravlinctl -type f -perm -u+x | head -n 1)
setup=$(find "$bin" -name rvc_setup -type f -perm -u+x | head -n 1)
[[ -x $ctl && -x $setup ]] || { echo "ravlinctl or rvc_setup was not built" >&2; exit 1; }

source bench/common/work_folder.sh
make_work_folder "$parent" backup-bench $((megabytes * 4 + 100))
inst=$work/inst
echo "growing the sample: 4 flavours x 10 dispatchers, $megabytes MB" >&2
bench/common/grow_sample.sh "$inst" --flavours 4 --dispatchers 10 --megabytes "$megabytes" --ravlinctl "$ctl" >/dev/null
export RAVLIN_ENVIRONMENT_FILE=$inst/environment
# The backup job: rvc_setup from PATH (it is not beside ravlinctl in a build tree).
export PATH="$(dirname "$setup"):$PATH"
mkdir -p "$work/backups"

source bench/common/timed_rounds.sh

# One backup to learn the pairs (data folder, backed-up folder) the reference copies.
backup=$("$ctl" backup --to "$work/backups" 2>/dev/null | tail -n 1)
"$ctl" flavours --json >"$work/flavours.json"
"$ctl" backup-info "$backup" --json | python3 -c '
import json, os, sys
index = json.load(sys.stdin)
keys = {f["name"]: f["key"] for f in json.load(open(sys.argv[2])) if "key" in f}
for flavour in index["flavours"]:
    for d in flavour["dispatchers"]:
        print(os.path.join(sys.argv[1], keys[flavour["name"]], d["folder"], "data") + "\t" + flavour["name"] + "/" + d["name"])
' "$inst/data" "$work/flavours.json" >"$work/pairs"
flavours=()
while IFS= read -r name; do flavours+=("$name"); done < <(cut -f2 "$work/pairs" | cut -d/ -f1 | uniq)
echo "$(wc -l <"$work/pairs") dispatchers, $(du -sm "$inst/data" | cut -f1) MB of data in ${#flavours[@]} flavours" >&2

copy_out() {
  local src rel
  while IFS=$'\t' read -r src rel; do
    mkdir -p "$1/${rel%/*}"
    cp -r "$src" "$1/$rel"
  done <"$work/pairs"
}
copy_back() {
  local src rel
  while IFS=$'\t' read -r src rel; do cp -r "$backup/$rel/." "$src/"; done <"$work/pairs"
}
restore_all() {
  local flavour
  for flavour in "${flavours[@]}"; do "$ctl" restore "$backup" --flavour "$flavour" --yes || return 1; done
}

backup_round() {
  rm -rf "$work/backups/new" "$work/copy"
  mkdir -p "$work/backups/new"
  sync
  timed backup "$ctl" backup --to "$work/backups/new"
  rm -rf "$work/copy"
  sync
  timed cp-out copy_out "$work/copy"
}
# Makes every job file of the installation differ from its backed-up copy at its end.
change_data() {
  ((changed)) || return 0
  find "$inst/data" -path '*/data/spool/*.dat' -type f -print0 | python3 -c '
import os, sys
for path in sys.stdin.buffer.read().split(b"\0"):
    if path:
        with open(path, "r+b") as f:
            f.seek(-16, os.SEEK_END)
            f.write(os.urandom(16))
'
}
restore_round() {
  change_data
  sync
  timed restore restore_all
  change_data
  sync
  timed cp-back copy_back
}
for ((round = 1; round <= rounds; round++)); do
  echo "round $round/$rounds" >&2
  if ((changed)); then
    restore_round
  elif ((round % 2)); then
    backup_round
    restore_round
  else
    restore_round
    backup_round
  fi
done
rm -rf "$work/backups/new" "$work/copy"

echo
echo "median of $rounds rounds in milliseconds (min-max); ratio = ours / cp -r"
((changed)) || table 10 cp-out cp-out backup
table 10 cp-back cp-back restore

# GOAL lines: "wall + sync" medians; spread = min-max of the per-round ratios.
goal() {
  local name=$1 ours=$2 reference=$3 limit=$4
  paste -d' ' <(cut -d' ' -f3 "$work/$ours.times") <(cut -d' ' -f3 "$work/$reference.times") | awk -v name="$name" -v limit="$limit" '
    {o[NR] = $1; r[NR] = $2; q[NR] = $1 / $2}
    function median(a, n,   i, j, t, s) {
      for (i = 1; i <= n; i++) s[i] = a[i]
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (s[j] < s[i]) {t = s[i]; s[i] = s[j]; s[j] = t}
      return (n % 2) ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
    }
    END {
      mo = median(o, NR); mr = median(r, NR); lo = q[1]; hi = q[1]
      for (i = 2; i <= NR; i++) {if (q[i] < lo) lo = q[i]; if (q[i] > hi) hi = q[i]}
      ratio = mo / mr
      if (limit == "") printf "INFO|%s|%.0f|%.0f|ms|%.2f|%.2f-%.2f\n", name, mo, mr, ratio, lo, hi
      else printf "GOAL|%s|%.0f|%.0f|ms|%.2f|%.2f-%.2f|%s|%s\n", name, mo, mr, ratio, lo, hi, limit, (ratio <= limit) ? "met" : "MISSED"
    }'
}
if ((changed)); then
  goal "whole-flavour restore into data that differs from the backup vs cp -r back (no goal)" restore cp-back ""
  exit 0
fi
goal "backup of 4 flavours x 10 dispatchers ($megabytes MB) vs cp -r of their data folders" backup cp-out 1.15
goal "whole-flavour restore of the same vs cp -r of the backed-up folders back" restore cp-back 1.25
