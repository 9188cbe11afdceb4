#!/usr/bin/env bash
# Side by side on this machine: pixaro-trace against potrace -b dxf on the same PBM (whole
# process, best of 3; pixaro both as pixel segments and as the JWW coordinate file), Pixaro's
# monochrome conversion against ImageMagick's -threshold on one 50-megapixel PGM, and the
# centre-line mode against potrace on scanned technical drawings with both peak memories.
# Prints the times and the ratios.
#   tools/trace-compare.sh [BUILD_DIR]     (default build/native; pixaro-trace must be built there)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
trace="$build/pixaro-trace"
work="$build/trace-compare"
[ -x "$trace" ] || { echo "trace-compare: build pixaro-trace in $build first" >&2; exit 1; }
command -v potrace >/dev/null || { echo "trace-compare: potrace is not installed" >&2; exit 1; }
[ -x /usr/bin/convert ] || { echo "trace-compare: ImageMagick (/usr/bin/convert) is not installed" >&2; exit 1; }
mkdir -p "$work"
g++ -std=c++20 -O2 -Isrc -Itools/quality tools/quality/make-drawing.cpp "$build/libpixaro_core.a" -o "$work/make-drawing"

# Best wall time in seconds of three runs of a command.
best_of_3() {
  local best=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "trace-compare: failed: $*" >&2; exit 1; }
    end=$(date +%s.%N)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; if (b == "" || t < b) b = t; printf "%.3f", b }')
  done
  echo "$best"
}

echo "machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
printf '\n%-8s %-13s %9s %9s %14s %9s %9s %12s %10s\n' sheet pixels pixaro-s jww-s "potrace-dxf-s" ratio jww-ratio \
  pixaro-lines jww-MB
for sheet in a4 a3 a1; do
  pbm="$work/mixed-$sheet.pbm"
  [ -f "$pbm" ] || "$work/make-drawing" pbm mixed "$sheet" 7 "$pbm"
  size=$(sed -n 2p "$pbm" | tr ' ' x)
  ours=$(best_of_3 "$trace" "$pbm" -o "$work/mixed-$sheet.txt")
  jww=$(best_of_3 "$trace" "$pbm" --format jww --dpi 400 -o "$work/mixed-$sheet.jww.txt")
  theirs=$(best_of_3 potrace -b dxf "$pbm" -o "$work/mixed-$sheet.dxf")
  lines=$(wc -l < "$work/mixed-$sheet.txt")
  ratio=$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')
  jwwratio=$(awk -v a="$theirs" -v b="$jww" 'BEGIN { printf "%.2f", a / b }')
  mb=$(awk -v s="$(stat -c %s "$work/mixed-$sheet.jww.txt")" 'BEGIN { printf "%.1f", s / 1048576 }')
  printf '%-8s %-13s %9s %9s %14s %8sx %8sx %12s %10s\n' "$sheet" "$size" "$ours" "$jww" "$theirs" "$ratio" "$jwwratio" \
    "$lines" "$mb"
done
echo "(ratios: potrace time over pixaro-trace time; level 3, solid; jww: --format jww --dpi 400 -o FILE)"

pgm="$work/scan-50mp.pgm"
[ -f "$pgm" ] || "$work/make-drawing" pgm 8660 5774 7 "$pgm"
ours=$(best_of_3 "$work/make-drawing" threshold "$pgm" 128 "$work/ours.pbm")
theirs=$(best_of_3 /usr/bin/convert "$pgm" -threshold 50% "$work/magick.pbm")
inner=$("$work/make-drawing" threshold "$pgm" 128 "$work/ours.pbm" 2>&1 | awk '{ print $2 }')
same=$(cmp -s "$work/ours.pbm" "$work/magick.pbm" && echo identical || echo different)
printf '\nthreshold, 8660x5774 grey PGM to PBM (whole process):\n'
printf '  pixaro (read, SimpleMonochrome 128, write) %s s  (the conversion alone %s s)\n' "$ours" "$inner"
printf '  convert -threshold 50%%                      %s s\n' "$theirs"
printf '  ratio %sx; the two bitmaps are %s\n' "$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')" "$same"

# Peak resident memory of a command in MB.
peak_mb() {
  /usr/bin/time -o "$work/peak.txt" -f %M "$@" >/dev/null 2>&1 || { echo "trace-compare: failed: $*" >&2; exit 1; }
  awk '{ printf "%.0f", $1 / 1024 }' "$work/peak.txt"
}

[ -x /usr/bin/time ] || { echo "trace-compare: GNU time (/usr/bin/time) is not installed; run tools/setup.sh" >&2; exit 1; }
printf '
centre line (--mode centre, level 3) on scanned technical drawings (make-drawing pbm scan SHEET 7):
'
printf '%-8s %-13s %9s %14s %9s %10s %12s %12s\n' sheet pixels centre-s "potrace-dxf-s" ratio centre-MB potrace-MB centre-lines
for sheet in a4 a1; do
  pbm="$work/scan-$sheet.pbm"
  "$work/make-drawing" pbm scan "$sheet" 7 "$pbm"  # made afresh: the drawing kinds still change
  size=$(sed -n 2p "$pbm" | tr ' ' x)
  ours=$(best_of_3 "$trace" --mode centre "$pbm" -o "$work/scan-$sheet.txt")
  theirs=$(best_of_3 potrace -b dxf "$pbm" -o "$work/scan-$sheet.dxf")
  ourmem=$(peak_mb "$trace" --mode centre "$pbm" -o "$work/scan-$sheet.txt")
  theirmem=$(peak_mb potrace -b dxf "$pbm" -o "$work/scan-$sheet.dxf")
  lines=$(wc -l < "$work/scan-$sheet.txt")
  ratio=$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')
  printf '%-8s %-13s %9s %14s %8sx %10s %12s %12s\n' "$sheet" "$size" "$ours" "$theirs" "$ratio" "$ourmem" "$theirmem" "$lines"
done
echo "(ratio: potrace time over pixaro-trace time, whole process, best of 3; memory: peak resident set)"
