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
rm -rf "$out" "$1/batch_crash" "$1/batch_crash_orig"
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

# A run stopped half-way through its second phase: 1.jpg already renamed to 2.jpg, the old
# 2.jpg and 表示.jpg still under their temporary names, the journal beside them. The
# originals are kept in batch_crash_orig for the comparison after the undo.
mkdir -p ../batch_crash_orig ../batch_crash
cd ../batch_crash_orig
rm -f ./*
photo 1.jpg '#c02020' -Make=Pixacam -DateTimeOriginal="2024:01:01 01:01:01"
photo 2.jpg '#20c020' -Make=Pixacam -DateTimeOriginal="2024:01:01 01:01:02"
photo 表示.jpg '#2020c0' -Make=Pixacam -DateTimeOriginal="2024:01:01 01:01:03"
photo other.jpg '#c0c020'
cd ../batch_crash
rm -f ./* ./~*
cp ../batch_crash_orig/1.jpg 2.jpg
cp ../batch_crash_orig/2.jpg "~pxr00c0ffee_1.tmp"
cp ../batch_crash_orig/表示.jpg "~pxr00c0ffee_2.tmp"
cp ../batch_crash_orig/other.jpg other.jpg
printf 'Pixaro rename journal\r\nphase 2\r\n1.jpg\t~pxr00c0ffee_0.tmp\t2.jpg\r\n2.jpg\t~pxr00c0ffee_1.tmp\t3.jpg\r\n表示.jpg\t~pxr00c0ffee_2.tmp\tPixacam_2024_01_01_01_01_03.jpg\r\nend\r\n' |
  iconv -f UTF-8 -t CP932 > "~pixaro-rename.jnl"
cd "$out"
touch .done
