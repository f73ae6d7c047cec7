#!/bin/bash
# Runs two builds of quendrel-map over the same plugins and options and
# compares what each writes: the planner page (--html), the picture (SVG and
# PNG) and the report (line ends aside). Used to check that the Windows build
# writes the Linux build's bytes.
#
#   tools/compare/compare_map_outputs.sh OLD NEW CORPUS_DIR
#
# OLD and NEW are commands (a program path, or e.g. "wine-run.sh /x/quendrel-map.exe").
# Each case is a plugin of CORPUS_DIR, a rules file and the plugins checked
# against (through an openmw.cfg for one case); a case whose files are
# missing is passed over. Prints one line per difference and exits 1 when
# there is any.
set -u
old=$1
new=$2
corpus=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/quendrel-map-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT

# plugin | rules | options (plugins checked against, relative to the run folder)
cases=(
  "sel_island_ext.ESP|MC, -16, 28, -11, 23|--against VV_2020.esm"
  "sel_island_ext.ESP|TA, 2, -3|--against VV_2020.esm"
  "FiremothReclaimed.esp||--load-order openmw.cfg"
  "Fortified Molag Mar.ESP|CA, -14, 0|--against FiremothReclaimed.esp --against VV_2020.esm"
)

# One run in a fresh folder holding the corpus's plugins: leaves its files in $work/$label.
run_one() {
  local label=$1 command=$2 plugin=$3 rules=$4 options=$5
  rm -rf "$work/run"
  mkdir -p "$work/run"
  cp "$corpus"/*.es[mp] "$corpus"/*.ES[MP] "$work/run/" 2>/dev/null
  printf 'data="."\ncontent=VV_2020.esm\ncontent=The_Lucky_Fellow.ESP\n' > "$work/run/openmw.cfg"
  printf '%s\n' "$rules" > "$work/run/rules.cfg"
  # shellcheck disable=SC2086  # the options are words
  (cd "$work/run" && $command --rules rules.cfg $options --output map.svg --png map.png \
     --html map.html "$plugin" > stdout.txt 2> stderr.txt < /dev/null; echo $? > status.txt)
  tr -d '\r' < "$work/run/stdout.txt" > "$work/run/report.txt"
  rm -rf "${work:?}/$label"
  mv "$work/run" "$work/$label"
}

differences=0
for entry in "${cases[@]}"; do
  IFS='|' read -r plugin rules options <<< "$entry"
  [ -f "$corpus/$plugin" ] || { echo "passed over: $plugin is not in $corpus"; continue; }
  run_one old "$old" "$plugin" "$rules" "$options"
  run_one new "$new" "$plugin" "$rules" "$options"
  for file in status.txt report.txt map.html map.svg map.png; do
    if [ ! -s "$work/old/$file" ] && [ "$file" != status.txt ]; then
      echo "$plugin ($rules): the first build wrote no $file: $(cat "$work/old/stderr.txt")"
      differences=$((differences + 1))
    elif ! cmp -s "$work/old/$file" "$work/new/$file"; then
      echo "$plugin ($rules): $file differs"
      differences=$((differences + 1))
    fi
  done
done
echo "quendrel-map outputs compared: $differences differences"
[ "$differences" -eq 0 ]
