#!/usr/bin/env bash
# oracle.sh PIXARO_EXIF WORKDIR: our summary against exiftool's reading of the same files.
# The files are written at test time by two third-party writers: exiftool (camera fields,
# XP texts in Japanese, a thumbnail, an XMP APP1 after the Exif one, both byte orders) and
# exiv2 (GPS rationals with exact denominators, one set per row of the position table, each
# in all four hemispheres). Compared: the texts, the shooting date (a blank DateTimeOriginal
# falls back to DateTimeDigitized), the exposure time, the thumbnail, the Exif segment, and
# for GPS the position that GpsText and MapLink point at. Texts written in UTF-8 must come out
# as exiftool reads them, and the same texts in Shift-JIS or with the UTF-8 type alike.
# Little- and big-endian copies of one content must give the same report and summary.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 PIXARO_EXIF WORKDIR" >&2
  exit 2
fi
tool=$(realpath "$1")
work=$2
for t in exiftool exiv2 perl; do
  command -v "$t" >/dev/null || { echo "oracle: $t is missing" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"
cd "$work"

/usr/bin/convert -size 64x48 gradient:'#336699-#cc9966' -strip -quality 85 base.jpg
/usr/bin/convert -size 32x24 xc:'#808080' -strip -quality 80 thumb.jpg

# Camera fixtures in both byte orders: same content, so the same report and summary.
args=()
for order in II MM; do
  cp base.jpg "cam_$order.jpg"
  args+=(-ExifByteOrder=$order -Make="Pixacam" -Model="PX-1 Mark II" -Software="Firmware 1.02"
         -ImageDescription="Harbour at noon" -Copyright="Norvane 2023" -DateTimeOriginal="2023:04:05 06:07:08"
         -ExposureTime=1/250 -FNumber=5.6 -ISO=400 -XPTitle="港の風景" -XPSubject="表題です"
         -XPAuthor="写真家" -XPKeywords="港;海;船" -XPComment="ソ連の表示テスト"
         "-ThumbnailImage<=thumb.jpg" -XMP-dc:Title="XMP after Exif" "cam_$order.jpg" -execute)
  # DateTimeOriginal left blank (spaces) by the camera, DateTimeDigitized valid.
  cp base.jpg "blank_$order.jpg"
  args+=(-ExifByteOrder=$order -Make="Pixacam" -DateTimeOriginal="2000:01:01 00:00:00"
         -CreateDate="2020:02:29 23:59:59" "blank_$order.jpg" -execute)
done

# GPS: name, latitude, longitude as exact rationals (degrees minutes seconds).
styles=(
  "row1-decimal   3565824/100000 0/1 0/1        13974469/100000 0/1 0/1"
  "row2-min100    35/1 3946/100 0/1             139/1 4456/100 0/1"
  "row3-min1000   35/1 39461/1000 0/1           139/1 44562/1000 0/1"
  "row4-min10000  35/1 123/10000 0/1            139/1 445678/10000 0/1"
  "row5-degonly   35/1 0/1 0/1                  139/1 0/1 0/1"
  "row5-sec1      35/1 39/1 29/1                139/1 44/1 40/1"
  "row6-sec10     35/1 39/1 297/10              139/1 44/1 409/10"
  "row7-sec100    35/1 39/1 2967/100            139/1 44/1 4089/100"
  "row8-sec1000   35/1 39/1 29671/1000          139/1 44/1 40891/1000"
  "row9-sec10000  35/1 39/1 123/10000           139/1 44/1 408912/10000"
  "row10-raw      355/10 0/1 0/1                1397/10 0/1 0/1"
  "mixed-rows     35/1 39/1 2967/100            139/1 4456/100 0/1"
)
hemispheres=("N E II" "N W MM" "S E II" "S W MM" "S W II" "N E MM")
for style in "${styles[@]}"; do
  read -r name _ <<<"$style"
  for h in "${hemispheres[@]}"; do
    read -r lat lon order <<<"$h"
    f="gps_${name}_$lat$lon$order.jpg"
    cp base.jpg "$f"
    args+=(-ExifByteOrder=$order -GPSLatitudeRef=$lat -GPSLongitudeRef=$lon -GPSLatitude=1 -GPSLongitude=1 "$f" -execute)
  done
done
printf '%s\n' "${args[@]}" | head -n -1 > write.args
exiftool -@ write.args -common_args -q -overwrite_original

for order in II MM; do
  perl -0777 -pi -e 's/2000:01:01 00:00:00/    :  :     :  :  /' "blank_$order.jpg"
done
for style in "${styles[@]}"; do
  read -r name l1 l2 l3 g1 g2 g3 <<<"$style"
  exiv2 -M"set Exif.GPSInfo.GPSLatitude Rational $l1 $l2 $l3" \
        -M"set Exif.GPSInfo.GPSLongitude Rational $g1 $g2 $g3" gps_"$name"_*.jpg
done

# Texts in UTF-8, as exiftool writes non-ASCII by default; the same texts with the Exif 3.0
# UTF-8 type (which this exiftool cannot read: they must read as the UTF-8 files do); the same
# texts in Shift-JIS, as older cameras and Windows tools write them (exiftool writes
# placeholders of the right length, perl puts the code page 932 bytes in).
texts=(-Make="カメラ社" -Model="PX 😀 é" -Software="表ソフト 1.0" -ImageDescription="港の風景" -Copyright="© Norvane")
for order in II MM; do
  cp base.jpg "utf8_$order.jpg"
  exiftool -q -overwrite_original -ExifByteOrder=$order "${texts[@]}" "utf8_$order.jpg"
  cp "utf8_$order.jpg" "u129_$order.jpg"
  perl -0777 -pi -e '
    my $big = /MM\0\x2a/;
    for my $tag (0x010E, 0x010F, 0x0110, 0x0131, 0x8298) {
      my ($from, $to) = $big ? (pack("nn", $tag, 2), pack("nn", $tag, 129)) : (pack("vv", $tag, 2), pack("vv", $tag, 129));
      s/\Q$from\E/$to/ or die "tag $tag not found";
    }' "u129_$order.jpg"
  cp base.jpg "sjis_$order.jpg"
  exiftool -q -overwrite_original -ExifByteOrder=$order -Make=MAKEMAKE -Software=SOFTSOFTSOFT \
    -ImageDescription=DESCDESC "sjis_$order.jpg"
  perl -0777 -pi -e '
    use Encode; my %t = (MAKEMAKE => "カメラ社", SOFTSOFTSOFT => "表ソフト 1.0", DESCDESC => "港の風景");
    for my $k (keys %t) { my $b = encode("cp932", decode("UTF-8", $t{$k})); s/$k/$b/ or die "$k not found" }' "sjis_$order.jpg"
done

files=(*.jpg)
"$tool" --json "${files[@]}" > ours.jsonl
for order in II MM; do
  for f in cam blank; do "$tool" --raw "${f}_$order.jpg" > "${f}_$order.report"; done
done
exiftool -j -n -G -a -charset exif=utf8 -Make -Model -Software -ImageDescription -Copyright \
  -DateTimeOriginal -CreateDate -ExposureTime -XPTitle -XPSubject -XPAuthor -XPKeywords -XPComment \
  -ThumbnailOffset -ThumbnailLength -XMP-dc:Title -Composite:GPSLatitude -Composite:GPSLongitude \
  "${files[@]}" > theirs.json

for f in cam blank; do
  cmp "${f}_II.report" "${f}_MM.report" || { echo "oracle: $f: the byte orders give different reports" >&2; exit 1; }
done

perl -MJSON::PP -e '
use strict; use warnings; use utf8;
binmode STDOUT, ":utf8";
my %ours;
open my $o, "<", "ours.jsonl" or die;
while (<$o>) { my $j = decode_json($_); $ours{$j->{file}} = $j; }
my $theirs = decode_json(do { local $/; open my $t, "<", "theirs.json" or die; <$t> });
my ($checked, $positions, @fail) = (0, 0);
sub fail { push @fail, join("", @_) }
sub near { my ($a, $b, $tol) = @_; return defined $a && defined $b && abs($a - $b) <= $tol }

# Decimal degrees of "N 35度39分29.67秒", "N 35度39.46分", "N 35.65824度", "[N] 355/10 0/1 0/1".
sub text_degrees {
  my ($t) = @_;
  if ($t =~ /^\[([NSEW])\] (-?\d+)\/(\d+) (-?\d+)\/(\d+) (-?\d+)\/(\d+)$/) {
    return undef if !$3 || !$5 && $4 || !$7 && $6;
    my $v = $2 / $3 + ($4 ? $4 / $5 : 0) / 60 + ($6 ? $6 / $7 : 0) / 3600;
    return $1 =~ /[SW]/ ? -$v : $v;
  }
  $t =~ /^([NSEW]) (\d+(?:\.\d+)?)度(?:(\d+(?:\.\d+)?)分)?(?:(\d+(?:\.\d+)?)秒)?$/ or return undef;
  my $v = $2 + ($3 // 0) / 60 + ($4 // 0) / 3600;
  return $1 =~ /[SW]/ ? -$v : $v;
}
# Decimal degrees of one coordinate of the link: sign, then 35%C2%B0+39%27+29.67%22 or 35.65824%C2%B0.
sub link_degrees {
  my ($t) = @_;
  $t =~ /^([+-])(\d+(?:\.\d+)?)%C2%B0(?:\+(\d+(?:\.\d+)?)%27)?(?:\+(\d+(?:\.\d+)?)%22)?$/ or return undef;
  my $v = $2 + ($3 // 0) / 60 + ($4 // 0) / 3600;
  return $1 eq "-" ? -$v : $v;
}

for my $t (@$theirs) {
  my $file = $t->{SourceFile};
  my $u = $ours{$file} or do { fail("$file: no summary"); next };
  my $tag = sub { my ($k) = @_; for (keys %$t) { return $t->{$_} if /:$k$/ } undef };
  $checked++;
  # Read by exiftool in their UTF-8 twins below.
  next if $file =~ /^(u129|sjis)_/;
  my %texts = (Make => "MakeText", Model => "ModelText", Software => "SoftwareText",
               ImageDescription => "ImageDescriptionText", Copyright => "RightsText", XPTitle => "XpTitle",
               XPSubject => "XpSubject", XPAuthor => "XpAuthor", XPKeywords => "XpKeywords", XPComment => "XpComment");
  for my $k (sort keys %texts) {
    my $want = $tag->($k) // "";
    fail("$file: $texts{$k} \"$u->{$texts{$k}}\", exiftool $k \"$want\"") if $u->{$texts{$k}} ne $want;
  }
  my $original = $tag->("DateTimeOriginal");
  my $date = defined $original && $original =~ /^\s/ ? $tag->("CreateDate") : $original;
  fail("$file: ShotDateText \"$u->{ShotDateText}\", exiftool \"", $date // "", "\"") if $u->{ShotDateText} ne ($date // "");
  if (defined(my $e = $tag->("ExposureTime"))) {
    $u->{ExposureTimeText} =~ /^ (\d+) \/ (\d+)$/ && near($1 / $2, $e, 1e-9) or fail("$file: ExposureTimeText \"$u->{ExposureTimeText}\", exiftool $e");
  }
  if (defined(my $off = $tag->("ThumbnailOffset"))) {
    fail("$file: ThumbnailOffset $u->{ThumbnailOffset} from the TIFF header, exiftool $off in the file")
      if $u->{ThumbnailOffset} + $u->{ExifSegmentStart} + 10 != $off;
    fail("$file: ThumbnailLength") if $u->{ThumbnailLength} != $tag->("ThumbnailLength");
    fail("$file: ThumbnailCompression $u->{ThumbnailCompression}") if $u->{ThumbnailCompression} != 6;
  }
  # The Exif segment: after the APP0 that ImageMagick wrote; it ends where the last APP1 does.
  open my $fh, "<:raw", $file or die; my $bytes = do { local $/; <$fh> };
  my ($pos, $exif, $end) = (2);
  while ($pos + 4 <= length $bytes && substr($bytes, $pos, 1) eq "\xFF") {
    my ($code, $len) = unpack("x C n", substr($bytes, $pos, 4));
    last if $code == 0xDA;
    if ($code == 0xE1) {
      $exif = $pos if substr($bytes, $pos + 4, 6) eq "Exif\0\0";
      $end = $pos + $len + 1;
    }
    $pos += $len + 2;
  }
  if (!defined $exif) {
    fail("$file: ExifSegmentStart $u->{ExifSegmentStart} without Exif") if $u->{ExifSegmentStart} != 0;
    next;
  }
  fail("$file: ExifSegmentStart $u->{ExifSegmentStart}, the file has it at $exif") if $u->{ExifSegmentStart} != $exif || $exif == 2;
  fail("$file: ExifSegmentEnd $u->{ExifSegmentEnd}, the last APP1 ends at $end") if $u->{ExifSegmentEnd} != $end;
  fail("$file: no XMP APP1 after the Exif one") if $file =~ /^cam/ && !defined $tag->("Title");

  my ($lat, $lon) = ($tag->("GPSLatitude"), $tag->("GPSLongitude"));
  next unless defined $lat;
  $positions++;
  my @text = split /  /, $u->{GpsText};
  my $tlat = text_degrees($text[0] // ""); my $tlon = text_degrees($text[1] // "");
  fail("$file: GpsText \"$u->{GpsText}\" is not at $lat $lon")
    unless @text == 2 && near($tlat, $lat, 1e-7) && near($tlon, $lon, 1e-7);
  my ($llat, $llon) = $u->{MapLink} =~ m{^https://[^/]+/maps\?q=([^,]+),([^,]+)$};
  fail("$file: MapLink \"$u->{MapLink}\" is not at $lat $lon")
    unless defined $llat && near(link_degrees($llat), $lat, 1e-6) && near(link_degrees($llon), $lon, 1e-6);
  # The rows the denominators choose, with their zero-padded fractions.
  my %rows = ("row1-" => qr/^. \d+\.\d{5}度  . \d+\.\d{5}度$/, "row2-" => qr/^. 35度39\.46分/,
              "row3-" => qr/^. 35度39\.461分/, "row4-" => qr/^. 35度0\.0123分  . 139度44\.5678分$/,
              "row5-d" => qr/^. 35度00分00秒/, "row5-s" => qr/^. 35度39分29秒/, "row6-" => qr/^. 35度39分29\.7秒/,
              "row7-" => qr/^. 35度39分29\.67秒/, "row8-" => qr/^. 35度39分29\.671秒/,
              "row9-" => qr/^. 35度39分00\.0123秒/, "row10-" => qr/^\[.\] 355\/10 0\/1 0\/1/,
              "mixed-" => qr/^. 35度39分29\.67秒  . 139度44\.56分$/);
  for my $p (keys %rows) {
    fail("$file: GpsText \"$u->{GpsText}\" not in its row") if $file =~ /^gps_\Q$p/ && $u->{GpsText} !~ $rows{$p};
  }
  fail("$file: the row 9 link lost its zero padding: $u->{MapLink}") if $file =~ /row9/ && $u->{MapLink} !~ /\+0\.0123%22,/;
  fail("$file: the row 4 link lost its zero padding: $u->{MapLink}") if $file =~ /row4/ && $u->{MapLink} !~ /\+0\.0123%27,/;
}
# Same content in both byte orders: the same summary.
for my $f ("cam", "blank") {
  my ($a, $b) = map { my %h = %{$ours{"${f}_$_.jpg"}}; delete $h{file}; JSON::PP->new->canonical->encode(\%h) } qw(II MM);
  fail("$f: the byte orders give different summaries") if $a ne $b;
}
# The UTF-8 type and the Shift-JIS bytes give the texts that exiftool read in UTF-8.
for my $order (qw(II MM)) {
  my ($u, $t, $j) = map { $ours{"${_}_$order.jpg"} } qw(utf8 u129 sjis);
  for my $k (qw(MakeText ModelText SoftwareText ImageDescriptionText RightsText)) {
    fail("u129_$order.jpg: $k \"$t->{$k}\", the UTF-8 file \"$u->{$k}\"") if $t->{$k} ne $u->{$k};
  }
  for my $k (qw(MakeText SoftwareText ImageDescriptionText)) {
    fail("sjis_$order.jpg: $k \"$j->{$k}\", the UTF-8 file \"$u->{$k}\"") if $j->{$k} ne $u->{$k};
  }
}
fail("only $positions GPS positions compared") if $positions < 72;
print "oracle: $checked files checked against exiftool ($positions GPS positions), ", scalar(@fail), " differences\n";
print "  $_\n" for @fail;
exit(@fail ? 1 : 0);
'
