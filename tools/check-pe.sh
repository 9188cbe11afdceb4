#!/usr/bin/env bash
# Checks that every program and plug-in of Windows build trees and packages is of the right
# machine type for its suffix and its build: .spi and an x86 tree or package hold i386 code,
# .sph and an x64 one AMD64 code, and no plug-in of the other kind is among them.
#   tools/check-pe.sh TREE_OR_ZIP...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
failed=0 checked=0

check_folder() {  # FOLDER WHAT
  local folder=$1 what=$2 want f got
  want=$(pxw_arch_of "$folder/pixaro.exe") || { echo "FAIL $what: no Windows pixaro.exe"; failed=1; return; }
  while IFS= read -r -d '' f; do
    got=$(pxw_arch_of "$f") || got=unknown
    case "$f" in
      *.spi) [ "$want" = x86 ] && [ "$got" = x86 ] || { echo "FAIL $what: ${f#$folder/} is $got in an $want build"; failed=1; } ;;
      *.sph) [ "$want" = x64 ] && [ "$got" = x64 ] || { echo "FAIL $what: ${f#$folder/} is $got in an $want build"; failed=1; } ;;
      *) [ "$got" = "$want" ] || { echo "FAIL $what: ${f#$folder/} is $got in an $want build"; failed=1; } ;;
    esac
    checked=$((checked + 1))
  done < <(find "$folder" -maxdepth 2 -type f \( -name '*.exe' -o -name '*.spi' -o -name '*.sph' \) -print0)
  echo "checked $what: $want"
}

for item in "$@"; do
  case "$item" in
    *.zip)
      tmp=$(mktemp -d)
      unzip -q "$item" -d "$tmp" || { echo "FAIL $item: does not unpack"; failed=1; rm -rf "$tmp"; continue; }
      inner=$(find "$tmp" -mindepth 1 -maxdepth 1 -type d)
      name=$(basename "$item" .zip)
      if [ "$(basename "$inner")" != "$name" ]; then
        echo "FAIL $item: holds $(basename "$inner") instead of one folder $name"; failed=1
      else
        check_folder "$inner" "$item"
        arch=${name##*-}
        [ "$(pxw_arch_of "$inner/pixaro.exe")" = "$arch" ] || { echo "FAIL $item: named $arch"; failed=1; }
        [ "$(find "$inner" -name '*.sp?' | wc -l)" -ge 4 ] || { echo "FAIL $item: fewer than 4 plug-ins"; failed=1; }
        for doc in LICENSE.txt README-ja.txt; do
          [ -s "$inner/$doc" ] || { echo "FAIL $item: no $doc"; failed=1; }
        done
      fi
      rm -rf "$tmp"
      ;;
    *) check_folder "$item" "$item" ;;
  esac
done
echo "check-pe: $checked files"
exit $failed
