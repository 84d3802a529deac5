# Building a benchmark in Release, sourced by the run.sh scripts from the repository top.
#
# bench_build FOLDER STANDALONE TARGET...: with RVC_BENCH_BUILD set, builds the targets in
# that shared tree (configuring it first when it is new, as scripts/bench_all.sh does);
# otherwise configures bench/FOLDER on its own in the folder STANDALONE and builds them
# there. Sets bench_bin (where the folder's programs are) and bench_top (where the
# repository's own programs are, e.g. $bench_top/apps/rvc_setup/rvc_setup). The build's
# output is shown only when it fails.
bench_build() {
  local folder=$1 standalone=$2 log
  shift 2
  log=$(mktemp)
  if [[ -n ${RVC_BENCH_BUILD:-} ]]; then
    bench_bin=$RVC_BENCH_BUILD/bench/$folder
    bench_top=$RVC_BENCH_BUILD
    if [[ ! -f $RVC_BENCH_BUILD/CMakeCache.txt ]]; then
      cmake -S . -B "$RVC_BENCH_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRVC_BUILD_BENCH=ON \
        -DRVC_BUILD_TESTS=OFF >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; return 1; }
    fi
    cmake --build "$RVC_BENCH_BUILD" -j2 --target "$@" >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; return 1; }
  else
    bench_bin=$standalone
    bench_top=$standalone/rvc
    { cmake -S "bench/$folder" -B "$standalone" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
      cmake --build "$standalone" -j2 --target "$@"; } >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; return 1; }
  fi
  rm -f "$log"
}

# bench_quick "$@": sets quick=1 when the arguments hold --quick, and leaves the other
# arguments in bench_args.
bench_quick() {
  quick=0
  bench_args=()
  local argument
  for argument in "$@"; do
    if [[ $argument == --quick ]]; then quick=1; else bench_args+=("$argument"); fi
  done
}
