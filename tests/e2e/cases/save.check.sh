#!/usr/bin/env bash
# Reads what save.pxt wrote with ImageMagick: save.check.sh SAMPLES CASE_DIR
set -uo pipefail
samples=$1 out=$2/out
[ -f "$out/s.png" ] || { echo "save.check: wine.save wrote nothing here (skipped?)"; exit 77; }
failed=0
check() {  # WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failed=1; fi
}
size() { identify -format '%w %h' "$1"; }
colour() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1; }
near_red() { local c; c=$(colour "$@"); [ $((16#${c:1:2})) -gt 200 ] && [ $((16#${c:3:2})) -lt 60 ] && [ $((16#${c:5:2})) -lt 60 ]; }
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

src=$samples/photo.bmp
read -r W H < <(size "$src")
read -r w h < <(size "$out/s.png")
m=$((w - W))
check "the PNG is the picture widened to the left by the line" test "$m" -gt 0 -a "$h" -eq "$H"
# The line's row: its first red pixel in the middle of the margin (the pen is 5 pixels wide).
row=$(convert "$out/s.png" -crop "1x${h}+$((m / 2))+0" +repage -depth 8 txt:- | grep -m1 '#FF0000' |
      sed 's/^0,\([0-9]*\):.*/\1/')
check "the line crosses the margin" test -n "$row"
row=$(( ${row:-10} + 2 ))
check "the margin above the line is white" test "$(colour "$out/s.png" $((m / 2)) 2)" = "#FFFFFF"
check "the line is red inside the picture too" near_red "$out/s.png" $((m + 100)) "$row"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert "$out/s.png" -crop "${W}x$((row - 10))+${m}+0" +repage "$tmp/top.ppm"
convert "$src" -crop "${W}x$((row - 10))+0+0" +repage "$tmp/src_top.ppm"
check "above the line the picture is the source exactly" same_pixels "$tmp/top.ppm" "$tmp/src_top.ppm"
convert "$out/s.png" -crop "${W}x$((H - row - 10))+${m}+$((row + 10))" +repage "$tmp/bottom.ppm"
convert "$src" -crop "${W}x$((H - row - 10))+0+$((row + 10))" +repage "$tmp/src_bottom.ppm"
check "below the line the picture is the source exactly" same_pixels "$tmp/bottom.ppm" "$tmp/src_bottom.ppm"

check "the TIFF is LZW" test "$(identify -format '%C' "$out/s.TIF")" = LZW
check "the TIFF holds the PNG's pixels" same_pixels "$out/s.TIF" "$out/s.png"
check "the GIF has the canvas size" test "$(size "$out/s.gif")" = "$w $h"
check "the GIF keeps the red line" near_red "$out/s.gif" $((m + 100)) "$row"
check "the JPEG is quality 90" test "$(identify -format '%Q' "$out/s.jpg")" = 90
check "the JPEG has the canvas size" test "$(size "$out/s.jpg")" = "$w $h"
# The 792 x 506 view shows the 640 x 480 picture at 506/480 from row 28 of the window: the
# BMP is what is on screen there, not the picture.
check "the BMP is the view as shown" test "$(size "$out/s.bmp")" = "674 504"
check "the BMP shows the line" near_red "$out/s.bmp" 150 $((281 - 28))
check "the BMP is 24-bit" test "$(identify -format '%[bit-depth] %[channels]' "$out/s.bmp")" = "8 srgb"
check "the .trd's JPEG has the canvas size" test "$(size "$out/t.jpg")" = "$w $h"
check "a cancelled JPEG kept its old bytes" cmp -s "$out/s.jpg" "$out/s_before.jpg"
check "the read-only file kept its bytes" test "$(cat "$out/locked.png")" = "old bytes"
check "no temporary file was left" test -z "$(find "$out" -name '~px*')"
check "nothing of the source's metadata in the JPEG" test -z "$(exiftool -s -s -s -Make -DateTimeOriginal "$out/s.jpg")"
exit $failed
