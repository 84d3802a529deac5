# The job data that the big-data benchmarks put into dispatcher folders; sourced.

# write_filler FOLDER BYTES [FIRST]: about BYTES of job files in FOLDER (created), nine in
# ten bytes in 256 KB files, the rest in 8 KB files, the mix of a RIP's job folders. The
# bytes come from /dev/urandom once and are then repeated with a different 16-digit header
# per file (numbered from FIRST, default 0), so no file system shortcut flatters a copy.
# Prints the next free number.
write_filler() {
  local folder=$1 bytes=$2 n=${3:-0} block j
  block=$(mktemp)
  head -c $((256 * 1024)) /dev/urandom >"$block"
  mkdir -p -- "$folder"
  for ((j = 0; j < bytes * 9 / 10 / (256 * 1024); j++)); do
    { printf '%016d' $((n++)); tail -c +17 "$block"; } >"$folder/job$j.dat"
  done
  for ((j = 0; j < bytes / 10 / (8 * 1024); j++)); do
    { printf '%016d' $((n++)); head -c $((8 * 1024 - 16)) "$block"; } >"$folder/tile$j.dat"
  done
  rm -f -- "$block"
  echo "$n"
}
