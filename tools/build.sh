#!/usr/bin/env bash
# Builds Pixaro's trees from one source tree:
#   build/win32   the x86 program (i686), its .spi plug-ins and test driver
#   build/win64   the x64 program (x86_64), its .sph plug-ins and test driver
#   build/native  portable library, tests, sanitizer tests, tools, benchmarks, and the Wine
#                 cases of both Windows trees
# Usage: tools/build.sh [--win x86|x64|all|none] [--native all|tools|none] [--run-only]
#   --native tools builds only what the samples need (samplegen, pixaro-trace);
#   --run-only builds of the Windows trees only the program, its plug-ins and the driver.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)
win=all native=all wintargets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --win) win=$2; shift 2 ;;
    --native) native=$2; shift 2 ;;
    --run-only) wintargets=(--target pixaro ifpng iftiff6 ifwmf ifgdip pixdrv); shift ;;
    *) echo "usage: tools/build.sh [--win x86|x64|all|none] [--native all|tools|none] [--run-only]" >&2; exit 2 ;;
  esac
done

windows() {  # ARCH TREE TOOLCHAIN
  cmake -S "$root" -B "$root/build/$2" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$3.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/$2" -j"$jobs" "${wintargets[@]}"
}
case "$win" in
  x86) windows x86 win32 mingw-i686 ;;
  x64) windows x64 win64 mingw-x86_64 ;;
  all) windows x86 win32 mingw-i686; windows x64 win64 mingw-x86_64 ;;
  none) ;;
  *) echo "build.sh: --win takes x86, x64, all or none" >&2; exit 2 ;;
esac

[ "$native" = none ] && exit 0
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPIXARO_WIN32_DIR="$root/build/win32" -DPIXARO_WIN64_DIR="$root/build/win64" >/dev/null
case "$native" in
  all) cmake --build "$root/build/native" -j"$jobs" ;;
  tools) cmake --build "$root/build/native" -j"$jobs" --target samplegen pixaro-trace ;;
  *) echo "build.sh: --native takes all or tools" >&2; exit 2 ;;
esac
