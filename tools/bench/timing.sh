# Timing helpers for the benchmark scripts, sourced (". timing.sh"):
#   seconds COMMAND...   runs it and prints the seconds it took (0.1234)
#   median               the median of the numbers on standard input (0.123)
#   ratio A B            A / B (1.23)
#   in_turns RUNS NAME...  runs each command NAME once untimed (to warm the
#                        page cache), then all of them in turn RUNS times,
#                        the seconds of each run added to NAME.times
now() { date +%s.%N; }
seconds() {
  start=$(now)
  "$@"
  end=$(now)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", e - s }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); printf "%.3f\n", v[m] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; }
in_turns() {
  runs=$1
  shift
  for name in "$@"; do
    "$name"
    : > "$name.times"
  done
  turn=0
  while [ "$turn" -lt "$runs" ]; do
    for name in "$@"; do seconds "$name" >> "$name.times"; done
    turn=$((turn + 1))
  done
}
