#!/usr/bin/env bash
# Writes the packages users download: dist/pixaro-VERSION-x86.zip and -x64.zip, each with
# pixaro.exe, its plug-ins (.spi for x86, .sph for x64), LICENSE.txt and README-ja.txt (the
# user's guide, code page 932 with CRLF as Notepad wants), in a folder of the package's name.
#   tools/package.sh [--arch x86|x64|all] [--out DIR] [--no-build]
# Builds the Windows trees first unless --no-build; checks every program's machine type.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=all out="$root/dist" build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: tools/package.sh [--arch x86|x64|all] [--out DIR] [--no-build]" >&2; exit 2 ;;
  esac
done
case "$arch" in
  x86|x64) arches=$arch ;;
  all) arches="x86 x64" ;;
  *) echo "package.sh: --arch takes x86, x64 or all" >&2; exit 2 ;;
esac
version=$(head -n1 VERSION)
source tools/wine-env.sh
mkdir -p "$out"
out=$(realpath "$out")

for a in $arches; do
  case "$a" in
    x86) tree=build/win32 suffix=spi ;;
    x64) tree=build/win64 suffix=sph ;;
  esac
  [ $build = 1 ] && bash tools/build.sh --win "$a" --native none
  name="pixaro-$version-$a"
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  mkdir "$stage/$name"
  files=(pixaro.exe ifpng.$suffix iftiff6.$suffix ifwmf.$suffix ifgdip.$suffix)
  for f in "${files[@]}"; do
    [ -f "$tree/$f" ] || { echo "package.sh: $tree/$f is missing" >&2; exit 1; }
    got=$(pxw_arch_of "$tree/$f") || got=unknown
    [ "$got" = "$a" ] || { echo "package.sh: $tree/$f is $got, not $a" >&2; exit 1; }
    cp "$tree/$f" "$stage/$name/"
  done
  plugins="ifpng.$suffix, iftiff6.$suffix, ifwmf.$suffix, ifgdip.$suffix"
  for doc in LICENSE.txt README-ja.txt; do
    sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$a/g" -e "s/@PLUGINS@/$plugins/g" "docs/package/$doc" |
      sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$stage/$name/$doc"
  done
  # Written beside the target and renamed, so an interrupted run never leaves half a zip.
  rm -f "$out/.$name.zip.tmp"
  (cd "$stage" && TZ=UTC zip -q -X -r "$out/.$name.zip.tmp" "$name")
  mv -f "$out/.$name.zip.tmp" "$out/$name.zip"
  rm -rf "$stage"
  trap - EXIT
  echo "package.sh: $out/$name.zip"
done
