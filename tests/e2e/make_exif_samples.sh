#!/usr/bin/env bash
# make_exif_samples.sh OUTDIR: photographs with Exif blocks for the end-to-end cases, written
# by ImageMagick (the picture) and exiftool (the metadata), so no Pixaro code made them.
#   exif_gps.jpg    camera fields, Japanese XP texts, a thumbnail, GPS 35°39'29.67"N 139°44'40.89"E
#   exif_nogps.jpg  the same without the GPS block
#   shot_july.jpg, shot_january.jpg  shot at 12:00 on 15 July and 15 January 2024
# The XP title is a row of full-width blocks, so its overlay row is solid ink to probe.
# Quick when OUTDIR/.exif-done is newer than this script.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
convert=/usr/bin/convert
if [ -f "$out/.exif-done" ] && [ "$out/.exif-done" -nt "$0" ]; then
  exit 0
fi
command -v exiftool >/dev/null || { echo "make_exif_samples: exiftool is missing (libimage-exiftool-perl)" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out/.exif-done"
cd "$out"

"$convert" -size 640x480 xc:'#c0c0c0' -strip -quality 90 exif_base.jpg
"$convert" -size 160x120 xc:'#c0c0c0' -strip -quality 80 exif_thumb.jpg

tags=(-Make=Pixacam -Model="PX-1 Mark II" -Software="Firmware 1.02" -ImageDescription="Harbour at noon"
      -Copyright="Norvane test" -DateTimeOriginal="2023:04:05 06:07:08" -CreateDate="2023:04:05 06:07:08"
      -ExposureTime=1/250 -FNumber=5.6 -ISO=200 -ColorSpace=sRGB
      -XPTitle="■■■■■■■■" -XPSubject="港の表題" -XPAuthor="作者名" -XPKeywords="港;海" -XPComment="コメント欄"
      "-ThumbnailImage<=exif_thumb.jpg")
cp exif_base.jpg exif_nogps.jpg
exiftool -q -overwrite_original "${tags[@]}" exif_nogps.jpg
cp exif_base.jpg exif_gps.jpg
exiftool -q -overwrite_original "${tags[@]}" -GPSLatitude="35 39 29.67" -GPSLatitudeRef=N \
  -GPSLongitude="139 44 40.89" -GPSLongitudeRef=E -GPSAltitude=40 -GPSAltitudeRef=0 exif_gps.jpg
# Shot in summer and in winter time, for the times a saved JPEG takes from its photograph.
"$convert" -size 320x240 gradient:'#4060a0-#e0c080' -strip -quality 90 shot_july.jpg
cp shot_july.jpg shot_january.jpg
exiftool -q -overwrite_original -Make=Pixacam -DateTimeOriginal="2024:07:15 12:00:00" shot_july.jpg
exiftool -q -overwrite_original -Make=Pixacam -DateTimeOriginal="2024:01:15 12:00:00" shot_january.jpg
rm -f exif_base.jpg exif_thumb.jpg

touch .exif-done
