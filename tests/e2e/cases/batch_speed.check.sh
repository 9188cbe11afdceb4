#!/usr/bin/env bash
# batch_speed.check.sh SAMPLES CASE_DIR: the run's result, and exiftool's rename of copies of
# the same 1,000 files (whole process) beside the time the driver measured.
set -uo pipefail
[ -f "$2/result.txt" ] || { echo "batch_speed.check: wine.batch_speed wrote nothing here (skipped?)"; exit 77; }
failed=0
head -c 200 "$2/result.txt" | iconv -f CP932 -t UTF-8 | head -2 | tail -1 | grep -q "=1000" ||
  { echo "FAIL: not every file was renamed:"; iconv -f CP932 -t UTF-8 "$2/result.txt"; failed=1; }
ms=$(grep -o 'batch_1000: [0-9]* ms' "$2/driver.log" | grep -o '[0-9]*' | tail -1)
tmp=$(mktemp -d)
for i in $(seq 0 999); do cp "$1/shot_july.jpg" "$tmp/p$(printf %04d "$i").jpg"; done
start=$(date +%s%N)
# The copies share one shooting time: the old name keeps the new ones apart, so exiftool is
# not timed probing "-1", "-2", ... suffixes.
exiftool -q -d '%Y%m%d_%H%M%S' '-FileName<${DateTimeOriginal}_%f.%e' "$tmp" >/dev/null 2>&1
peer=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$(ls "$tmp" | wc -l)" = 1000 ] || { echo "FAIL: exiftool lost files"; failed=1; }
rm -rf "$tmp"
echo "batch over 1000 photographs under Wine: ${ms:-?} ms (rename, times, copies); exiftool -FileName<DateTimeOriginal (with the old name): $peer ms (rename only)"
[ -n "$ms" ] && awk -v a="$ms" -v b="$peer" 'BEGIN { printf "ratio Pixaro/exiftool: %.2f\n", a / b }'
exit $failed
