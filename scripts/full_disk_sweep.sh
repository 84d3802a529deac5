#!/usr/bin/env bash
# Runs the changing commands on a disk that is full but for a few bytes, for a sweep of
# free-space sizes, and checks that each run either succeeds or fails cleanly: a failure
# exits non-zero with a message and leaves the installation byte for byte as it was
# (file contents, modes, links and folders; trace files excepted). "ppd --all" makes one
# PPD per dispatcher, so it may fail with some of them new, as long as nothing but PPD
# folders changed. In every case no generated PPD is cut short and no temporary file of
# an atomic write is left behind.
#
#   scripts/full_disk_sweep.sh [--build FOLDER] [--mount FOLDER] [FREE_BYTES...]
#
# The installation is the sample (scripts/lay_out_sample.sh) on a tmpfs mounted for the
# run (needs root, or the right to mount; skipped with a message otherwise). For each
# free-space size (default: 0 4k 16k 64k 256k 1m 4m) and command (create, change-type,
# delete, ppd --all, rvc_setup -v) the layout is restored, the disk filled, the command
# run. Prints one line per run and a summary; exits 1 when any run failed the checks.
# Not part of the default test run.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
build="$repo/build"
mnt="/tmp/rvc-full-disk"
sizes=()
while (($#)); do
  case "$1" in
    --build) build="$(realpath -m -- "$2")"; shift 2 ;;
    --mount) mnt="$(realpath -m -- "$2")"; shift 2 ;;
    -h|--help) sed -n '2,18p' "$0"; exit 0 ;;
    *) sizes+=("$1"); shift ;;
  esac
done
((${#sizes[@]})) || sizes=(0 4096 16384 65536 262144 1048576 4194304)

ctl="$build/apps/ravlinctl/ravlinctl"
setup="$build/apps/rvc_setup/rvc_setup"
for program in "$ctl" "$setup"; do
  [[ -x "$program" ]] || { echo "$0: $program is missing; build it first" >&2; exit 2; }
done

mkdir -p -- "$mnt"
if ! mount -t tmpfs -o size=32m tmpfs "$mnt" 2>/dev/null; then
  echo "$0: skipped: cannot mount a tmpfs on $mnt (run as root, or where mounting is permitted)"
  exit 0
fi
work="$(mktemp -d)"
cleanup() {
  umount "$mnt" 2>/dev/null || true
  rm -rf -- "$work"
}
trap cleanup EXIT

"$repo/scripts/lay_out_sample.sh" "$mnt" >/dev/null
tar -C "$mnt" -cf "$work/pristine.tar" .
export RAVLIN_ENVIRONMENT_FILE="$mnt/environment"

# Every entry but the filler and trace files: type, mode, path, link text, and a hash
# of a file's bytes.
snapshot() {
  (cd "$mnt" && find . -mindepth 1 ! -name .filler ! -iname 'trace_rvc*' -printf '%y %m %p %l\n' | sort) >"$1"
  (cd "$mnt" && find . -type f ! -name .filler ! -iname 'trace_rvc*' -print0 | sort -z | xargs -0 -r sha256sum) >>"$1"
}

restore() {
  find "$mnt" -mindepth 1 -delete
  tar -C "$mnt" -xpf "$work/pristine.tar"
}

# Leaves `1` bytes free (tmpfs counts whole pages).
fill() {
  local available=$(($(stat -f -c '%a' "$mnt") * $(stat -f -c '%S' "$mnt")))
  local size=$((available - $1))
  ((size > 0)) || return 0
  fallocate -l "$size" "$mnt/.filler" 2>/dev/null || head -c "$size" /dev/zero >"$mnt/.filler" 2>/dev/null || true
}

# Problems a run leaves whatever its outcome: a generated PPD without its end comment,
# an empty INF, a temporary file of an atomic write.
leftovers() {
  local file
  while IFS= read -r -d '' file; do
    grep -q 'Created by:RavlinConfigurator' "$file" || echo "cut PPD ${file#"$mnt"/}"
  done < <(find "$mnt/data" -ipath '*/ppd/*.ppd' -type f -print0)
  while IFS= read -r -d '' file; do
    [[ -s "$file" ]] || echo "empty INF ${file#"$mnt"/}"
  done < <(find "$mnt/data" -iname 'ravlin.inf' -type f -print0)
  find "$mnt" -name '.*.rvctmp??????' -printf 'temporary file %P\n'
}

commands=(
  "create|$ctl create -f Tiffmono -t CtP_platedriver -n Sweep --yes"
  "change-type|$ctl change-type Mono1 --type Imagesetter_Film --yes"
  "delete|$ctl delete Mono1 --yes"
  "ppd --all|$ctl ppd --all"
  "rvc_setup -v|$setup Tiffmono -v"
)

runs=0 succeeded=0 clean=0 bad=0
for free in "${sizes[@]}"; do
  for entry in "${commands[@]}"; do
    label="${entry%%|*}"
    command="${entry#*|}"
    restore
    snapshot "$work/before"
    fill "$free"
    set +e
    timeout 120 $command >"$work/output" 2>&1 </dev/null
    rc=$?
    set -e
    rm -f -- "$mnt/.filler"
    snapshot "$work/after"
    problems="$(leftovers)"
    runs=$((runs + 1))
    if ((rc == 0)); then
      verdict="succeeded"
    elif ! grep -q '[^[:space:]]' "$work/output"; then
      problems+=$'\n'"failed (exit $rc) without a message"
    elif cmp -s "$work/before" "$work/after"; then
      verdict="failed cleanly (exit $rc): $(grep -m1 '[^[:space:]]' "$work/output" | cut -c1-100)"
    elif [[ "$label" == "ppd --all" ]] && ! (diff "$work/before" "$work/after" || true) | grep '^[<>]' | grep -qv '/ppd/'; then
      # Each dispatcher's PPD is a job of its own: some may be new, as long as every file
      # is whole (checked above) and nothing but PPD folders changed.
      verdict="failed, partly done (exit $rc): $( (diff "$work/before" "$work/after" || true) | grep -c '^>.*\.PPD$' || true) PPDs new"
    else
      problems+=$'\n'"failed (exit $rc) and changed:"$'\n'"$( (diff "$work/before" "$work/after" || true) | grep '^[<>]' | head -6)"
      # SWEEP_DIFFS=FOLDER keeps the whole difference of each such run.
      [[ -z "${SWEEP_DIFFS:-}" ]] || diff "$work/before" "$work/after" >"$SWEEP_DIFFS/$free-${label// /_}.diff" || true
    fi
    problems="$(sed '/^$/d' <<<"$problems")"
    if [[ -n "$problems" ]]; then
      bad=$((bad + 1))
      printf '%8s  %-12s  BAD\n' "$free" "$label"
      sed 's/^/            /' <<<"$problems"
      sed 's/^/            | /' "$work/output" | head -5
    else
      [[ "$verdict" == succeeded ]] && succeeded=$((succeeded + 1)) || clean=$((clean + 1))
      printf '%8s  %-12s  %s\n' "$free" "$label" "$verdict"
    fi
  done
done
echo "runs: $runs, succeeded: $succeeded, failed cleanly: $clean, bad: $bad"
((bad == 0))
