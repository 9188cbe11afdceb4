#!/usr/bin/env bash
# save_speed.check.sh SAMPLES CASE_DIR: the 4000 x 3000 PNG that wine.save_speed wrote, beside
# ImageMagick's of the same picture (quality 95: zlib 9, adaptive filters): ImageMagick reads
# it as the photograph, and it is at most 1.1 times the size. Times are printed, not asserted.
set -uo pipefail
ours="$2/photo4000.png"
[ -f "$ours" ] || { echo "save_speed.check: wine.save_speed wrote no PNG here (skipped?)"; exit 77; }
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
start=$(date +%s%N)
/usr/bin/convert "$1/photo4000.jpg" -quality 95 "$tmp/im.png"
peer=$(( ($(date +%s%N) - start) / 1000000 ))
size=$(stat -c %s "$ours")
peer_size=$(stat -c %s "$tmp/im.png")
# Our JPEG decoder and libjpeg round differently here and there: a few levels at most.
psnr=$(/usr/bin/compare -metric PSNR "$ours" "$tmp/im.png" null: 2>&1 | awk '{ print int($1) }')
if [ "${psnr:-0}" -lt 40 ] 2>/dev/null; then
  echo "FAIL: ImageMagick reads our PNG as another picture (PSNR ${psnr:-?} dB against its own)"
  failed=1
fi
if [ $((size * 10)) -gt $((peer_size * 11)) ]; then
  echo "FAIL: our PNG is $size bytes, more than 1.1 x ImageMagick's $peer_size"
  failed=1
fi
ms=$(sed -n 's/^save-4000x3000-png: \([0-9]*\) ms$/\1/p' "$2/driver.log" | head -1)
echo "4000 x 3000 PNG: Pixaro under Wine ${ms:-?} ms (OK to answering again), $size bytes;" \
     "convert -quality 95 natively $peer ms (JPEG read included), $peer_size bytes"
awk -v a="$size" -v b="$peer_size" 'BEGIN { printf "size ratio Pixaro/ImageMagick: %.3f\n", a / b }'
[ -n "$ms" ] && awk -v a="$ms" -v b="$peer" 'BEGIN { printf "time ratio Pixaro/ImageMagick: %.2f\n", a / b }'
exit $failed
