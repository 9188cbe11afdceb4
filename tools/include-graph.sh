#!/usr/bin/env bash
# Prints which src/ folders include which, and fails when two folders include each other,
# directly or round a longer loop. Usage: tools/include-graph.sh [--table]
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

# tsort names every folder on a loop on stderr.
if ! loops=$(echo "$edges" | tsort 2>&1 >/dev/null) || [ -n "$loops" ]; then
  echo "include-graph: folders include each other:" >&2
  echo "$loops" | grep -v 'contains a loop' | sed 's/^tsort: //' | sort -u | paste -sd' ' >&2
  exit 1
fi
