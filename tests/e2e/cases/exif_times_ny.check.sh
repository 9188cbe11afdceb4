#!/usr/bin/env bash
# The times exif_times_ny.pxt set: exif_times_ny.check.sh SAMPLES CASE_DIR TOOLS_DIR
set -uo pipefail
out=$2/out
[ -f "$out/july.jpg" ] || { echo "exif_times_ny.check: wine.exif_times_ny wrote nothing here (skipped?)"; exit 77; }
. "$(dirname "$0")/exif_times.sh"
# 12:00 in New York: UTC-4 in July, UTC-5 in January.
expect_time july.jpg "2024-07-15 16:00:00"
expect_time january.jpg "2024-01-15 17:00:00"
exit $failed
