#!/usr/bin/env bash
# Compares what rotate.pxt saved with ImageMagick's turns: rotate.check.sh SAMPLES CASE_DIR
set -uo pipefail
samples=$1 out=$2/out
[ -f "$out/right2000.png" ] || { echo "rotate.check: wine.rotate wrote nothing here (skipped?)"; exit 77; }
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
same_turn() {  # SAVED SOURCE DEGREES: equal where the source reaches, white in the padding
  local w h pw
  read -r w h < <(convert "$2" -rotate "$3" -format '%w %h' info:)
  convert "$2" -rotate "$3" "$tmp/want.ppm"
  convert "$1" -crop "${w}x${h}+0+0" +repage "$tmp/got.ppm"
  local ae
  ae=$(compare -metric AE "$tmp/got.ppm" "$tmp/want.ppm" null: 2>&1)
  if [ "$ae" = 0 ]; then echo "ok: $1 is the source turned by $3"; else echo "FAIL: $1: $ae pixels differ from -rotate $3"; failed=1; fi
  pw=$(identify -format '%w' "$1")
  if [ "$pw" -gt "$w" ]; then
    local colours
    colours=$(convert "$1" -crop "$((pw - w))x${h}+${w}+0" +repage -unique-colors -depth 8 txt:- |
              grep -o '#[0-9A-F]\{6\}' | sort -u | paste -sd' ')
    if [ "$colours" = "#FFFFFF" ]; then echo "ok: $1's $((pw - w)) padding columns are white"
    else echo "FAIL: $1's padding is not all white"; failed=1; fi
  fi
}
same_turn "$out/right2000.png" "$samples/rot2000.bmp" 90
same_turn "$out/left4000.png" "$samples/rot4000.bmp" -90
same_turn "$out/right4000.png" "$samples/rot4000.bmp" 90
# The straightened line: its black pixels stay within a pixel of one column (the steps of
# the drawn line, turned, fall either side of it).
straight() {
  local spread
  spread=$(convert "$1" -crop 792x300+0+120 +repage -depth 8 txt:- |
           awk -F'[,: ]+' '/#000000/ {x = $1; if (min == "" || x < min) min = x; if (x > max) max = x} END {print max - min}')
  if [ -n "$spread" ] && [ "$spread" -le 2 ]; then echo "ok: $1 is vertical (columns within $spread)"
  else echo "FAIL: $1 spreads over ${spread:-no} columns"; failed=1; fi
}
straight "$out/down.png"
straight "$out/up.png"
exit $failed
