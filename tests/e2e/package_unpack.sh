#!/usr/bin/env bash
# Packs each Windows tree given with tools/package.sh, checks the packages' programs and
# plug-ins (tools/check-pe.sh) and guide, and unpacks each into SAMPLES/"ピクサロ 配布 ARCH",
# a folder named in kanji with a space, for the package case to start the program there.
#   package_unpack.sh OUT_DIR SAMPLES TREE...
set -uo pipefail
[ $# -ge 3 ] || { echo "usage: $0 OUT_DIR SAMPLES TREE..." >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1 samples=$2
shift 2
source "$root/tools/wine-env.sh"
version=$(head -n1 "$root/VERSION")
failed=0
for tree in "$@"; do
  arch=$(pxw_arch_of "$tree/pixaro.exe") || { echo "FAIL $tree: no Windows pixaro.exe"; failed=1; continue; }
  bash "$root/tools/package.sh" --arch "$arch" --no-build --out "$out" || { failed=1; continue; }
  zip="$out/pixaro-$version-$arch.zip"
  bash "$root/tools/check-pe.sh" "$tree" "$zip" || failed=1
  dest="$samples/ピクサロ 配布 $arch"
  rm -rf "$dest" "$dest.tmp"
  mkdir -p "$dest.tmp"
  unzip -q "$zip" -d "$dest.tmp" && mv "$dest.tmp/pixaro-$version-$arch" "$dest" || { echo "FAIL $zip: unpacking"; failed=1; }
  rm -rf "$dest.tmp"
  guide=$(iconv -f CP932 -t UTF-8 "$dest/README-ja.txt" 2>/dev/null) || { echo "FAIL README-ja.txt is not code page 932"; failed=1; }
  grep -q "^Pixaro $version（$arch 版）" <<<"$guide" || { echo "FAIL README-ja.txt does not name Pixaro $version, $arch"; failed=1; }
  [ "$(grep -c $'\r$' "$dest/README-ja.txt")" = "$(wc -l <"$dest/README-ja.txt")" ] || { echo "FAIL README-ja.txt lines do not end in CRLF"; failed=1; }
done
[ $failed = 0 ] && echo "package_unpack: ok" || echo "package_unpack: failed"
exit $failed
