#!/usr/bin/env bash
# Builds Pixaro and starts it under Wine on the sample photograph with its graffiti layer.
#   tools/run.sh [--arch x86|x64]
# Without --arch it runs the x86 program where this machine can run 32-bit code, the x64 one
# otherwise, and says which. Only that Windows build and the sample tools are built.
# With DISPLAY set it opens on that display and returns when Pixaro is closed; without one
# it runs on a private Xvfb, saves pixaro-screenshot.png in the current folder, closes
# Pixaro and exits 0.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$PWD

arch=
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=${2:-}; shift 2 || true ;;
    *) echo "usage: tools/run.sh [--arch x86|x64]" >&2; exit 2 ;;
  esac
done
case "$arch" in
  ""|x86|x64) ;;
  *) echo "run.sh: --arch takes x86 or x64" >&2; exit 2 ;;
esac

bash tools/setup.sh
source tools/wine-env.sh
if [ -z "$arch" ]; then
  if pxw_can_run x86; then arch=x86; else arch=x64; fi
fi
pxw_can_run "$arch" || { echo "run.sh: this machine cannot run the $arch build under Wine" >&2; exit 1; }
case "$arch" in
  x86) tree=win32 bits=32 ;;
  x64) tree=win64 bits=64 ;;
esac
build="$root/build/$tree"

bash tools/build.sh --win "$arch" --native tools --run-only
work="$root/build/native/e2e"
tests/e2e/make_samples.sh "$root/build/native/samplegen" "$work/samples" "$root/build/native/pixaro-trace"

pxw_env "${PIXARO_WINEPREFIX:-$work/$arch/wineprefix}" "$arch"
echo "run.sh: starting the $arch build ($bits-bit pixaro.exe in build/$tree)"

if [ -n "${DISPLAY:-}" ]; then
  pxw_prefix
  pxw_windows_managed Y
  exec "$WINELOADER" "$build/pixaro.exe" "Z:${work//\//\\}\\samples\\annotated.trd"
fi

pxw_trap
pxw_xvfb
pxw_prefix
pxw_windows_managed N
case_dir="$work/$arch/cases/run"
rm -rf -- "$case_dir"
mkdir -p "$case_dir"
export PIXDRV_BUILD="$build" PIXDRV_WORK="$case_dir" PIXDRV_SAMPLES="$work/samples"
pxw_run timeout 120 "$WINELOADER" "$build/pixdrv.exe" "$root/tools/run_screenshot.pxt"
/usr/bin/convert "$case_dir/screen.bmp" "$caller/pixaro-screenshot.png"
echo "Pixaro ($arch build) ran on a private display; its screen is in $caller/pixaro-screenshot.png"
