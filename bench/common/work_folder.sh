# Sourced by the benchmarks that lay out data of their own: checks that the parent folder
# has room for it and makes the scratch folder, which is removed when the script exits.
#
#   make_work_folder PARENT NAME MEGABYTES    # sets $work to PARENT/NAME.XXXXXX
make_work_folder() {
  local parent=$1 name=$2 need_mb=$3 free_mb
  free_mb=$(($(df -Pk "$parent" | awk 'NR == 2 {print $4}') / 1024))
  if ((free_mb < need_mb)); then
    echo "need $need_mb MB free in $parent, have $free_mb MB" >&2
    exit 1
  fi
  work=$(mktemp -d "$parent/$name.XXXXXX")
  trap 'rm -rf -- "$work"' EXIT
}
