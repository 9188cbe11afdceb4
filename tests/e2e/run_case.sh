#!/usr/bin/env bash
# Runs one end-to-end case: run_case.sh WIN32_BUILD_DIR WORK_DIR CASE.pxt
# Drives pixaro.exe (or $PIXDRV_EXE, a Unix path, for the driver's own test) under Wine on a
# private Xvfb display. Exit code = the driver's; on failure WORK_DIR/cases/NAME/fail.png shows
# the screen at the failing verb.
set -u

if [ $# -lt 3 ]; then
  echo "usage: $0 WIN32_BUILD_DIR WORK_DIR CASE.pxt [driver options]" >&2
  exit 2
fi
build=$(realpath "$1")
work=$(realpath -m "$2")
case_file=$(realpath "$3")
shift 3
name=$(basename "$case_file" .pxt)
here=$(cd "$(dirname "$0")" && pwd)

[ -f "$build/pixdrv.exe" ] || { echo "run_case: $build/pixdrv.exe is missing" >&2; exit 2; }

source "$here/../../tools/wine-env.sh"
pxw_env "${PIXARO_WINEPREFIX:-$work/wineprefix}"
if ! pxw_runs_32bit; then
  echo "run_case: $name skipped: this machine cannot run 32-bit programs, so not Wine either" >&2
  exit 77
fi
pxw_trap
pxw_lock || exit 1

case_dir="$work/cases/$name"
rm -rf -- "$case_dir"
mkdir -p "$case_dir" "$work/samples"

pxw_xvfb || exit 1
pxw_prefix || exit 1

# "#! env NAME=VALUE" lines of the case set the program's environment (a time zone, say).
while IFS= read -r assignment; do
  export "${assignment?}"
done < <(sed -n 's/^#! env \([A-Za-z_][A-Za-z0-9_]*=.*\)$/\1/p' "$case_file")

export PIXDRV_BUILD="$build" PIXDRV_WORK="$case_dir" PIXDRV_SAMPLES="$work/samples"
[ -n "${PIXDRV_EXE:-}" ] && export PIXDRV_EXE=$(realpath "$PIXDRV_EXE")

out="$case_dir/driver.log"
limit=${PIXDRV_CASE_TIMEOUT:-200}
# --foreground: only the driver is stopped, so the screenshot still shows the program.
pxw_run timeout --foreground -k 10 "$limit" wine "$build/pixdrv.exe" "$@" "$case_file" >"$out" 2>&1
rc=$?
# Wine 8's client library aborts a process when a large request to its server is cut short
# by a signal ("partial write"), as clipboard data of a few hundred KB now and then is. That
# is Wine's fault, not the case's: run it once more from a clean folder.
if [ $rc -ne 0 ] && grep -q 'wine client error:.*partial write' "$out"; then
  echo "run_case: $name: Wine aborted a process on a cut-short write to its server; running it once more"
  cp "$out" "$case_dir.first-run.log"
  find "$case_dir" -mindepth 1 -delete
  pxw_run timeout --foreground -k 10 "$limit" wine "$build/pixdrv.exe" "$@" "$case_file" >"$out" 2>&1
  rc=$?
fi
if [ $rc -eq 0 ]; then
  cat "$out"
  exit 0
fi

# The driver saves the screen before it closes the program; after a hang only the live screen is left.
if [ -f "$case_dir/fail.bmp" ]; then
  /usr/bin/convert "$case_dir/fail.bmp" "$case_dir/fail.png" && rm -f "$case_dir/fail.bmp"
else
  pxw_screenshot "$case_dir/fail.png"
fi
cat "$out"
[ $rc -eq 124 ] && echo "run_case: pixdrv.exe timed out after $limit s"
echo "run_case: $name failed (exit $rc); screen: $case_dir/fail.png"
exit $rc
