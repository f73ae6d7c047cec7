#!/bin/bash
# Checks that the rules quendrel-map resolves by grid (--write-rules) make
# quendrel write the very same plugin as the rules they come from, over the
# plugins given and a set of rules files.
#
#   tools/compare/compare_resolved_rules.sh BUILD_DIR PLUGIN...
#
# BUILD_DIR holds quendrel and quendrel-map. Environment: RULES, rules files
# separated by "|" (default below). Prints one line per difference and per
# plugin whose rules cannot be resolved by grid, and exits 1 on a difference.
set -u
build=$1
shift
RULES=${RULES:-"TA, 3, -2|CA, 1, 1|DA|CE, 0, 0, 40, 40
TC, -1, -1, 2, 2|TR, \"\", 1, 0
DR, \"\"|TC, 0, 0, 5, 5
TA, -1, 1"}
work=$(mktemp -d "${TMPDIR:-/tmp}/quendrel-resolved-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/stub"
printf '#!/bin/sh\nexit 0\n' > "$work/stub/notepad"
chmod +x "$work/stub/notepad"
export PATH="$work/stub:$PATH"

differences=0
unresolved=0
runs=0
IFS='|' read -r -d '' -a rule_sets < <(printf '%s' "$RULES")
for plugin in "$@"; do
  for rules in "${rule_sets[@]}"; do
    rm -rf "$work/run"
    mkdir -p "$work/run"
    cp "$plugin" "$work/run/in.esp"
    printf '%s\n' "$rules" > "$work/run/rules.cfg"
    (
      cd "$work/run" || exit 2
      "$build/quendrel" --rules rules.cfg --output first.esp in.esp > /dev/null 2>&1
      echo $? > first.status
      "$build/quendrel-map" --rules rules.cfg --write-rules resolved.cfg in.esp \
        > /dev/null 2> map.err
      echo $? > map.status
      if [ -f resolved.cfg ]; then
        "$build/quendrel" --rules resolved.cfg --output second.esp in.esp > /dev/null 2>&1
        echo $? > second.status
      fi
    )
    runs=$((runs + 1))
    if [ ! -f "$work/run/resolved.cfg" ]; then
      unresolved=$((unresolved + 1))
      echo "not resolved: $(basename "$plugin") with rules [$rules]: $(head -c 200 "$work/run/map.err")"
      continue
    fi
    if ! cmp -s "$work/run/first.status" "$work/run/second.status" ||
       { [ -f "$work/run/first.esp" ] || [ -f "$work/run/second.esp" ]; } &&
       ! cmp -s "$work/run/first.esp" "$work/run/second.esp"; then
      echo "differs: $(basename "$plugin") with rules [$rules]"
      differences=$((differences + 1))
    fi
  done
done
echo "$runs runs, $differences differences, $unresolved not resolved by grid"
[ "$differences" -eq 0 ]
