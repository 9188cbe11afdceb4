#!/usr/bin/env bash
# Our PNG writer and reader against ImageMagick (libpng underneath, which refuses bad CRCs,
# bad zlib streams and wrong chunk order):
#   - files pixaro-png writes are read by ImageMagick without a warning, pixel for pixel,
#     in the colour type and depth the picture calls for;
#   - files ImageMagick writes in every layout are read by pixaro-png as ImageMagick reads
#     them on white.
#   tests/image/png_check.sh PIXARO_PNG WORK_DIR      (exit 77 without ImageMagick)
set -euo pipefail
tool=$1
work=$2
IM=/usr/bin/convert
ID=/usr/bin/identify
CMP=/usr/bin/compare
[[ -x $IM && -x $ID && -x $CMP ]] || { echo "png_check: ImageMagick missing" >&2; exit 77; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

same_pixels() {  # A B: identical pixels
    local ae
    ae=$($CMP -metric AE "$1" "$2" null: 2>&1) || true
    [[ $ae == 0 ]] || { fail "$1 and $2 differ in $ae pixels"; return 1; }
}

# name, expected "colour-type bit-depth", ppm or pbm, ImageMagick arguments making the picture
check_write() {
    local name=$1 expect=$2 format=$3
    shift 3
    $IM "$@" "$format:$name.src.pnm"
    "$tool" "$name.src.pnm" "$name.png" || { fail "$name: pixaro-png refused"; return; }
    local info
    if ! info=$($ID -regard-warnings -verbose "$name.png" 2>&1); then
        fail "$name: ImageMagick complains: $(grep -iE 'warn|error' <<<"$info" | head -3)"
        return
    fi
    local got
    got="$(sed -n 's/^ *png:IHDR.color_type: \([0-9]\).*/\1/p' <<<"$info") $(sed -n 's/^ *png:IHDR.bit_depth: //p' <<<"$info")"
    [[ $got == "$expect" ]] || fail "$name: colour type and depth '$got', expected '$expect'"
    # Nothing after IEND, and IEND is the standard empty chunk.
    [[ $(tail -c 12 "$name.png" | od -An -tx1 | tr -d ' \n') == 0000000049454e44ae426082 ]] ||
        fail "$name: does not end in IEND"
    same_pixels "$name.src.pnm" "$name.png" || true
}

check_write photo-1x1 "3 1" ppm -size 1x1 xc:'#123456' -depth 8
check_write photo-3x5 "3 4" ppm -size 3x5 -seed 1 plasma: -depth 8
check_write photo-1000x7 "2 8" ppm -size 1000x7 -seed 2 plasma: -depth 8
check_write photo-301x203 "2 8" ppm -size 301x203 -seed 3 plasma: -attenuate 0.3 +noise Gaussian -depth 8
check_write palette200-97x61 "3 8" ppm -size 97x61 -seed 4 plasma: +dither -colors 200 -depth 8
check_write palette12-131x9 "3 4" ppm -size 131x9 -seed 5 plasma: +dither -colors 12 -depth 8
check_write palette3-33x17 "3 2" ppm -size 33x17 -seed 6 plasma: +dither -colors 3 -depth 8
check_write grey-64x64 "3 8" ppm -size 64x64 gradient:black-white -depth 8 -type TrueColor
check_write mono-1x1 "3 1" pbm -size 1x1 xc:black
check_write mono-3x5 "3 1" pbm -size 3x5 -seed 7 plasma: -threshold 50%
check_write mono-1000x7 "3 1" pbm -size 1000x7 -seed 8 plasma: -threshold 50%
check_write mono-627x881 "3 1" pbm -size 627x881 -seed 9 plasma: -threshold 45%

# name, ImageMagick arguments making the PNG
check_read() {
    local name=$1
    shift
    $IM "$@" "$name.png"
    $IM "$name.png" -background white -flatten -depth 8 "$name.want.ppm"
    "$tool" --decode "$name.png" "$name.got.ppm" || { fail "$name: pixaro-png --decode refused"; return; }
    cmp -s "$name.want.ppm" "$name.got.ppm" || same_pixels "$name.want.ppm" "$name.got.ppm" || true
}

for interlace in None PNG; do
    check_read "rgb8-$interlace" -size 211x97 -seed 10 plasma: -depth 8 -interlace $interlace -define png:color-type=2
    check_read "rgb16-$interlace" -size 97x211 -seed 11 plasma: -depth 16 -interlace $interlace -define png:color-type=2
    check_read "rgba8-$interlace" -size 123x45 -seed 12 plasma: \( -size 123x45 gradient:white-black \) -alpha off \
        -compose copy_opacity -composite -depth 8 -interlace $interlace -define png:color-type=6
    check_read "rgba16-$interlace" -size 45x123 -seed 13 plasma: \( -size 45x123 gradient:white-black \) -alpha off \
        -compose copy_opacity -composite -depth 16 -interlace $interlace -define png:color-type=6
    check_read "grey8-$interlace" -size 67x89 -seed 14 plasma: -colorspace gray -depth 8 -interlace $interlace
    check_read "grey16-$interlace" -size 67x89 -seed 15 plasma: -colorspace gray -depth 16 -interlace $interlace
    check_read "palette-$interlace" -size 150x99 -seed 16 plasma: +dither -colors 77 -interlace $interlace -type Palette
    check_read "mono-$interlace" -size 333x17 -seed 17 plasma: -threshold 50% -interlace $interlace -type bilevel
done

if ((failures)); then
    echo "png_check: $failures failures (files in $work)" >&2
    exit 1
fi
echo "png_check: all files agree"
