#!/usr/bin/env bash
# make_batch_samples.sh OUTDIR: OUTDIR/batch, a folder of photographs for the batch run, their
# metadata written by exiftool: three makers (one empty), 24 distinct shooting times, two
# shots in the same second, one file without Exif, one without a date, one whose new name a
# file without Exif already has, two Japanese names (trail bytes 0x5C and 0x7C), and a text
# file. Quick when OUTDIR/batch/.done is newer than this script.
set -euo pipefail
out=$1/batch
convert=/usr/bin/convert
if [ -f "$out/.done" ] && [ "$out/.done" -nt "$0" ]; then exit 0; fi
rm -rf "$out"
mkdir -p "$out"
cd "$out"
photo() {  # NAME COLOUR [exiftool tags...]
  local name=$1 colour=$2
  shift 2
  "$convert" -size 64x48 xc:"$colour" -strip -quality 90 "$name"
  [ $# -eq 0 ] || exiftool -q -overwrite_original "$@" "$name"
}
makers=(Pixacam "Norvane Optics, Inc." "")
for i in $(seq 1 24); do
  n=$(printf %02d "$i")
  make=${makers[$((i % 3))]}
  colour=$([ "$i" = 1 ] && echo '#e01010' || printf '#%02x8080' $((i * 8)))
  photo "a$n.jpg" "$colour" -Make="$make" -Model="PX-$i" -DateTimeOriginal="2024:03:01 10:00:$n"
done
photo b1.jpg '#208020' -Make=Pixacam -DateTimeOriginal="2024:05:05 05:05:05"
photo b2.jpg '#208040' -Make=Pixacam -DateTimeOriginal="2024:05:05 05:05:05"
photo noexif.jpg '#404040'
photo nodate.jpg '#505050' -Make=Pixacam -Model=PX-0
photo taken.jpg '#606060' -Make=Pixacam -DateTimeOriginal="2024:06:06 06:06:06"
photo Pixacam_2024_06_06_06_06_06.jpg '#707070'
photo 表示.jpg '#808090' -Make=Pixacam -DateTimeOriginal="2024:07:07 07:07:07"
photo ポスター.jpg '#9090a0' -Make=Pixacam -DateTimeOriginal="2024:08:08 08:08:08"
echo "not a picture" > note.txt
touch .done
