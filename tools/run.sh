#!/usr/bin/env bash
# Builds Pixaro and starts it under Wine on the sample photograph with its graffiti layer.
# With DISPLAY set it opens on that display and returns when Pixaro is closed; without one
# it runs on a private Xvfb, saves pixaro-screenshot.png in the current folder, closes
# Pixaro and exits 0.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh
bash tools/build.sh
work="$root/build/native/e2e"
tests/e2e/make_samples.sh "$root/build/native/samplegen" "$work/samples"

source tools/wine-env.sh
pxw_env "${PIXARO_WINEPREFIX:-$work/wineprefix}"
pxw_runs_32bit || { echo "run.sh: this machine cannot run 32-bit programs, so Pixaro cannot start under Wine here" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  pxw_prefix
  exec wine "$root/build/win32/pixaro.exe" "Z:${work//\//\\}\\samples\\annotated.trd"
fi

pxw_trap
pxw_xvfb
pxw_prefix
case_dir="$work/cases/run"
rm -rf -- "$case_dir"
mkdir -p "$case_dir"
export PIXDRV_BUILD="$root/build/win32" PIXDRV_WORK="$case_dir" PIXDRV_SAMPLES="$work/samples"
pxw_run timeout 120 wine "$root/build/win32/pixdrv.exe" "$root/tools/run_screenshot.pxt"
/usr/bin/convert "$case_dir/screen.bmp" "$caller/pixaro-screenshot.png"
echo "Pixaro ran on a private display; its screen is in $caller/pixaro-screenshot.png"
