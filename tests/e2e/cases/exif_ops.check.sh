#!/usr/bin/env bash
# What exif_ops.pxt wrote: exif_ops.check.sh SAMPLES CASE_DIR TOOLS_DIR
set -uo pipefail
samples=$1 out=$2/out tools=$3
[ -f "$out/Ne_gps.jpg" ] || { echo "exif_ops.check: wine.exif_ops wrote nothing here (skipped?)"; exit 77; }
. "$(dirname "$0")/exif_times.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for name in gps july; do
  src=$samples/shot_$name.jpg
  [ $name = gps ] && src=$samples/exif_gps.jpg
  cp "$src" "$tmp/$name.jpg"
  "$tools/pixaro-exif" --strip "$tmp/$name.jpg" || { echo "FAIL: pixaro-exif --strip $name.jpg"; failed=1; continue; }
  if cmp -s "$tmp/Ne_$name.jpg" "$out/Ne_$name.jpg"; then echo "ok: Ne_$name.jpg equals pixaro-exif --strip"; else
    echo "FAIL: Ne_$name.jpg differs from pixaro-exif --strip"; failed=1; fi
done
if [ -n "$(exiftool -a -G1 -Exif:All "$out/Ne_gps.jpg")" ]; then echo "FAIL: Ne_gps.jpg still has Exif"; failed=1; fi
# Local time in Berlin: summer time (UTC+2) in April and July, winter time (UTC+1) in January.
expect_time gps.jpg "2023-04-05 04:07:08"
expect_time july.jpg "2024-07-15 10:00:00"
expect_time january.jpg "2024-01-15 11:00:00"
exit $failed
