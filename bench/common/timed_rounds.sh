# Timing helpers for the benchmark scripts that time whole commands in rounds; sourced
# after $work (a scratch folder) is set.

now_ms() { date +%s%3N; }

# timed <label> <command...>: one timed round; appends "wall cpu wall+sync" in
# milliseconds to $work/<label>.times. The command's output is kept in $work/stdout and
# $work/stderr; a failure prints its errors and ends the script.
timed() {
  local label=$1
  shift
  local real user sys start end
  if ! { TIMEFORMAT='%3R %3U %3S'; time "$@" >"$work/stdout" 2>"$work/stderr"; } 2>"$work/time"; then
    cat "$work/stderr" >&2
    exit 1
  fi
  start=$(now_ms)
  sync
  end=$(now_ms)
  read -r real user sys <"$work/time"
  awk -v r="$real" -v u="$user" -v s="$sys" -v w="$((end - start))" \
    'BEGIN {printf "%d %d %d\n", r * 1000, (u + s) * 1000, r * 1000 + w}' >>"$work/$label.times"
}

# stats <label> <column>: median, min and max in milliseconds.
stats() {
  cut -d' ' -f"$2" "$work/$1.times" | sort -n | awk '{v[NR] = $1} END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%d %d %d", m, v[1], v[NR]}'
}

# table <width> <reference label> <labels...>: medians (min-max) and their ratios to the
# reference, for wall time, CPU time and wall time including the sync that follows.
table() {
  local width=$1 reference=$2 label column m lo hi base line
  shift 2
  printf "%-${width}s %20s %6s %20s %6s %20s %6s\n" tool wall ratio cpu ratio "wall + sync" ratio
  for label in "$@"; do
    line=$(printf "%-${width}s" "$label")
    for column in 1 2 3; do
      read -r m lo hi <<<"$(stats "$label" "$column")"
      read -r base _ _ <<<"$(stats "$reference" "$column")"
      line+=$(printf ' %6d (%5d-%5d) %6.2f' "$m" "$lo" "$hi" "$(awk -v a="$m" -v b="$base" 'BEGIN {print a / b}')")
    done
    echo "$line"
  done
}

# goal <name> <ours label> <reference label> <column> <limit>: the GOAL line that
# scripts/bench_all.sh collects, of the medians in milliseconds of that column (1 wall,
# 2 cpu, 3 wall + sync); the spread is the lowest and highest ratio of one round's ours to
# the same round's reference.
goal() {
  local name=$1 ours=$2 reference=$3 column=$4 limit=$5 a b spread
  read -r a _ _ <<<"$(stats "$ours" "$column")"
  read -r b _ _ <<<"$(stats "$reference" "$column")"
  spread=$(paste -d' ' <(cut -d' ' -f"$column" "$work/$ours.times") <(cut -d' ' -f"$column" "$work/$reference.times") |
    awk '{r = $1 / ($2 > 0 ? $2 : 1); if (NR == 1 || r < lo) lo = r; if (NR == 1 || r > hi) hi = r}
         END {printf "%.2f-%.2f", lo, hi}')
  awk -v n="$name" -v a="$a" -v b="$b" -v s="$spread" -v l="$limit" 'BEGIN {
    r = a / (b > 0 ? b : 1)
    printf "GOAL|%s|%d|%d|ms|%.2f|%s|%s|%s\n", n, a, b, r, s, l, (r <= l ? "met" : "MISSED")}'
}
