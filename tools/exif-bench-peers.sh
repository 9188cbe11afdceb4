#!/usr/bin/env bash
# exif-bench-peers.sh PIXARO_EXIF [COUNT]: whole-process time of pixaro-exif, `exiv2 -pa` and
# exiftool over the same COUNT (1000) camera-like JPEG files, best of three runs each, and the
# ratios. The files (ten variants of a 1024x768 photograph with a typical Exif block, GPS and a
# thumbnail) are written by ImageMagick and exiftool into a temporary folder.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 PIXARO_EXIF [COUNT]" >&2
  exit 2
fi
tool=$(realpath "$1")
count=${2:-1000}
for t in exiftool exiv2; do command -v "$t" >/dev/null || { echo "$t is missing" >&2; exit 1; }; done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

/usr/bin/convert -size 1024x768 plasma:fractal -seed 7 -strip -quality 88 base.jpg 2>/dev/null ||
  /usr/bin/convert -size 1024x768 gradient:'#336699-#cc9966' -strip -quality 88 base.jpg
/usr/bin/convert base.jpg -resize 160x120 -quality 75 thumb.jpg
for v in 0 1 2 3 4 5 6 7 8 9; do
  cp base.jpg "v$v.jpg"
  exiftool -q -overwrite_original -ExifByteOrder=$([ $((v % 2)) -eq 0 ] && echo II || echo MM) \
    -Make=Pixacam -Model="PX-$v" -Software="Firmware 1.0$v" -Artist="Photographer $v" -Copyright="Norvane" \
    -DateTimeOriginal="2023:04:0$((v + 1)) 06:07:08" -CreateDate="2023:04:0$((v + 1)) 06:07:08" \
    -ExposureTime=1/$((125 * (v + 1))) -FNumber=5.6 -ISO=$((100 * (v + 1))) -FocalLength=35 \
    -ExposureCompensation=0 -MeteringMode#=5 -Flash#=16 -WhiteBalance#=0 -ColorSpace=sRGB \
    -ExifImageWidth=1024 -ExifImageHeight=768 -XPTitle="港の風景 $v" -XPKeywords="港;海" \
    -GPSLatitude="35 39 29.6$v" -GPSLatitudeRef=N -GPSLongitude="139 44 40.8$v" -GPSLongitudeRef=E \
    -GPSAltitude=4$v -GPSAltitudeRef=0 -GPSMapDatum=WGS-84 "-ThumbnailImage<=thumb.jpg" "v$v.jpg"
done
mkdir files
for ((i = 0; i < count; i++)); do cp "v$((i % 10)).jpg" "files/$(printf 'IMG_%04d.jpg' "$i")"; done
cd files

best() {  # prints the best wall time of three runs, in seconds
  local b= t
  for _ in 1 2 3; do
    /usr/bin/time -f %e -o "$dir/time.txt" "$@" >/dev/null 2>&1
    t=$(tail -n 1 "$dir/time.txt")
    if [ -z "$b" ] || awk -v t="$t" -v b="$b" 'BEGIN { exit !(t < b) }'; then b=$t; fi
  done
  echo "$b"
}
ours=$(best "$tool" ./*.jpg)
exiv2=$(best exiv2 -pa ./*.jpg)
exift=$(best exiftool ./*.jpg)
echo "files: $count, $(du -sh . | cut -f1); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
printf '%-14s %8s s  %8.1f us/file\n' pixaro-exif "$ours" "$(awk -v t="$ours" -v n="$count" 'BEGIN { print t * 1e6 / n }')"
printf '%-14s %8s s  %8.1f us/file  %6.1fx ours\n' "exiv2 -pa" "$exiv2" \
  "$(awk -v t="$exiv2" -v n="$count" 'BEGIN { print t * 1e6 / n }')" "$(awk -v a="$exiv2" -v b="$ours" 'BEGIN { print (b > 0 ? a / b : 0) }')"
printf '%-14s %8s s  %8.1f us/file  %6.1fx ours\n' exiftool "$exift" \
  "$(awk -v t="$exift" -v n="$count" 'BEGIN { print t * 1e6 / n }')" "$(awk -v a="$exift" -v b="$ours" 'BEGIN { print (b > 0 ? a / b : 0) }')"
