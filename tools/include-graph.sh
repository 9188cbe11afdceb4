#!/usr/bin/env bash
# Prints which src/ folders include which, and fails on an include between folders that
# src/floors.txt does not allow, and when folders include each other, directly or round a
# longer loop. Usage: tools/include-graph.sh [--table]
set -euo pipefail
cd "$(dirname "$0")/.."

edges=$(grep -rHo '^#include "[a-z]*/' src --include='*.h' --include='*.cpp' |
  sed -E 's#^src/([a-z]+)/[^:]*:\#include "([a-z]+)/#\1 \2#' | awk '$1 != $2' | sort -u)

if [ "${1:-}" = "--table" ]; then
  echo "| folder | includes |"
  echo "| --- | --- |"
  for from in $(ls src); do
    [ -d "src/$from" ] || continue
    to=$(echo "$edges" | awk -v f="$from" '$1 == f {print $2}' | paste -sd' ')
    echo "| $from | ${to:-—} |"
  done
fi

allowed=$(sed -e 's/#.*//' src/floors.txt | awk -F: 'NF == 2 {n = split($2, t, " "); for (i = 1; i <= n; i++) print $1, t[i]}' | sort -u)
bad=0
for from in $(ls src); do
  [ -d "src/$from" ] || continue
  grep -q "^$from:" src/floors.txt || { echo "include-graph: src/$from is not in src/floors.txt" >&2; bad=1; }
done
while read -r from to; do
  [ -n "$from" ] || continue
  if ! grep -qx "$from $to" <<<"$allowed"; then
    echo "include-graph: src/$from includes src/$to, which src/floors.txt does not allow:" >&2
    grep -rln "^#include \"$to/" "src/$from" | sed 's/^/  /' >&2
    bad=1
  fi
done <<<"$edges"

# tsort names every folder on a loop on stderr.
if ! loops=$(echo "$edges" | tsort 2>&1 >/dev/null) || [ -n "$loops" ]; then
  echo "include-graph: folders include each other:" >&2
  echo "$loops" | grep -v 'contains a loop' | sed 's/^tsort: //' | sort -u | paste -sd' ' >&2
  bad=1
fi
exit $bad
