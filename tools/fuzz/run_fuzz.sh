#!/usr/bin/env bash
# Builds a fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for SECONDS seconds.
#
# Usage: tools/fuzz/run_fuzz.sh SECONDS [more libFuzzer options]
#
# Environment: FUZZ_TARGET run (default): quendrel's passes on a fuzzed plugin
#                          and rules file (fuzz_run.cpp); map: quendrel-map on
#                          a fuzzed load order, reserve file, rules and plugins
#                          (fuzz_map.cpp)
#              FUZZ_JOBS   parallel fuzzing processes (default 1)
#              FUZZ_OUT    build and corpus folder (default build-fuzz in the repo)
#              CXX         the clang++ to use (default clang++)
# Findings land in $FUZZ_OUT/findings; keep each one that a fix covers in
# tests/fuzz_regressions/, where the test suite replays it.
set -euo pipefail
seconds=${1:?usage: $0 SECONDS [libFuzzer options]}
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${FUZZ_OUT:-$root/build-fuzz}
cxx=${CXX:-clang++}
jobs=${FUZZ_JOBS:-1}
target=${FUZZ_TARGET:-run}
case $target in
  run) suffix= ; seeder=make_seeds ; dict=quendrel.dict ;;
  map) suffix=-map ; seeder=make_map_seeds ; dict=quendrel_map.dict ;;
  *) echo "FUZZ_TARGET is run or map" >&2; exit 2 ;;
esac
real_plugins=$(cd "$root/.." && pwd)/shared/corpus
mkdir -p "$out/obj" "$out/corpus$suffix" "$out/seeds$suffix" "$out/findings"

common=(-std=c++20 -g -I "$root/src" -DQUENDREL_RELEASE='"fuzz"'
        -DQUENDREL_BUILD_LIBEXEC_DIR="\"$root/tools/libexec\""
        # quendrel-map's picture at most 64 pixels a side: every input draws it.
        -DQUENDREL_LARGEST_RASTER=64)
flags=("${common[@]}" -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined)
# The PNG encoder (stb_image_write, compiled in png_image.cpp) is another
# project's, and compressing in instrumented code took nine tenths of the
# map target's time: it is built plain.
plain=("${common[@]}" -O2)

# The tool's sources without the program entries; quendrel-map's only for
# its target.
# Everything is rebuilt when a header changed.
if [ "$target" = map ]; then without_map=(); else without_map=(! -path 'src/map/*'); fi
# quendrel-map carries its planner page as a header the build generates.
if [ "$target" = map ]; then
  page_files=$(cd "$root/src/map/outputs/page" && ls *.html *.css *.js | paste -sd,)
  cmake -DSOURCE_DIR="$root/src/map/outputs/page" -DFILES="$page_files" \
    -DOUTPUT="$out/generated/map/page_files.h" -P "$root/cmake/embed_page.cmake"
  flags+=(-I "$out/generated")
fi
mapfile -t sources < <(cd "$root" && find src -name '*.cpp' ! -path src/app/main.cpp \
  ! -path src/map/entry/map_main.cpp "${without_map[@]}" | sort)
sources+=("tools/fuzz/fuzz_$target.cpp")
newest_header=$(find "$root/src" -name '*.h' -printf '%T@\n' | sort -n | tail -1)
objects=()
running=0
for source in "${sources[@]}"; do
  object=$out/obj/$(echo "$source" | tr / _).o
  objects+=("$object")
  if [ -f "$object" ] && [ "$object" -nt "$root/$source" ] && \
     [ "$(stat -c %Y "$object")" -gt "${newest_header%.*}" ]; then
    continue
  fi
  if [ "$source" = src/map/outputs/png_image.cpp ]; then source_flags=("${plain[@]}"); else source_flags=("${flags[@]}"); fi
  "$cxx" "${source_flags[@]}" -c "$root/$source" -o "$object" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then wait -n; running=$((running - 1)); fi
done
while [ "$running" -gt 0 ]; do wait -n; running=$((running - 1)); done
# quendrel-map's pictures are compressed by zlib.
if [ "$target" = map ]; then libraries=(-lz); else libraries=(); fi
"$cxx" -fsanitize=fuzzer,address,undefined "${objects[@]}" "${libraries[@]}" -o "$out/fuzz_$target"

# Seeds: small plugins made with the test builder, and cut from the real plugins.
"$cxx" -std=c++20 -O1 -I "$root/tests" "$root/tools/fuzz/$seeder.cpp" -o "$out/$seeder"
seed_dirs=("$out/seeds$suffix")
if [ -d "$real_plugins" ]; then
  "$out/$seeder" "$out/seeds$suffix" "$real_plugins"
  # Whole plugins are inputs of quendrel's target only.
  [ "$target" = run ] && seed_dirs+=("$real_plugins")
else
  "$out/$seeder" "$out/seeds$suffix"
fi
[ "$target" = run ] && [ -d "$root/tests/fuzz_regressions" ] && seed_dirs+=("$root/tests/fuzz_regressions")

# stderr is closed for the target (the tool reports every fatal error there);
# libFuzzer keeps its own copy for its status lines and the sanitizer reports.
options=(-max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096
         -close_fd_mask=2 -dict="$root/tools/fuzz/$dict" -print_final_stats=1
         -artifact_prefix="$out/findings/$target-")
cd "$out"
if [ "$jobs" -le 1 ]; then
  exec "$out/fuzz_$target" "${options[@]}" "$@" "$out/corpus$suffix" "${seed_dirs[@]}"
fi
# Parallel processes sharing one corpus; each writes its own fuzz-N.log here.
rm -f fuzz-*.log
status=0
"$out/fuzz_$target" "${options[@]}" -jobs="$jobs" -workers="$jobs" "$@" \
  "$out/corpus$suffix" "${seed_dirs[@]}" || status=$?
grep -h -e '^stat::number_of_executed_units' -e 'ERROR' -e 'SUMMARY' fuzz-*.log || true
echo "executions in all: $(grep -h '^stat::number_of_executed_units' fuzz-*.log |
  awk '{n += $2} END {print n + 0}')"
exit "$status"
