#!/usr/bin/env bash
# make_samples.sh SAMPLEGEN OUTDIR [PIXARO_TRACE]: the sample pictures for the end-to-end
# cases, and with PIXARO_TRACE what the conversion dialog must write for mono_b0.bmp.
# samplegen writes what ImageMagick cannot (1-bit BMPs, PBMs, metafiles, lying headers);
# ImageMagick converts its photo and drawings to JPEG, GIF, PNG and TIFF.
# Quick when OUTDIR/.done is newer than both SAMPLEGEN and this script.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 SAMPLEGEN OUTDIR [PIXARO_TRACE]" >&2
  exit 2
fi
# Absolute, because the samples are made from inside OUTDIR.
samplegen=$(realpath "$1")
out=$2
trace=${3:+$(realpath "$3")}
# /usr/local/bin/convert may be a stand-in; only the real one writes pictures.
convert=/usr/bin/convert
"$(dirname "$0")/make_exif_samples.sh" "$out"
"$(dirname "$0")/make_batch_samples.sh" "$out"
"$(dirname "$0")/make_photo_samples.sh" "$out"

# The dialog's output at 300 dpi, 1/50, level 3, solid: as a file and as the clipboard block;
# and in "芯線" at 200 dpi, 1/100, levels 3 and 6.
jww_expected() {
  [ -n "$trace" ] || return 0
  "$trace" "$out/mono_b0.bmp" --format jww --dpi 300 --scale 50 -o "$out/mono_b0.jww.txt" 2>/dev/null
  "$trace" "$out/mono_b0.bmp" --format jww-clip --dpi 300 --scale 50 -o "$out/mono_b0.jwwclip" 2>/dev/null
  local level
  for level in 3 6; do
    "$trace" "$out/mono_centre.bmp" --mode centre --level $level --format jww --dpi 200 --scale 100 \
      -o "$out/mono_centre_l$level.jww.txt" 2>/dev/null
  done
  "$trace" "$out/mono_centre.bmp" --mode centre --level 3 --format jww-clip --dpi 200 --scale 100 \
    -o "$out/mono_centre_l3.jwwclip" 2>/dev/null
}

if [ -f "$out/.done" ] && [ "$out/.done" -nt "$samplegen" ] && [ "$out/.done" -nt "$0" ]; then
  jww_expected
  exit 0
fi

mkdir -p "$out"
rm -f "$out/.done"
"$samplegen" "$out"
cd "$out"

# No time stamps or tool names inside, so reruns give the same bytes.
plain=(-strip -define png:exclude-chunks=date,time)
"$convert" photo.bmp "${plain[@]}" -quality 90 photo.jpg
"$convert" photo.bmp "${plain[@]}" photo.gif
"$convert" photo.bmp "${plain[@]}" photo.png
"$convert" photo.bmp "${plain[@]}" -compress lzw photo.tif
"$convert" photo.bmp "${plain[@]}" -quality 92 -sampling-factor 1x1 sample.jpg
"$convert" red.bmp "${plain[@]}" -quality 90 red.jpg
"$convert" red.bmp "${plain[@]}" red.png
"$convert" red.bmp "${plain[@]}" -compress none red.tif
"$convert" mono_b0.bmp "${plain[@]}" -type bilevel -compress group4 mono_draw.tif
"$convert" mono_b0.bmp "${plain[@]}" -type bilevel -compress none mono_draw_none.tif
# PNG beyond 8-bit RGB for our reader in ifpng: 16 bits interlaced, and 1-bit grey, which
# reaches the host as a 1-bit picture.
"$convert" red.bmp "${plain[@]}" -depth 16 -interlace PNG -define png:color-type=2 -define png:bit-depth=16 red_adam7_16.png
"$convert" mono_b0.bmp "${plain[@]}" -type bilevel mono_draw.png
"$convert" big.bmp "${plain[@]}" -quality 85 big.jpg
# Rotation: random pixels (every pixel tells where it came from) on both sides of the size
# that switches to the large-picture turn, and a line 3 pixels off vertical over 100 on a
# picture exactly the size of the view of an 800 x 600 window, so clicks land on pixels.
"$convert" -size 2000x2000 xc:gray +noise Random -depth 8 -type truecolor BMP3:rot2000.bmp
"$convert" -size 4000x3000 xc:gray +noise Random -depth 8 -type truecolor BMP3:rot4000.bmp
"$convert" -size 792x506 xc:white +antialias -stroke black -draw "line 400,50 412,450" -type truecolor BMP3:tilt.bmp

# Cut real files short: the header is fine, the picture data stops.
cut_file() {  # SOURCE TARGET PERCENT
  local size
  size=$(stat -c %s "$1")
  head -c $((size * $3 / 100)) "$1" > "$2"
}
cut_file photo.jpg trunc.jpg 30
cut_file photo.gif trunc.gif 30
cut_file photo.png trunc.png 30
cut_file photo.tif trunc.tif 30
# One byte of the pixels changed: the checksum no longer matches.
cp photo.png badcrc.png
printf '\x5a' | dd of=badcrc.png bs=1 seek=$(($(stat -c %s photo.png) / 2)) conv=notrunc status=none

cp red.jpg UPPER.JPG
cp red.jpg "space name.jpg"
# A graffiti layer beside its photograph, and the same file alone in another folder.
cp photo.jpg annotated.jpg
mkdir -p lone
cp annotated.trd lone/annotated.trd
jww_expected

touch .done
