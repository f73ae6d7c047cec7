#!/usr/bin/env bash
# Builds the fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for SECONDS seconds.
#
# Usage: tools/fuzz/run_fuzz.sh SECONDS [more libFuzzer options]
#
# Environment: FUZZ_JOBS   parallel fuzzing processes (default 1)
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
real_plugins=$(cd "$root/.." && pwd)/shared/corpus
mkdir -p "$out/obj" "$out/corpus" "$out/seeds" "$out/findings"

flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -I "$root/src" -DQUENDREL_RELEASE='"fuzz"'
       -DQUENDREL_BUILD_LIBEXEC_DIR="\"$root/tools/libexec\"")

# The tool's sources without the program entry and the text editor launcher,
# which the target replaces, and without quendrel-map. Everything is rebuilt
# when a header changed.
mapfile -t sources < <(cd "$root" && find src -name '*.cpp' \
  ! -path src/app/main.cpp ! -path src/app/editor.cpp ! -path 'src/map/*' | sort)
sources+=(tools/fuzz/fuzz_run.cpp)
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
  "$cxx" "${flags[@]}" -c "$root/$source" -o "$object" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then wait -n; running=$((running - 1)); fi
done
while [ "$running" -gt 0 ]; do wait -n; running=$((running - 1)); done
"$cxx" -fsanitize=fuzzer,address,undefined "${objects[@]}" -o "$out/fuzz_run"

# Seeds: small plugins made with the test builder, and cut from the real plugins.
"$cxx" -std=c++20 -O1 -I "$root/tests" "$root/tools/fuzz/make_seeds.cpp" -o "$out/make_seeds"
seed_dirs=("$out/seeds")
if [ -d "$real_plugins" ]; then
  "$out/make_seeds" "$out/seeds" "$real_plugins"
  seed_dirs+=("$real_plugins")
else
  "$out/make_seeds" "$out/seeds"
fi
[ -d "$root/tests/fuzz_regressions" ] && seed_dirs+=("$root/tests/fuzz_regressions")

# stderr is closed for the target (the tool reports every fatal error there);
# libFuzzer keeps its own copy for its status lines and the sanitizer reports.
options=(-max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096
         -close_fd_mask=2 -dict="$root/tools/fuzz/quendrel.dict" -print_final_stats=1
         -artifact_prefix="$out/findings/")
cd "$out"
if [ "$jobs" -le 1 ]; then
  exec "$out/fuzz_run" "${options[@]}" "$@" "$out/corpus" "${seed_dirs[@]}"
fi
# Parallel processes sharing one corpus; each writes its own fuzz-N.log here.
rm -f fuzz-*.log
status=0
"$out/fuzz_run" "${options[@]}" -jobs="$jobs" -workers="$jobs" "$@" \
  "$out/corpus" "${seed_dirs[@]}" || status=$?
grep -h -e '^stat::number_of_executed_units' -e 'ERROR' -e 'SUMMARY' fuzz-*.log || true
echo "executions in all: $(grep -h '^stat::number_of_executed_units' fuzz-*.log |
  awk '{n += $2} END {print n + 0}')"
exit "$status"
