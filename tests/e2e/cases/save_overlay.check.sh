#!/usr/bin/env bash
# The two saves of save_overlay.pxt: save_overlay.check.sh SAMPLES CASE_DIR
set -uo pipefail
out=$2/out
[ -f "$out/burned.png" ] || { echo "save_overlay.check: wine.save_overlay wrote nothing here (skipped?)"; exit 77; }
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ae() {  # A B GEOMETRY: pixels that differ inside GEOMETRY
  convert "$1" -crop "$3" +repage "$tmp/a.ppm"
  convert "$2" -crop "$3" +repage "$tmp/b.ppm"
  compare -metric AE "$tmp/a.ppm" "$tmp/b.ppm" null: 2>&1
}
for f in plain burned; do
  if [ "$(identify -format '%w %h' "$out/$f.png")" = "640 480" ]; then echo "ok: $f.png has the picture's size"
  else echo "FAIL: $f.png is $(identify -format '%w %h' "$out/$f.png")"; failed=1; fi
done
# The title row sits at the top right; the lower half holds no row.
top=$(ae "$out/plain.png" "$out/burned.png" 640x100+0+0)
bottom=$(ae "$out/plain.png" "$out/burned.png" 640x240+0+240)
if [ "${top%%.*}" -gt 200 ]; then echo "ok: the title row is burned in ($top pixels)"; else echo "FAIL: no title row burned in ($top)"; failed=1; fi
if [ "$bottom" = 0 ]; then echo "ok: elsewhere both saves are the same picture"; else echo "FAIL: $bottom pixels differ below the rows"; failed=1; fi
exit $failed
