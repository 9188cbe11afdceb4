#!/usr/bin/env bash
# The times of the JPEGs save_times.pxt wrote: save_times.check.sh SAMPLES CASE_DIR
set -uo pipefail
out=$2/out
[ -f "$out/july_memo.jpg" ] || { echo "save_times.check: wine.save_times wrote nothing here (skipped?)"; exit 77; }
failed=0
expect_time() {  # FILE UTC
  local want got
  want=$(date -u -d "$2" +%s)
  got=$(stat -c %Y "$out/$1")
  if [ "$got" = "$want" ]; then echo "ok: $1 written at $2 UTC"; else
    echo "FAIL: $1 written at $(date -u -d "@$got" '+%F %T') UTC, not $2"; failed=1; fi
}
# 12:00 in Berlin: summer time (UTC+2) in July, winter time (UTC+1) in January.
expect_time july_memo.jpg "2024-07-15 10:00:00"
expect_time january_memo.jpg "2024-01-15 11:00:00"
if [ -n "$(exiftool -s -s -s -Make -DateTimeOriginal "$out/july_memo.jpg")" ]; then
  echo "FAIL: the saved JPEG carries the photograph's Exif"; failed=1
else
  echo "ok: the saved JPEG carries no Exif of the photograph"
fi
exit $failed
