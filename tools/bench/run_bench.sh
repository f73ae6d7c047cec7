#!/bin/sh
# Times Quendrel on a master-scale plugin (about 80 MB, 48,000 records)
# against the I/O floor of the same machine in the same run, and
# quendrel-map reading the same plugin twice (as the plugin and as the
# master it is checked against).
#
#   tools/bench/run_bench.sh [WORK_DIR] [RUNS]
#
# WORK_DIR (default /dev/shm/quendrel-bench) gets the generated plugin, its
# rules file and every run's output; a directory on disk (e.g. /tmp/qbench)
# measures the disk as well. RUNS (default 5) is the number of timed runs of
# each kind; the median is reported.
#
# The floor is what any tool that reads the plugin twice and writes it once
# must pay: two `cat plugin > /dev/null` and one `cp plugin copy`. Each
# Quendrel run is timed whole, from start to exit, once without options and
# once with -v; a no-op `notepad` is put first on PATH so that no editor is
# started. Peak memory (maximum resident set size) comes from GNU time:
# /usr/bin/time -v, from the Debian/Ubuntu package "time"
# (apt-get install time).
set -eu

SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
WORK_DIR=${1:-/dev/shm/quendrel-bench}
RUNS=${2:-5}
BUILD_DIR=${BUILD_DIR:-$SOURCE_DIR/build-bench}

if [ ! -x /usr/bin/time ]; then
  echo "GNU time is needed for the peak memory: apt-get install time" >&2
  exit 1
fi

echo "== building the release program and the generator in $BUILD_DIR"
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQUENDREL_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target quendrel quendrel-map make_master_plugin >/dev/null
QUENDREL=$BUILD_DIR/quendrel
QUENDREL_MAP=$BUILD_DIR/quendrel-map

mkdir -p "$WORK_DIR/stub"
cd "$WORK_DIR"
echo "== generating the plugin in $WORK_DIR"
"$BUILD_DIR/make_master_plugin" master.esp quendrel.cfg
printf '#!/bin/sh\nexit 0\n' > stub/notepad
chmod +x stub/notepad
PATH=$WORK_DIR/stub:$PATH
export PATH

. "$SOURCE_DIR/tools/bench/timing.sh"

floor_once() {
  cat master.esp > /dev/null
  cat master.esp > /dev/null
  cp master.esp floor_copy.esp
}
quendrel_once() { "$QUENDREL" "$@" master.esp > console.txt 2> errors.txt; }
# Status 2 (overlaps: the rules move every cell onto another) is expected.
map_once() {
  "$QUENDREL_MAP" --suggest --against master.esp master.esp > map.txt 2> errors.txt || [ $? -eq 2 ]
}

quendrel_verbose() { quendrel_once -v; }

in_turns "$RUNS" floor_once quendrel_once quendrel_verbose map_once
rm -f floor_copy.esp

peak_kb() {
  /usr/bin/time -v "$QUENDREL" "$@" master.esp > console.txt 2> time.txt || true
  sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' time.txt
}
plain_kb=$(peak_kb)
verbose_kb=$(peak_kb -v)

floor=$(median < floor_once.times)
plain=$(median < quendrel_once.times)
verbose=$(median < quendrel_verbose.times)
map=$(median < map_once.times)
size=$(wc -c < master.esp)
echo
echo "plugin: $size bytes; $RUNS runs each; medians in seconds"
echo "I/O floor (cat x2, cp x1): $floor"
printf 'quendrel:    %s  (%.1fx floor)  peak memory %s KB\n' "$plain" "$(ratio "$plain" "$floor")" "$plain_kb"
printf 'quendrel -v: %s  (%.1fx floor)  peak memory %s KB\n' "$verbose" "$(ratio "$verbose" "$floor")" "$verbose_kb"
echo "run log under -v: $(wc -c < qnlog.txt) bytes"
echo "quendrel-map --suggest --against master.esp master.esp: $map ($(head -1 map.txt))"
