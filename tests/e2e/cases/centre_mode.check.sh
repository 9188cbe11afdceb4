#!/usr/bin/env bash
# What centre_mode.pxt wrote, read natively: centre_mode.check.sh SAMPLES CASE_DIR TOOLS
set -uo pipefail
samples=$1 case_dir=$2 tools=$3
[ -f "$case_dir/centre.txt" ] || { echo "centre_mode.check: wine.centre_mode wrote nothing here (skipped?)"; exit 77; }
failed=0
check() {  # WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failed=1; fi
}
trace() { "$tools/pixaro-trace" "$samples/mono_centre.bmp" --mode centre --dpi 200 --scale 100 "$@" 2>/dev/null; }
check "the file the dialog wrote is a coordinate text" "$tools/pixaro-trace" --check "$case_dir/centre.txt"
check "the block the dialog put on the clipboard reads back" "$tools/pixaro-trace" --check "$case_dir/centre.jwwclip"
trace --level 3 --format jww -o "$case_dir/threads1.txt" --threads 1
trace --level 3 --format jww -o "$case_dir/threads3.txt" --threads 3
check "one worker or three give the same lines" cmp "$case_dir/threads1.txt" "$case_dir/threads3.txt"
check "and the same as the dialog's level 3" cmp "$case_dir/threads1.txt" "$samples/mono_centre_l3.jww.txt"
exit $failed
