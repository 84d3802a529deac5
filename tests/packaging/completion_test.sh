#!/usr/bin/env bash
# The bash completion of ravlinctl, called as bash calls it (COMP_WORDS, COMP_CWORD),
# against ravlinctl on a fresh sample installation.
#
#   completion_test.sh COMPLETION_FILE RAVLINCTL LAY_OUT_SAMPLE_SCRIPT
set -uo pipefail
completion=$1 ctl=$2 lay_out=$3
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
"$lay_out" "$scratch/sample" >/dev/null || exit 1
export RAVLIN_ENVIRONMENT_FILE=$scratch/sample/environment
source "$completion"

failures=0
# expect "WORDS BEFORE THE CURSOR" "CURRENT WORD" "EXPECTED COMPLETIONS"
expect() {
  local before=() current=$2 wanted=$3
  read -r -a before <<<"$1"
  COMP_WORDS=("$ctl" "${before[@]}" "$current")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _ravlinctl
  local got="${COMPREPLY[*]}"
  if [[ "$got" != "$wanted" ]]; then
    echo "ravlinctl $1 '$current'<TAB>: got '$got', wanted '$wanted'"
    failures=$((failures + 1))
  fi
}

expect "" "c" "create change-type config"
expect "" "--" "--version --help"
expect "--version 10.1" "fl" "flavours"
expect "help" "d" "delete doctor"
expect "create" "--f" "--flavour"
expect "create --flavour" "" "Approval Proof Tiffmono Dedezi"
expect "create --flavour Proof --type" "" "Inkjet_Proof Proof_FromPPD"
expect "create --vdp" "" "active disabled"
expect "show" "Mono" "Mono Mono1 Mono3_OrvaTiffsetter"
expect "set" "Mono" "Mono Mono1 Mono3_OrvaTiffsetter"
expect "ppd --all" "--y" "--yes"
expect "list" "x" ""
expect "env" "Mono" "Mono Mono1 Mono3_OrvaTiffsetter"
expect "swap Mono1" "" "add list remove"
expect "config --yes Mono1" "d" "delete"
expect "swap Mono1 add" "" "0 1 2"
expect "folders Mono1" "" ""
expect "media" "Mono" "Mono Mono1 Mono3_OrvaTiffsetter"
expect "resolutions Mono1" "" "add delete list modify"
# restore: the backup folder's flavours and dispatchers.
backup=$(PATH=/usr/bin:/bin "$ctl" backup --to "$scratch" 2>/dev/null | tail -n 1)
expect "restore $backup --flavour" "Ravlin T" "Ravlin Tiff"
expect "restore $backup --dispatcher" "Mono" "Mono Mono1 Mono3_OrvaTiffsetter"
expect "restore $backup" "--j" "--json"
exit $((failures > 0))
