#!/usr/bin/env bash
# strip_check.sh PIXARO_EXIF WORKDIR: the Exif-free copies of `pixaro-exif --strip` (the code of
# the remove-Exif command) over files that exiftool and exiv2 wrote, some with their segments
# rearranged by perl into layouts that cameras and editors also produce. For every copy: it is
# the input less exactly the Exif APP1 segments and the APPn segments from the first Exif APP1
# to the last APP1, every other segment byte for byte, the bytes from SOS to the end unchanged;
# exiftool finds no Exif in it; ImageMagick decodes it to the same pixels. Refused files get no
# copy, a reason on stderr and a non-zero exit.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 PIXARO_EXIF WORKDIR" >&2
  exit 2
fi
tool=$(realpath "$1")
work=$2
for t in exiftool exiv2 perl identify compare; do
  command -v "$t" >/dev/null || { echo "strip_check: $t is missing" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"
cd "$work"

/usr/bin/convert -size 96x64 gradient:'#336699-#cc9966' -quality 85 base.jpg   # APP0 JFIF, DQT, SOF, DHT
/usr/bin/convert -size 32x24 xc:'#808080' -strip -quality 80 thumb.jpg

# Segment surgery: split a file into its segments before the scan, rejoin them in another order.
cat > seg.pl <<'PERL'
use strict; use warnings;
sub segs {  # file -> (head segments as [code, bytes]), scan bytes
  my ($f) = @_; open my $h, "<:raw", $f or die "$f: $!"; my $b = do { local $/; <$h> };
  my ($pos, @s) = (2);
  while (1) {
    my ($ff, $code, $len) = unpack("C C n", substr($b, $pos, 4));
    die "$f: no marker at $pos" unless $ff == 0xFF;
    if ($code == 0xDA) { return (\@s, substr($b, $pos)) }
    push @s, [$code, substr($b, $pos, $len + 2)];
    $pos += $len + 2;
  }
}
sub write_file { my ($f, $segs, $scan) = @_; open my $h, ">:raw", $f or die; print $h "\xFF\xD8", (map { $_->[1] } @$segs), $scan; }
sub is_exif { $_[0][0] == 0xE1 && substr($_[0][1], 4, 6) eq "Exif\0\0" }
sub app { my ($code, $text) = @_; [$code, pack("C C n", 0xFF, $code, length($text) + 2) . $text] }
1;
PERL

cp base.jpg app0_exif_dqt.jpg
exiftool -q -overwrite_original -Make=Pixacam -Model="PX-1" -DateTimeOriginal="2024:07:15 12:00:00" app0_exif_dqt.jpg
cp base.jpg thumb_gps.jpg
exiftool -q -overwrite_original -Make=Pixacam "-ThumbnailImage<=thumb.jpg" -GPSLatitude=35.5 -GPSLatitudeRef=N \
  -GPSLongitude=139.7 -GPSLongitudeRef=E thumb_gps.jpg
cp base.jpg exiv2.jpg
exiv2 -M"set Exif.Image.Make Pixacam" -M"set Exif.Photo.DateTimeOriginal 2024:01:15 12:00:00" exiv2.jpg
cp base.jpg xmp_only.jpg
exiftool -q -overwrite_original -XMP-dc:Title="XMP only" xmp_only.jpg
cp app0_exif_dqt.jpg with_xmp.jpg
exiftool -q -overwrite_original -XMP-dc:Title="XMP after Exif" with_xmp.jpg
perl -e 'require "./seg.pl";
  my ($s, $scan) = segs("with_xmp.jpg");
  my ($exif) = grep { is_exif($_) } @$s; my ($xmp) = grep { $_->[0] == 0xE1 && !is_exif($_) } @$s;
  my @rest = grep { $_->[0] != 0xE1 } @$s;
  my @dqt = grep { $_->[0] == 0xDB } @rest; my @other = grep { $_->[0] != 0xDB } @rest;
  my ($app0) = grep { $_->[0] == 0xE0 } @other; my @tail = grep { $_->[0] != 0xE0 } @other;
  # Exif, an APP2, XMP: all three go.
  write_file("exif_app2_xmp.jpg", [$app0, $exif, app(0xE2, "Pixaro test\0profile"), $xmp, @dqt, @tail], $scan);
  # A DQT (and a comment) between Exif and XMP stay.
  write_file("dqt_between.jpg", [$app0, $exif, $dqt[0], app(0xFE, "between"), $xmp, @dqt[1..$#dqt], @tail], $scan);
  my ($g) = segs("thumb_gps.jpg"); my ($gps) = grep { is_exif($_) } @$g;
  # Two Exif blocks, the earlier with a GPS position; an APP13 after the last APP1 stays.
  write_file("two_exif.jpg", [$app0, $gps, @dqt, $exif, app(0xED, "Photoshop 3.0\0"), @tail], $scan);
  # The XMP before the Exif stays; the APP2 behind the last APP1 too.
  write_file("xmp_first.jpg", [$app0, $xmp, $exif, app(0xE2, "Pixaro test\0"), @dqt, @tail], $scan);
  # An APP1 whose length runs past the end of the file.
  my $cut = $exif->[1]; substr($cut, 2, 2) = pack("n", 0xFFF0);
  write_file("past_end.jpg", [$app0, [0xE1, $cut]], "");
'

accepted=(app0_exif_dqt thumb_gps exiv2 exif_app2_xmp dqt_between two_exif xmp_first with_xmp)
refused=(xmp_only past_end)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for f in "${accepted[@]}"; do
  "$tool" --strip "$f.jpg" 2>err.txt || fail "$f.jpg refused: $(cat err.txt)"
done
for f in "${refused[@]}"; do
  if "$tool" --strip "$f.jpg" 2>err.txt; then fail "$f.jpg was not refused"; fi
  [ -s err.txt ] || fail "$f.jpg refused without a reason"
  [ -e "Ne_$f.jpg" ] && fail "Ne_$f.jpg was written for a refused file"
done
# Several files in one run, one of them refused: the others are still written.
rm -f Ne_exiv2.jpg
if "$tool" --strip xmp_only.jpg exiv2.jpg 2>/dev/null; then fail "a run with a refused file ended with status 0"; fi
[ -e Ne_exiv2.jpg ] || fail "a refused file stopped the run"

perl -e 'require "./seg.pl";
  my $bad = 0;
  for my $f (@ARGV) {
    my ($in, $scan) = segs("$f.jpg"); my ($out, $outScan) = segs("Ne_$f.jpg");
    my ($first, $last);
    for my $i (0..$#$in) { $first //= $i if is_exif($in->[$i]); $last = $i if $in->[$i][0] == 0xE1 }
    my @want = map { $in->[$_] } grep {
      my $s = $in->[$_]; !(is_exif($s) || ($s->[0] >= 0xE0 && $s->[0] <= 0xEF && $_ >= $first && $_ <= $last)) } 0..$#$in;
    my $w = join "", map { $_->[1] } @want; my $o = join "", map { $_->[1] } @$out;
    if ($w ne $o) { print "FAIL: $f: segments ", join(" ", map { sprintf "%02X", $_->[0] } @$out),
      ", want ", join(" ", map { sprintf "%02X", $_->[0] } @want), "\n"; $bad = 1 }
    if ($scan ne $outScan) { print "FAIL: $f: the bytes from SOS on differ\n"; $bad = 1 }
    if ($f eq "app0_exif_dqt") {
      my ($exif) = grep { is_exif($_) } @$in;
      if (-s "Ne_$f.jpg" != (-s "$f.jpg") - length($exif->[1])) { print "FAIL: $f: the copy is not the file less its APP1\n"; $bad = 1 }
    }
  }
  exit $bad;
' "${accepted[@]}" || failed=1

for f in "${accepted[@]}"; do
  left=$(exiftool -a -G1 -Exif:All "Ne_$f.jpg")
  [ -z "$left" ] || fail "Ne_$f.jpg: exiftool still finds Exif: $left"
  identify "Ne_$f.jpg" >/dev/null 2>&1 || fail "Ne_$f.jpg: ImageMagick cannot read it"
  ae=$(compare -metric AE "$f.jpg" "Ne_$f.jpg" null: 2>&1 || true)
  [ "$ae" = 0 ] || fail "Ne_$f.jpg: $ae pixels differ from $f.jpg"
done
# The GPS position of the earlier Exif block is gone with it.
[ -z "$(exiftool -a -GPS:All Ne_two_exif.jpg)" ] || fail "Ne_two_exif.jpg keeps a GPS position"
# An existing longer Ne_ file is replaced whole.
head -c 100000 /dev/urandom > Ne_exiv2.jpg
"$tool" --strip exiv2.jpg && cmp -s <("$tool" --strip exiv2.jpg && cat Ne_exiv2.jpg) Ne_exiv2.jpg
[ "$(stat -c %s Ne_exiv2.jpg)" -lt 100000 ] || fail "a longer Ne_ file was not cut to the copy"

echo "strip_check: ${#accepted[@]} copies and ${#refused[@]} refusals checked"
exit $failed
