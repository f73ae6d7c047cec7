#!/bin/sh
# Times quendrel-map checking a plugin against a whole load order of about
# a gigabyte (twenty masters of 60 MB, from tools/bench/make_load_order.cpp:
# cells, land, scripts, dialogue and characters, some pointing into the
# plugin's grids) against reading every file of it once with cat, all
# measured in the same run: the plugin's check through the original
# engine's ini and through openmw.cfg, and the check of the whole load
# order without a plugin (through openmw.cfg).
#
#   tools/bench/run_load_order_bench.sh [WORK_DIR] [RUNS] [MASTERS] [MEGABYTES]
#
# WORK_DIR (default /dev/shm/quendrel-load-order) gets the made-up game; a
# directory on disk measures the disk as well. RUNS (default 5) timed runs
# of each, taken in turn; the median of each is reported, the page cache
# warm (one untimed run of each first). The check is the whole of it: the
# rules move the plugin's 2,000 cells onto the masters' land, --suggest
# finds a free place among 30,000 occupied grids, and the picture is
# written; without the plugin, every land clash of the game is looked for
# and the picture shows the whole of its land.
set -eu

SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
WORK_DIR=${1:-/dev/shm/quendrel-load-order}
RUNS=${2:-5}
MASTERS=${3:-20}
MEGABYTES=${4:-60}
BUILD_DIR=${BUILD_DIR:-$SOURCE_DIR/build-bench}

echo "== building the release program and the generator in $BUILD_DIR"
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQUENDREL_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target quendrel-map make_load_order >/dev/null
QUENDREL_MAP=$BUILD_DIR/quendrel-map

rm -rf "$WORK_DIR"
mkdir -p "$WORK_DIR"
cd "$WORK_DIR"
echo "== generating the game in $WORK_DIR"
"$BUILD_DIR/make_load_order" . "$MASTERS" "$MEGABYTES"

. "$SOURCE_DIR/tools/bench/timing.sh"

floor_once() { cat "Game/Data Files"/* mod.esp > /dev/null; }
# Status 2 (the rules put the plugin on the masters' land) is expected.
map_once() {
  "$QUENDREL_MAP" --load-order "$1" --suggest mod.esp > map.txt 2> errors.txt || [ $? -eq 2 ]
}
map_ini() { map_once Game/Morrowind.ini; }
map_cfg() { map_once openmw.cfg; }
# The whole game without a plugin: status 2 when it finds a clash.
map_whole() {
  "$QUENDREL_MAP" --load-order openmw.cfg --output whole.svg > whole.txt 2> whole_errors.txt ||
    [ $? -eq 2 ]
}

in_turns "$RUNS" floor_once map_ini map_cfg map_whole
floor=$(median < floor_once.times)
ini=$(median < map_ini.times)
cfg=$(median < map_cfg.times)
whole=$(median < map_whole.times)
size=$(cat "Game/Data Files"/* | wc -c)
echo
echo "load order: $MASTERS masters, $size bytes; $RUNS runs each; medians in seconds"
echo "cat of every file:                       $floor"
printf 'quendrel-map --load-order Morrowind.ini: %s  (%sx cat)\n' "$ini" "$(ratio "$ini" "$floor")"
printf 'quendrel-map --load-order openmw.cfg:    %s  (%sx cat)\n' "$cfg" "$(ratio "$cfg" "$floor")"
printf 'the whole load order, no plugin:         %s  (%sx cat)\n' "$whole" "$(ratio "$whole" "$floor")"
echo "report: $(head -1 map.txt); $(grep -c '^overlap' map.txt) overlap lines," \
  "$(grep -c '^clash' map.txt) clash lines, $(grep -c '^pointer' map.txt) pointer lines; $(tail -1 map.txt)"
echo "whole load order: $(tail -1 whole.txt)"
echo "pictures: $(wc -c < cell_map.svg) and $(wc -c < whole.svg) bytes"
echo "load while timing: $(uptime | sed 's/.*load average/load average/')"
