#!/usr/bin/env bash
# make_photo_samples.sh OUTDIR: OUTDIR/cam, a folder of camera-sized photographs (6000 x 4000,
# quality 92, 4:2:0, 7-8 MB each) for stepping at full size. One noisy plasma is made (about
# 12 s) and each file is that picture rolled, with a 1200 x 900 block of its own colour in the
# middle, so the pixel at the centre of the view tells which file is shown:
#   cam1 FF0000  cam2 00FF00  cam3 0000FF  cam4 FFFF00  cam5 FF00FF  cam6 00FFFF
#   cam5b_trunc  (FF8000) cut at 40 %, before the block's rows
#   cam6b_bad    (FFFFFF) markers intact, most of the entropy-coded data overwritten
# In natural order a missing text piece sorts last, so cam5b_trunc comes before cam5:
#   cam1 cam2 cam3 cam4 cam5b_trunc cam5 cam6b_bad cam6.
# Beside the folder, OUTDIR/photo4000.jpg: 4000 x 3000 of the same plasma, for timing saves.
# Quick when OUTDIR/cam/.done is newer than this script.
set -euo pipefail
out=$1/cam
convert=/usr/bin/convert
if [ -f "$out/.done" ] && [ "$out/.done" -nt "$0" ]; then exit 0; fi
rm -rf "$out"
mkdir -p "$out"
cd "$out"

"$convert" -size 6000x4000 -seed 7 plasma:fractal -attenuate 0.4 +noise Gaussian -depth 8 base.miff
photo() {  # NAME COLOUR ROLL
  "$convert" base.miff -roll "$3" -fill "$2" -draw "rectangle 2400,1550 3599,2449" \
    -strip -quality 92 -sampling-factor 2x2 "$1"
}
photo cam1.jpg '#FF0000' +0+0
photo cam2.jpg '#00FF00' +1000+700
photo cam3.jpg '#0000FF' +2000+1400
photo cam4.jpg '#FFFF00' +3000+2100
photo cam5.jpg '#FF00FF' +4000+2800
photo cam6.jpg '#00FFFF' +5000+3500
photo whole_trunc.jpg '#FF8000' +500+300
"$convert" base.miff -crop 4000x3000+0+0 +repage -strip -quality 92 -sampling-factor 2x2 ../photo4000.jpg
photo cam6b_bad.jpg '#FFFFFF' +1500+1000
rm base.miff

size=$(stat -c %s whole_trunc.jpg)
head -c $((size * 40 / 100)) whole_trunc.jpg > cam5b_trunc.jpg
rm whole_trunc.jpg
# From 4 KB after the start of scan to 90 % of the file: 0x55 bytes, which hold no marker.
size=$(stat -c %s cam6b_bad.jpg)
sos=$(LC_ALL=C grep -m1 -obUaP '\xFF\xDA' cam6b_bad.jpg | awk -F: 'NR == 1 { print $1 }')
from=$((sos + 4096))
head -c $((size * 90 / 100 - from)) /dev/zero | tr '\0' '\125' |
  dd of=cam6b_bad.jpg bs=4096 seek="$from" oflag=seek_bytes conv=notrunc status=none

touch .done
