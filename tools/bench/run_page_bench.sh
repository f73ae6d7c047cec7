#!/bin/sh
# Times quendrel-map writing the planner page for a made-up game of about
# 800 MB and 30,000 occupied grids (tools/bench/make_load_order.cpp with
# twenty masters and no filler records, and its 2,000-cell plugin mod.esp)
# against reading every file of the game once with cat, both measured in
# the same run; then prints the page's size and what an arrow key costs the
# browser's main thread on it (tools/bench/page_keys.mjs, headless Chromium
# driven by playwright-core from tests/browser: run `npm ci` there once).
#
#   tools/bench/run_page_bench.sh [WORK_DIR] [RUNS]
#
# WORK_DIR (default /dev/shm/quendrel-page) gets the made-up game; RUNS
# (default 5) timed runs of each, the median reported. The release program
# is built in build-bench, or in BUILD_DIR as that build is configured.
set -eu

SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
WORK_DIR=${1:-/dev/shm/quendrel-page}
RUNS=${2:-5}
if [ -z "${BUILD_DIR:-}" ]; then
  BUILD_DIR=$SOURCE_DIR/build-bench
  cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQUENDREL_TESTS=OFF >/dev/null
fi
BUILD_DIR=$(cd "$BUILD_DIR" && pwd)

echo "== building the program and the generator in $BUILD_DIR"
cmake --build "$BUILD_DIR" -j2 --target quendrel-map make_load_order >/dev/null
QUENDREL_MAP=$BUILD_DIR/quendrel-map

rm -rf "$WORK_DIR"
mkdir -p "$WORK_DIR"
cd "$WORK_DIR"
echo "== generating the game in $WORK_DIR"
"$BUILD_DIR/make_load_order" . 20 10

. "$SOURCE_DIR/tools/bench/timing.sh"

floor_once() { cat "Game/Data Files"/* mod.esp > /dev/null; }
# The page alone (the picture goes to /dev/null). Status 2 (the rules put
# the plugin on the masters' land) is expected.
page_once() {
  "$QUENDREL_MAP" --load-order openmw.cfg --output /dev/null --html page.html mod.esp \
    > map.txt 2> errors.txt || [ $? -eq 2 ]
}

in_turns "$RUNS" floor_once page_once
floor=$(median < floor_once.times)
page=$(median < page_once.times)
size=$(cat "Game/Data Files"/* mod.esp | wc -c)
echo
echo "game: $size bytes, $(grep -c '^overlap' map.txt) overlap lines; $RUNS runs each; medians in seconds"
echo "cat of every file:        $floor"
printf 'quendrel-map --html:      %s  (%sx cat)\n' "$page" "$(ratio "$page" "$floor")"
echo "page: $(wc -c < page.html) bytes"
node "$SOURCE_DIR/tools/bench/page_keys.mjs" page.html 30
echo "load: $(uptime | sed 's/.*load average/load average/')"
