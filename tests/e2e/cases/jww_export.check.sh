#!/usr/bin/env bash
# What jww_export.pxt put on the clipboard and in files: jww_export.check.sh SAMPLES CASE_DIR TOOLS
set -uo pipefail
case_dir=$2 tools=$3
[ -f "$case_dir/layer.txt" ] || { echo "jww_export.check: wine.jww_export wrote nothing here (skipped?)"; exit 77; }
failed=0
check() {  # WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failed=1; fi
}
has() { grep -q -- "$2" <<<"$1"; }
path=$("$tools/pixaro-trace" --check "$case_dir/path.jww")
check "the image-path block: the text, then the layer's line and text frame" has "$path" "Jw_win block, "
check "its first record is the image-path text" has "$path" 'first text "\^@BM'
memo=$("$tools/pixaro-trace" --check "$case_dir/memo.jww")
check "the displayed-picture block names the memo JPEG" has "$memo" 'photo_memo.jpg,'
check "the memo JPEG is a 640 x 480 picture" test "$(identify -format '%w %h' "$case_dir/photo_memo.jpg")" = "640 480"
view=$("$tools/pixaro-trace" --check "$case_dir/view.jww")
check "the metafile copy's block holds the layer" has "$view" "Jw_win block, "
for emf in view.emf view_saved.emf alone.emf; do
  check "$emf is an enhanced metafile described \"Pixaro\"" \
    bash -c "file '$case_dir/$emf' | grep -q 'Enhanced Metafile' && strings -el '$case_dir/$emf' | grep -q '^Pixaro$'"
  # The header's nBytes (offset 48) is the whole file.
  check "$emf's header gives its size" \
    test "$(od -An -tu4 -j48 -N4 "$case_dir/$emf" | tr -d ' ')" = "$(stat -c %s "$case_dir/$emf")"
done
# Played back, the metafile shows the picture and, in red, the graffiti line.
red=$(convert "$case_dir/view.bmp" -fill black -fuzz 20% +opaque '#FF0000' -fill white -opaque '#FF0000' \
      -format '%[fx:int(mean*w*h+0.5)]' info:)
check "the played metafile has the red graffiti line ($red pixels)" test "${red:-0}" -gt 50
check "the played metafile shows the picture" test "$(convert "$case_dir/view.bmp" -format '%[fx:mean<0.95]' info:)" = 1
"$tools/pixaro-trace" --graffiti "$case_dir/layer.trd" --dpi 100 --scale 50 -o "$case_dir/native.txt"
check "the dialog's coordinate file is the native export byte for byte" cmp "$case_dir/layer.txt" "$case_dir/native.txt"
exit $failed
