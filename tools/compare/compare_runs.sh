#!/bin/bash
# Runs two builds of Quendrel over the same plugins with the same rules and
# options and compares everything each run leaves: QNOUT.ESP, qnlog.txt,
# cell_log.txt, the console (standard output and error), what the editor was
# shown (qnmsg.txt) and the exit status. Used to check that a change keeps
# every output byte, and that the Windows build writes what the Linux build
# writes.
#
#   tools/compare/compare_runs.sh OLD NEW PLUGIN...
#
# OLD and NEW are commands (a program path, or e.g. "wine64 /x/quendrel.exe").
# Environment: RULES  rules files to use, separated by "|" (default below)
#              OPTIONS option sets, separated by "|" (default below)
#              CRLF_LOGS=1  the NEW build writes the run log, the message file
#                           and the console with CR LF line ends (Windows):
#                           they are compared with CR LF taken back to LF
# Prints one line per file that differs and exits 1 when a case differs
# twice: a case that differs is run again, and one that is the same the
# second time (a machine's hiccup, not a build's fault) is shown, not counted.
set -u
old=$1
new=$2
shift 2
RULES=${RULES:-"TA, 3, -2|CA, 1, 1|DA|CE, 0, 0, 40, 40
TC, -1, -1, 2, 2|TR, \"\", 1, 0
DR, \"\""}
OPTIONS=${OPTIONS:-"|-v|-n|-d|-l|-v -n -d"}
work=$(mktemp -d "${TMPDIR:-/tmp}/quendrel-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/stub"
printf '#!/bin/sh\ncat "$1" > "%s/saw" 2>/dev/null\nexit 0\n' "$work/run" > "$work/stub/notepad"
printf '@type %%1 > saw 2>nul\r\n@exit /b 0\r\n' > "$work/stub/notepad.bat"
chmod +x "$work/stub/notepad"

# One run in a fresh folder: leaves the folder's files in $work/$label.
run_one() {
  local label=$1 command=$2 plugin=$3 rules=$4 options=$5
  rm -rf "$work/run"
  mkdir -p "$work/run"
  cp "$plugin" "$work/run/in.esp"
  printf '%s\n' "$rules" > "$work/run/quendrel.cfg"
  (cd "$work/run" && PATH="$work/stub:$PATH" WINEPATH="$work/stub" \
     $command $options in.esp > stdout.txt 2> stderr.txt < /dev/null; echo $? > status.txt)
  rm -rf "${work:?}/$label"
  mv "$work/run" "$work/$label"
}

for plugin in "$@"; do
  [ -f "$plugin" ] || { echo "no plugin $plugin" >&2; exit 2; }
done

# Compares the two runs' files; prints a line per file that differs and
# fails when any did.
compare_pair() {
  local label=$1 same=0 file a b
  for file in status.txt QNOUT.ESP cell_log.txt qnlog.txt stdout.txt stderr.txt saw; do
    a=$work/old/$file
    b=$work/new/$file
    [ -e "$a" ] || [ -e "$b" ] || continue
    if [ "${CRLF_LOGS:-0}" = 1 ] && [ "$file" != QNOUT.ESP ] && [ "$file" != cell_log.txt ]; then
      [ -e "$b" ] && sed -i 's/\r$//' "$b"
    fi
    if ! cmp -s "$a" "$b"; then
      echo "differs: $file for $label"
      same=1
    fi
  done
  return $same
}

# What each run ended with, to tell a fault of the build from one of the
# machine (a full disk, an emulator that failed to start).
show_pair() {
  local side
  for side in old new; do
    echo "  $side: exit status $(cat "$work/$side/status.txt" 2>/dev/null); files: $(cd "$work/$side" && ls | tr '\n' ' ')"
    tail -n 4 "$work/$side/stdout.txt" "$work/$side/stderr.txt" 2>/dev/null | sed 's/^/    /'
  done
}

differences=0
IFS='|' read -r -d '' -a rule_sets < <(printf '%s' "$RULES")
IFS='|' read -r -d '' -a option_sets < <(printf '%s' "$OPTIONS")
for plugin in "$@"; do
  for rules in "${rule_sets[@]}"; do
    for options in "${option_sets[@]}"; do
      label="$(basename "$plugin") with rules [$rules] options [$options]"
      run_one old "$old" "$plugin" "$rules" "$options"
      run_one new "$new" "$plugin" "$rules" "$options"
      compare_pair "$label" && continue
      show_pair
      # A case that differs is run again once: a difference both runs show is
      # the builds'; one that goes away was the machine's, and is shown above
      # but not counted.
      run_one old "$old" "$plugin" "$rules" "$options"
      run_one new "$new" "$plugin" "$rules" "$options"
      if compare_pair "$label (run again)"; then
        echo "  the same when run again: not counted"
      else
        show_pair
        differences=$((differences + 1))
      fi
    done
  done
done
echo "$differences cases differ"
[ "$differences" -eq 0 ]
